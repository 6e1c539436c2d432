#include "tables/table_tree_text.h"

#include "app/qvstrings.h"

namespace qv::table {

namespace {

QString Text(const QVariantList& row, int i) { return i < row.size() ? row.at(i).toString() : QString(); }
bool Flag(const QString& v) { return v.trimmed() == u"1"; }

QStringList FirstColumn(const QList<QVariantList>& rows, bool quote)
{
    QStringList names;
    for (const QVariantList& r : rows)
        names << (quote ? QuoteIdentifier(Text(r, 0)) : Text(r, 0));
    return names;
}

bool Newer(const QueryTarget& t) { return t.azure || t.version >= 10; }

} // namespace

QStringList TreeRootCaptions()
{
    return {QStringLiteral("CONSTRAINT"), QStringLiteral("INDEX"), QStringLiteral("TRIGGER")};
}

int TreeRootImage(int root)
{
    static const int images[] = {ConstraintImage, IndexImage, TriggerImage};
    return root >= 0 && root < 3 ? images[root] : 0;
}

QString StateText(const QString& flag)
{
    return Flag(flag) ? QStringLiteral("DISABLED") : QStringLiteral("ENABLED");
}

QString ConstraintKindWord(const QString& type)
{
    const QString t = type.trimmed();
    if (t == u"PK")
        return QStringLiteral("PRIMARY KEY");
    if (t == u"UQ")
        return QStringLiteral("UNIQUE KEY");
    if (t == u"F")
        return QStringLiteral("FOREIGN KEY");
    if (t == u"C")
        return QStringLiteral("CHECK");
    return QString();
}

QString KeyParams(const QStringList& columns)
{
    QStringList quoted;
    for (const QString& c : columns)
        quoted << QuoteIdentifier(c);
    return u'(' + quoted.join(QStringLiteral(", ")) + u')';
}

QString ForeignKeyParams(const QStringList& columns, const QString& referencedTable, const QStringList& referencedColumns)
{
    QStringList quoted;
    for (const QString& c : referencedColumns)
        quoted << QuoteIdentifier(c);
    return KeyParams(columns) + QStringLiteral(" REFERENCES ") + referencedTable + QStringLiteral(" (") +
           quoted.join(QStringLiteral(", ")) + u')';
}

QString IndexParams(const QStringList& keys, const QStringList& included)
{
    QString text = keys.join(QStringLiteral(", "));
    if (!included.isEmpty())
        text += u'(' + included.join(QStringLiteral(", ")) + u')';
    return text;
}

QString TriggerParams(const QString& insert, const QString& update, const QString& del, const QString& insteadOf,
                      const QString& after)
{
    QStringList events;
    if (Flag(insert))
        events << QStringLiteral("INSERT");
    if (Flag(update))
        events << QStringLiteral("UPDATE");
    if (Flag(del))
        events << QStringLiteral("DELETE");
    QString text;
    if (Flag(insteadOf))
        text = QStringLiteral("INSTEAD OF ");
    else if (Flag(after))
        text = QStringLiteral("AFTER ");
    return text + events.join(QStringLiteral(", "));
}

QString KeyColumnsQuery(const QString& database)
{
    return QueryUse(database) + QStringLiteral(
               "select COLUMN_NAME from INFORMATION_SCHEMA.KEY_COLUMN_USAGE where CONSTRAINT_NAME = :CONSTNAME"
               " and CONSTRAINT_SCHEMA = :SCHEMA order by ORDINAL_POSITION");
}

QString ReferencedKeyQuery(const QueryTarget& t)
{
    if (Newer(t))
        return QueryUse(t.database) + QStringLiteral(
                   "select d.UNIQUE_CONSTRAINT_NAME, d.UNIQUE_CONSTRAINT_SCHEMA, object_name(a.referenced_object_id)"
                   " from sys.foreign_keys a inner join INFORMATION_SCHEMA.REFERENTIAL_CONSTRAINTS d"
                   " on a.object_id = object_id(quotename(d.CONSTRAINT_SCHEMA) + '.' + quotename(d.CONSTRAINT_NAME))"
                   " where a.name = :CONSTNAME");
    return QueryUse(t.database) + QStringLiteral(
               "select d.UNIQUE_CONSTRAINT_NAME, d.UNIQUE_CONSTRAINT_SCHEMA, object_name(a.id)"
               " from sysconstraints a inner join INFORMATION_SCHEMA.REFERENTIAL_CONSTRAINTS d"
               " on a.constid = object_id(quotename(d.UNIQUE_CONSTRAINT_SCHEMA) + '.' + quotename(d.UNIQUE_CONSTRAINT_NAME))"
               " where d.CONSTRAINT_NAME = :CONSTNAME");
}

QString ReferencedColumnsQuery(const QueryTarget& t)
{
    if (Newer(t))
        return QueryUse(t.database) + QStringLiteral(
                   "select b.name from sys.indexes a, sys.columns b, sys.index_columns c"
                   " where a.object_id = b.object_id and b.object_id = c.object_id and a.index_id = c.index_id"
                   " and b.column_id = c.column_id and b.object_id = object_id(:OWNER_TABLE) and a.name = :IDXNAME"
                   " order by c.key_ordinal");
    return QueryUse(t.database) + QStringLiteral(
               "select b.name from sysindexes a, syscolumns b, sysindexkeys c"
               " where a.id = b.id and b.id = c.id and a.indid = c.indid"
               " and b.colid = c.colid and b.id = object_id(:OWNER_TABLE) and a.name = :IDXNAME"
               " order by c.keyno");
}

QString CheckClauseQuery(const QString& database)
{
    return QueryUse(database) +
           QStringLiteral("select CHECK_CLAUSE from INFORMATION_SCHEMA.CHECK_CONSTRAINTS where CONSTRAINT_NAME = :CONSTNAME");
}

QString IndexColumnsQuery(const QueryTarget& t, bool included)
{
    const QString table = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:TABLENAME))");
    if (t.azure || t.version >= 9)
        return QueryUse(t.database) +
               QStringLiteral("select b.name from sys.index_columns a"
                              " inner join sys.columns b on b.object_id = a.object_id and b.column_id = a.column_id"
                              " inner join sys.indexes c on c.object_id = a.object_id and c.index_id = a.index_id"
                              " where a.object_id = %1 and c.name = :IDXNAME and a.is_included_column = %2"
                              " order by a.key_ordinal, a.index_column_id")
                   .arg(table, included ? QStringLiteral("1") : QStringLiteral("0"));
    return QueryUse(t.database) +
           QStringLiteral("select b.name from dbo.sysindexes a, dbo.syscolumns b, dbo.sysindexkeys c"
                          " where a.id = %1 and b.id = a.id and c.id = a.id and c.indid = a.indid"
                          " and b.colid = c.colid and a.name = :INDEX_NAME order by c.keyno")
               .arg(table);
}

