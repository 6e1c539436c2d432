#pragma once
// The storage clause of tables, indexes and constraints without any window: the storage kind
// chosen by the kind combo's text, the clause written after the CREATE statement and the
// catalog reads of the storage frame. Every name is bracket-quoted with "]" doubled.
#include <QString>

namespace qv::storage {

enum Kind { Standard = 0, Temporary = 1, Partition = 2 };
// Owners of the frame by object-type code.
enum Owner { TableOwner = 45, IndexOwner = 46, ConstraintOwner = 66 };

inline const QString StandardText = QStringLiteral("標準");
inline const QString TemporaryText = QStringLiteral("一時表");
inline const QString PartitionText = QStringLiteral("パーティション");

// The kind of the kind combo's text: "一時表" temporary, "パーティション" partition, else standard.
Kind KindOfText(const QString& text);

// "ON [file group]" for the standard kind, "ON [scheme]([column])" for a partition (both
// names needed), nothing for a temporary table or a missing name.
QString Clause(Kind kind, const QString& fileGroup, const QString& scheme, const QString& column);

// The file group of the object (parameters in order: table — OWNER, NAME; index — IDXOWNER,
// IDXNAME, TBLOWNER, TBLNAME; constraint — OWNER, NAME).
QString FileGroupSql(int owner);
// The partition scheme and column of the object (OWNER, NAME); tables by table name, indexes
// and constraints by index name.
QString PartitionSql(int owner);
// The data-space type ("PS" for a partition scheme) of the object's index (OWNER, NAME).
QString DataSpaceTypeSql(int owner);
inline const QString PartitionSchemeListSql = QStringLiteral("select * from sys.partition_schemes");
// The columns of a table (OWNER, NAME).
QString ColumnListSql();

} // namespace qv::storage
