#pragma once
// Object-type codes: the small number that names a kind of database object. The same number
// is the index of the kind's icon in the main image list, the object type of the window that
// shows such an object and the type stored in work-space and recent-object entries.
#include <QString>
#include <QStringList>

using TObjectTypeCode = qint32;

namespace qv {

namespace ObjType {
constexpr TObjectTypeCode Database = 1;        // a database other than the connection's own
constexpr TObjectTypeCode User = 2;            // a database user other than the connection's own
constexpr TObjectTypeCode OwnUser = 3;         // the connection's own user (or current schema)
constexpr TObjectTypeCode Schema = 4;          // a schema (generic)
constexpr TObjectTypeCode Table = 45;
constexpr TObjectTypeCode Index = 46;
constexpr TObjectTypeCode View = 47;
constexpr TObjectTypeCode Procedure = 51;
constexpr TObjectTypeCode Function = 52;
constexpr TObjectTypeCode Trigger = 57;
constexpr TObjectTypeCode Sequence = 58;
constexpr TObjectTypeCode Synonym = 60;
constexpr TObjectTypeCode Constraint = 66;
constexpr TObjectTypeCode Role = 68;
constexpr TObjectTypeCode FileGroup = 69;
constexpr TObjectTypeCode File = 71;
constexpr TObjectTypeCode TablePartition = 73;
constexpr TObjectTypeCode IndexPartition = 74;
constexpr TObjectTypeCode Job = 97;
constexpr TObjectTypeCode OwnDatabase = 116;   // the connection's current database
constexpr TObjectTypeCode Schedule = 117;
constexpr TObjectTypeCode OfflineDatabase = 118;
constexpr TObjectTypeCode OwnLogin = 119;
constexpr TObjectTypeCode Login = 120;
constexpr TObjectTypeCode OwnSchema = 125;     // the connection's default schema
constexpr TObjectTypeCode OtherSchema = 126;
constexpr TObjectTypeCode AzureDatabase = 137; // own database on Azure SQL Database (icon only)
constexpr TObjectTypeCode None = 255;          // no kind at all
} // namespace ObjType

// Keyword (letter case ignored, no blanks removed) → code; 255 for anything else.
TObjectTypeCode GetObjectTypeCode(const QString& keyword);
// Code → keyword; empty for codes without one.
QString GetObjectTypeName(TObjectTypeCode code);
// sysobjects xtype (trimmed, case ignored) → code; 255 for kinds without a code.
TObjectTypeCode XTypeToObjectType(const QString& xtype);
// sysobjects xtype → type name ("TABLE", "PROCEDURE", "QUEUE", …); empty when unknown.
QString XTypeToTypeName(const QString& xtype);
// The xtypes of a code, in order; empty for codes without xtypes.
QStringList GetXTypeList(TObjectTypeCode code);
// Fills `list` (cleared first) with the xtypes of a code.
void GetXTypeList(TObjectTypeCode code, QStringList& list);

} // namespace qv
