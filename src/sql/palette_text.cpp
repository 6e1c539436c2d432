#include "sql/palette_text.h"

#include "app/object_types.h"
#include "app/qvstrings.h"

#include <algorithm>
#include <tuple>

namespace qv::palette {

const std::vector<int>& ObjectKinds()
{
    static const std::vector<int> kinds{ObjType::Table,     ObjType::View,     ObjType::Synonym,
                                        ObjType::Procedure, ObjType::Function, ObjType::Trigger};
    return kinds;
}

ObjName SplitObjName(const QString& text)
{
    const qsizetype dot = text.indexOf(u'.');
    if (dot < 0)
        return {QString(), text};
    ObjName out{text.left(dot), text.mid(dot + 1)};
    if (const qsizetype again = out.name.indexOf(u'.'); again >= 0) {
        out.schema = out.name.left(again);
        out.name = out.name.mid(again + 1);
    }
    return out;
}

QStringList KindTypeLiterals(int kind, bool showSysObj)
{
    QStringList types = GetXTypeList(kind);
    if (kind == ObjType::Table && !showSysObj)
        types = {QStringLiteral("U")};
    for (QString& t : types)
        t = QuoteLiteral(t);
    return types;
}

QString ObjectListSql(int dbVer, const QStringList& typeLiterals)
{
    const QString list = typeLiterals.join(u',');
    if (dbVer < 9) // SQL Server 2000: owners are users
        return QStringLiteral(" select name,user_name(uid) from sysobjects where xtype in(") + list
               + QStringLiteral(") order by user_name(uid),    name");
    return QStringLiteral(" select name,schema_name(schema_id) from sys.objects where type in(") + list
           + QStringLiteral(") order by schema_name(schema_id),    name");
}

QString ColumnListSql(const QString& schema, const QString& name)
{
    return QStringLiteral(" select COLUMN_NAME from INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = N") + QuoteLiteral(schema)
           + QStringLiteral(" AND  TABLE_NAME = N") + QuoteLiteral(name) + QStringLiteral(" ORDER BY ORDINAL_POSITION");
}

QString UseSql(const QString& database) { return QStringLiteral("use ") + QuoteIdentifier(database); }

QString ReverseSearchSql(int dbVer, const QString& database, const QString& searchText)
{
    if (dbVer < 9)
        return {};
    QString pattern = QStringLiteral("%") + searchText + QStringLiteral("%");
    for (QChar& c : pattern)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    // Names are quoted for object_id, so that tables whose names hold blanks or dots are found.
    return QStringLiteral("select  'COLUMN' AS \"OBJ_TYPE\" "
                          "       ,a.TABLE_CATALOG AS \"OBJ_DB\" "
                          "       ,a.COLUMN_NAME AS \"OBJ_NAME\" "
                          "       ,b.type AS \"REF_OBJ_TYPE\" "
                          "       ,a.TABLE_CATALOG AS \"REF_OBJ_DB\" "
                          "       ,TABLE_SCHEMA + '.' + TABLE_NAME AS \"REF_OBJ_NAME\" "
                          "       ,'' AS \"REF_DB_LINK\" "
                          "  from  INFORMATION_SCHEMA.COLUMNS a "
                          " inner  join sys.objects b "
                          "    on  object_id(QUOTENAME(TABLE_CATALOG) + '.' + QUOTENAME(TABLE_SCHEMA) + '.' + "
                          "QUOTENAME(TABLE_NAME)) = b.object_id "
                          " WHERE "
                          " a.TABLE_CATALOG = (N")
           + QuoteLiteral(database) + QStringLiteral(") AND UPPER(COLUMN_NAME) LIKE N") + QuoteLiteral(pattern);
}

namespace {

bool isLoginDatabase(int image) { return image == kLoginDatabaseImage || image == kAzureDatabaseImage; }

bool isObjectImage(int image)
{
    switch (image) {
    case ObjType::Table:
    case ObjType::View:
    case ObjType::Procedure:
    case ObjType::Function:
    case ObjType::Trigger:
    case ObjType::Synonym: return true;
    default: return false;
    }
}

QString qualified(const ObjName& n) { return QuoteIdentifier(n.schema) + u'.' + QuoteIdentifier(n.name); }

} // namespace

QString TreeInsertText(std::vector<NodeSel> nodes)
{
    std::stable_sort(nodes.begin(), nodes.end(), [](const NodeSel& a, const NodeSel& b) {
        return std::tie(a.level, a.parentIndex, a.index) < std::tie(b.level, b.parentIndex, b.index);
    });
    // Nodes under a collapsed parent are not visible and take no part.
    std::erase_if(nodes, [](const NodeSel& n) { return !n.parentExpanded; });
    QString text;
    QString loginDb; // the quoted login database, once its node is among the selection
    for (size_t i = 0; i < nodes.size(); ++i) {
        const NodeSel& n = nodes[i];
        if (!text.isEmpty()) {
            const NodeSel& prev = nodes[i - 1];
            if (n.level >= 3 && prev.level == n.level && prev.image == n.image)
                text += QStringLiteral(", ");
            else if (!isLoginDatabase(prev.image))
                text += u' ';
        }
        const bool last = i + 1 == nodes.size();
        if (!n.database.isEmpty()) {
            text += QuoteIdentifier(n.database) + u'.' + qualified(SplitObjName(n.text));
        } else if (n.level == 3 && isObjectImage(n.image)) {
            text += (loginDb.isEmpty() ? QString() : loginDb + u'.') + qualified(SplitObjName(n.text));
        } else if (isLoginDatabase(n.image) && !last) {
            loginDb = QuoteIdentifier(n.text);
            if (nodes[i + 1].image == kDatabaseImage)
                text += loginDb + u' ';
        } else {
            text += QuoteIdentifier(n.text);
        }
    }
    return text;
}

QString ListInsertText(const std::vector<ListSel>& items, const QString& loginDatabase)
{
    QString text;
    for (const ListSel& item : items) {
        if (!text.isEmpty())
            text += u' ';
        const ObjName n = SplitObjName(item.caption);
        if (!item.database.isEmpty() && item.database != loginDatabase)
            text += QuoteIdentifier(item.database) + u'.';
        text += qualified(n);
    }
    return text;
}

} // namespace qv::palette
