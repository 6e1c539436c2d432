#include "app/object_types.h"

#include <QHash>

namespace qv {

QString GetObjectTypeName(TObjectTypeCode code)
{
    switch (code) {
    case ObjType::Database:
    case ObjType::OwnDatabase:
    case ObjType::OfflineDatabase: return QStringLiteral("DATABASE");
    case ObjType::User:
    case ObjType::OwnUser: return QStringLiteral("USER");
    case ObjType::Schema:
    case ObjType::OwnSchema:
    case ObjType::OtherSchema: return QStringLiteral("SCHEMA");
    case ObjType::Table: return QStringLiteral("TABLE");
    case ObjType::Index: return QStringLiteral("INDEX");
    case ObjType::View: return QStringLiteral("VIEW");
    case ObjType::Procedure: return QStringLiteral("PROCEDURE");
    case ObjType::Function: return QStringLiteral("FUNCTION");
    case ObjType::Trigger: return QStringLiteral("TRIGGER");
    case ObjType::Sequence: return QStringLiteral("SEQUENCE");
    case ObjType::Synonym: return QStringLiteral("SYNONYM");
    case ObjType::Constraint: return QStringLiteral("CONSTRAINT");
    case ObjType::Role: return QStringLiteral("ROLE");
    case ObjType::FileGroup: return QStringLiteral("FILEGROUP");
    case ObjType::File: return QStringLiteral("FILE");
    case ObjType::TablePartition: return QStringLiteral("TABLE PARTITION");
    case ObjType::IndexPartition: return QStringLiteral("INDEX PARTITION");
    case ObjType::Job: return QStringLiteral("JOB");
    case ObjType::Schedule: return QStringLiteral("SCHEDULE");
    case ObjType::OwnLogin:
    case ObjType::Login: return QStringLiteral("LOGIN");
    default: return {};
    }
}

TObjectTypeCode GetObjectTypeCode(const QString& keyword)
{
    static const QHash<QString, TObjectTypeCode> codes = {
        {QStringLiteral("DATABASE"), ObjType::Database},
        {QStringLiteral("USER"), ObjType::User},
        {QStringLiteral("SCHEMA"), ObjType::Schema},
        {QStringLiteral("TABLE"), ObjType::Table},
        {QStringLiteral("INDEX"), ObjType::Index},
        {QStringLiteral("VIEW"), ObjType::View},
        {QStringLiteral("PROCEDURE"), ObjType::Procedure},
        {QStringLiteral("FUNCTION"), ObjType::Function},
        {QStringLiteral("TRIGGER"), ObjType::Trigger},
        {QStringLiteral("SEQUENCE"), ObjType::Sequence},
        {QStringLiteral("SYNONYM"), ObjType::Synonym},
        {QStringLiteral("CONSTRAINT"), ObjType::Constraint},
        {QStringLiteral("ROLE"), ObjType::Role},
        {QStringLiteral("TABLESPACE"), ObjType::FileGroup},
        {QStringLiteral("TABLE PARTITION"), ObjType::TablePartition},
        {QStringLiteral("INDEX PARTITION"), ObjType::IndexPartition},
        {QStringLiteral("JOB"), ObjType::Job},
        {QStringLiteral("SCHEDULE"), ObjType::Schedule},
        {QStringLiteral("LOGIN"), ObjType::Login},
    };
    return codes.value(keyword.toUpper(), ObjType::None);
}

TObjectTypeCode XTypeToObjectType(const QString& xtype)
{
    const QString x = xtype.toUpper().trimmed();
    if (x == u"U" || x == u"S") return ObjType::Table;
    if (x == u"V") return ObjType::View;
    if (x == u"IX") return ObjType::Index;
    if (x == u"PK" || x == u"F" || x == u"C" || x == u"D" || x == u"UQ") return ObjType::Constraint;
    if (x == u"P" || x == u"RF" || x == u"X") return ObjType::Procedure;
    if (x == u"FN" || x == u"IF" || x == u"TF") return ObjType::Function;
    if (x == u"TR") return ObjType::Trigger;
    if (x == u"SO") return ObjType::Sequence;
    if (x == u"SN") return ObjType::Synonym;
    return ObjType::None;
}

QString XTypeToTypeName(const QString& xtype)
{
    static const QHash<QString, QString> names = {
        {"U", "TABLE"},      {"S", "TABLE"},     {"V", "VIEW"},       {"IX", "INDEX"},
        {"PK", "CONSTRAINT"}, {"F", "CONSTRAINT"}, {"C", "CONSTRAINT"}, {"D", "CONSTRAINT"},
        {"UQ", "CONSTRAINT"}, {"P", "PROCEDURE"}, {"RF", "PROCEDURE"}, {"PC", "PROCEDURE"},
        {"X", "PROCEDURE"},  {"FN", "FUNCTION"}, {"IF", "FUNCTION"},  {"TF", "FUNCTION"},
        {"FS", "FUNCTION"},  {"FT", "FUNCTION"}, {"TR", "TRIGGER"},   {"TA", "TRIGGER"},
        {"SO", "SEQUENCE"},  {"SN", "SYNONYM"},  {"SQ", "QUEUE"},     {"IT", "INNER TABLE"},
        {"R", "RULE"},
    };
    return names.value(xtype.toUpper().trimmed());
}

QStringList GetXTypeList(TObjectTypeCode code)
{
    switch (code) {
    case ObjType::Table: return {"U", "S"};
    case ObjType::Index: return {"IX"};
    case ObjType::View: return {"V"};
    case ObjType::Procedure: return {"P", "RF", "X"};
    case ObjType::Function: return {"FN", "IF", "TF"};
    case ObjType::Trigger: return {"TR"};
    case ObjType::Sequence: return {"SO"};
    case ObjType::Synonym: return {"SN"};
    case ObjType::Constraint: return {"K", "PK", "F", "C", "D", "UQ"};
    default: return {};
    }
}

void GetXTypeList(TObjectTypeCode code, QStringList& list)
{
    list = GetXTypeList(code);
}

} // namespace qv