QList<TreeNode> ReadTree(const QueryTarget& t, const QString& schema, const QString& table, const RowReader& read)
{
    QList<TreeNode> nodes;
    const QStringList owner{schema, table};
    for (const QVariantList& r : read(ConstraintQuery(t), owner)) {
        TreeNode n;
        n.image = ConstraintImage;
        n.schema = Text(r, 0);
        n.name = Text(r, 1);
        n.kind = ConstraintKindWord(Text(r, 2));
        if (n.kind.isEmpty())
            continue;
        n.state = StateText(Text(r, 3));
        if (n.kind == u"CHECK") {
            const QList<QVariantList> clause = read(CheckClauseQuery(t.database), {n.name});
            n.params = clause.isEmpty() ? QString() : Text(clause.last(), 0);
        } else {
            const QStringList columns = FirstColumn(read(KeyColumnsQuery(t.database), {n.name, schema}), false);
            if (n.kind == u"FOREIGN KEY") {
                QString refKey, refTable;
                QStringList refColumns;
                const QList<QVariantList> key = read(ReferencedKeyQuery(t), {n.name});
                if (!key.isEmpty()) {
                    refKey = Text(key.first(), 0);
                    refTable = QuoteIdentifier(Text(key.first(), 1), true) + u'.' + QuoteIdentifier(Text(key.first(), 2));
                    refColumns = FirstColumn(read(ReferencedColumnsQuery(t), {refTable, refKey}), false);
                }
                n.params = ForeignKeyParams(columns, refTable, refColumns);
            } else {
                n.params = KeyParams(columns);
            }
        }
        nodes << n;
    }
    const qsizetype constraints = nodes.size();
    for (const QVariantList& r : read(IndexQuery(t), owner)) {
        TreeNode n;
        n.image = IndexImage;
        n.schema = Text(r, 0);
        n.name = Text(r, 1);
        bool backsKey = false;
        for (qsizetype i = 0; i < constraints && !backsKey; ++i)
            backsKey = nodes.at(i).name == n.name && n.schema == schema &&
                       (nodes.at(i).kind == u"PRIMARY KEY" || nodes.at(i).kind == u"UNIQUE KEY");
        if (backsKey)
            continue;
        const QStringList params{schema, table, n.name};
        const QStringList keys = FirstColumn(read(IndexColumnsQuery(t, false), params), false);
        QStringList included;
        if (t.azure || t.version >= 9)
            included = FirstColumn(read(IndexColumnsQuery(t, true), params), false);
        n.params = IndexParams(keys, included);
        if (keys.join(QString()).isEmpty())
            continue;
        n.kind = Flag(Text(r, 2)) ? QStringLiteral("UNIQUE INDEX") : QStringLiteral("NONUNIQUE INDEX");
        n.state = StateText(Text(r, 3));
        nodes << n;
    }
    for (const QVariantList& r : read(TriggerQuery(t), owner)) {
        TreeNode n;
        n.image = TriggerImage;
        n.schema = Text(r, 0);
        n.name = Text(r, 1);
        n.kind = QStringLiteral("TRIGGER");
        n.params = TriggerParams(Text(r, 3), Text(r, 4), Text(r, 5), Text(r, 6), Text(r, 7));
        n.state = StateText(Text(r, 2));
        nodes << n;
    }
    return nodes;
}

TreeMenuState MenuState(bool isNewTable, int level, const TreeNode* node, int version)
{
    TreeMenuState s;
    if (isNewTable || level < 0)
        return s;
    if (level == 1 && node) {
        s.open = s.remove = true;
        const bool switchable = ((node->image == IndexImage || node->image == TriggerImage) && version >= 9) ||
                                (node->image == ConstraintImage && (node->kind == u"CHECK" || node->kind == u"FOREIGN KEY"));
        if (switchable) {
            s.enable = node->state != u"ENABLED";
            s.disable = node->state != u"DISABLED";
        }
    }
    s.create = true;
    return s;
}

QStringList DeleteStatements(const TreeTable& t, const TreeNode& node)
{
    const QString table = QuoteIdentifier(t.schema) + u'.' + QuoteIdentifier(t.name);
    QString drop;
    switch (node.image) {
    case IndexImage:
        drop = t.azure ? QStringLiteral("drop index ") + QuoteIdentifier(node.name) + QStringLiteral(" on ") + table
                       : QStringLiteral("drop index ") + table + u'.' + QuoteIdentifier(node.name);
        break;
    case TriggerImage:
        drop = QStringLiteral("DROP TRIGGER ") + QuoteIdentifier(node.schema) + u'.' + QuoteIdentifier(node.name);
        break;
    case ConstraintImage:
        drop = QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" DROP CONSTRAINT ") + QuoteIdentifier(node.name);
        break;
    default: return {};
    }
    return {QStringLiteral("use ") + QuoteIdentifier(t.database), drop};
}

QString DeleteQuestion(const TreeNode& node)
{
    switch (node.image) {
    case IndexImage: return QStringLiteral("インデックスを削除しますか？");
    case TriggerImage: return QStringLiteral("トリガーを削除しますか？");
    default: return QStringLiteral("制約を削除しますか？");
    }
}

QString DeletedMessage(const TreeNode& node)
{
    switch (node.image) {
    case IndexImage: return QStringLiteral("インデックスが削除されました。");
    case TriggerImage: return QStringLiteral("トリガーが削除されました。");
    default: return QStringLiteral("制約が削除されました。");
    }
}

QString SwitchStatement(const TreeTable& t, const TreeNode& node, bool enable)
{
    const QString table = QuoteIdentifier(t.schema) + u'.' + QuoteIdentifier(t.name);
    switch (node.image) {
    case IndexImage:
        return QueryUse(t.database) + QStringLiteral("alter index ") + QuoteIdentifier(node.name) + QStringLiteral(" on ") +
               table + (enable ? QStringLiteral(" REBUILD") : QStringLiteral(" DISABLE"));
    case TriggerImage:
        return (enable ? QStringLiteral("ENABLE TRIGGER ") : QStringLiteral("DISABLE trigger ")) +
               QuoteIdentifier(node.schema) + u'.' + QuoteIdentifier(node.name) + QStringLiteral(" on ") +
               QuoteIdentifier(t.database) + u'.' + table;
    case ConstraintImage:
        return QueryUse(t.database) + QStringLiteral("alter table ") + table + u' ' +
               (enable ? QStringLiteral("check constraint ") : QStringLiteral("nocheck constraint ")) +
               QuoteIdentifier(node.name);
    default: return QString();
    }
}

QString SwitchQuestion(const TreeNode& node, bool enable)
{
    switch (node.image) {
    case IndexImage: return enable ? QStringLiteral("インデックスを有効にしますか？") : QStringLiteral("インデックスを無効にしますか？");
    case TriggerImage: return enable ? QStringLiteral("トリガーを有効にしますか？") : QStringLiteral("トリガーを無効にしますか？");
    default: return enable ? QStringLiteral("制約を有効にしますか？") : QStringLiteral("制約を無効にしますか？");
    }
}

} // namespace qv::table
