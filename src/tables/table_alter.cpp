#include "tables/table_alter.h"

#include "app/qvstrings.h"
#include "tables/define_text.h"

namespace qv::table {

namespace {

bool IsIdentityCapable(const QString& type)
{
    static const QStringList types{QStringLiteral("BIGINT"), QStringLiteral("DECIMAL"), QStringLiteral("INT"),
                                   QStringLiteral("NUMERIC"), QStringLiteral("SMALLINT"), QStringLiteral("TINYINT")};
    return types.contains(type.toUpper());
}

bool SameColumn(const TableColumn& a, const TableColumn& b)
{
    return a.name == b.name && a.type == b.type && a.length == b.length && a.notNull == b.notNull &&
           a.defaultValue == b.defaultValue && a.collation == b.collation && a.mask == b.mask &&
           a.comment == b.comment && a.primary == b.primary && a.loadedRow == b.loadedRow;
}

QString NLit(const QString& text) { return u'N' + QuoteLiteral(text); }

QString Padded(const QString& quoted)
{
    return quoted.size() < 31 ? quoted.leftJustified(31, u' ') : quoted;
}

// The snapshot row at the same grid position, or an empty column beyond it.
TableColumn SavedAt(const TableModel& m, int i)
{
    return i < m.saved.size() ? m.saved.at(i) : TableColumn{};
}

} // namespace

bool GridChanged(const TableModel& m)
{
    if (m.columns.size() != m.saved.size())
        return true;
    for (int i = 0; i < m.columns.size(); ++i)
        if (!SameColumn(m.columns.at(i), m.saved.at(i)))
            return true;
    return false;
}

bool MustRecreate(const TableModel& m, const RecreateFacts& f)
{
    if (m.isNew || f.scriptMode || f.sourcePage || f.storageChanged)
        return true;
    if (!GridChanged(m))
        return false;
    const int rows = int(m.columns.size());
    bool hasKey = false;
    int k = 0;
    for (int i = 0; i < rows; ++i) {
        const TableColumn& c = m.columns.at(i);
        if (c.primary)
            hasKey = true;
        if (IsIdentityCapable(c.type) && (c.defaultValue.toUpper().contains(u"IDENTITY") ||
                                          SavedAt(m, i).defaultValue.toUpper().contains(u"IDENTITY")))
            return true;
        if (c.loadedRow > 0 || !c.defaultValue.isEmpty()) {
            ++k;
            if (c.loadedRow != k)
                return true; // a loaded column moved, or a new column with a default
        } else if (i < rows - 1) {
            return true; // a new column that is not the last one
        }
    }
    const bool deleted = k < m.saved.size();
    if (f.azure)
        return deleted || f.loadedPrimary.trimmed().isEmpty() || !hasKey;
    return deleted;
}

QString CurrentDefaultQuery(bool azure)
{
    if (azure)
        return QStringLiteral("select a.name from sys.default_constraints a inner join syscolumns b"
                              " on a.parent_object_id = b.id and parent_column_id = b.colid"
                              " where a.parent_object_id = object_id(:TABLE) and b.name = :COL");
    return QStringLiteral("select object_name(a.constid) from sysconstraints a inner join syscolumns b"
                          " on a.colid = b.colid and a.id = b.id inner join sysobjects c on a.constid = c.id"
                          " and c.xtype = 'D' where a.id = object_id(:TABLE) and b.name = :COL");
}

QString OtherClusteredIndexQuery(int version, const QString& keyName)
{
    if (version < 9)
        return QStringLiteral("select * from sysindexes where id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))"
                              " and name <> N%1 and indid = 1").arg(QuoteLiteral(keyName));
    return QStringLiteral("select * from sys.indexes where object_id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))"
                          " and name <> N%1 and type = 1").arg(QuoteLiteral(keyName));
}

void AppendAlterScript(QStringList& lines, const TableModel& m, const DdlOptions& o, const AlterLookups& look)
{
    const qsizetype startMark = lines.size();
    const QString use = DatabaseSwitchLine(m.database);
    const QString table = QuoteIdentifier(m.schema) + u'.' + QuoteIdentifier(m.name);
    const QString prefix = o.schemaPrefix.isEmpty() ? QuoteIdentifier(m.schema) + u'.' : o.schemaPrefix;
    const bool masks = o.version >= 13 && !o.azure;
    QStringList side;
    const int rows = int(m.columns.size());

    for (int i = 0; i < rows; ++i) {
        const TableColumn& c = m.columns.at(i);
        if (c.name.isEmpty())
            continue;
        if (c.loadedRow > 0) {
            const TableColumn s = SavedAt(m, i);
            if (c.name != s.name)
                side << use << QStringLiteral("go")
                     << QStringLiteral("Exec dbo.sp_rename @objname=N") +
                            QuoteLiteral(table + u'.' + QuoteIdentifier(s.name)) + QStringLiteral(", @newname=N") +
                            QuoteLiteral(c.name) + QStringLiteral(", @objtype=N'COLUMN'")
                     << QStringLiteral("go");
            if (c.type != s.type || c.length != s.length || c.notNull != s.notNull || c.collation != s.collation) {
                QString def = QStringLiteral("ALTER COLUMN  ") + Padded(QuoteIdentifier(c.name)) + u' ' + c.type;
                if (!c.length.isEmpty())
                    def += u'(' + c.length + u')';
                if (!c.collation.isEmpty())
                    def += QStringLiteral(" COLLATE ") + c.collation;
                def += c.notNull ? QStringLiteral(" NOT NULL") : QStringLiteral(" NULL");
                side << use << QStringLiteral("go") << QStringLiteral("ALTER TABLE ") + table << def
                     << QStringLiteral("go");
            }
            // A mask is set (or its function changed) by its own ALTER COLUMN … ADD MASKED: the
            // type form of ALTER COLUMN takes no mask.
            if (masks && c.mask != s.mask && !c.mask.isEmpty())
                side << QStringLiteral("ALTER TABLE ") + table
                     << QStringLiteral(" ALTER COLUMN ") + QuoteIdentifier(c.name) +
                            QStringLiteral(" ADD MASKED WITH (FUNCTION = ") + QuoteLiteral(c.mask) + u')'
                     << QStringLiteral("go");
            if (c.defaultValue != s.defaultValue) {
                QString constraint;
                if (!s.defaultValue.isEmpty()) {
                    for (const DefaultColumn& d : m.defaultColumns)
                        if (d.ColumnName == s.name) {
                            constraint = d.DefaultName;
                            break;
                        }
                    // The name before a rename: the lookup runs before the rename does.
                    const QString current = look.currentDefaultName ? look.currentDefaultName(s.name) : QString();
                    if (!current.isEmpty())
                        side << QStringLiteral("ALTER TABLE ") + table
                             << QStringLiteral(" DROP CONSTRAINT ") + QuoteIdentifier(current) << QStringLiteral("go");
                }
                if (!c.defaultValue.isEmpty()) {
                    const QString value = DefaultValueText(c.defaultValue, c.type);
                    side << QStringLiteral("ALTER TABLE ") + table
                         << (constraint.isEmpty() ? QStringLiteral("  ADD DEFAULT ")
                                                  : QStringLiteral("  ADD CONSTRAINT ") + QuoteIdentifier(constraint) +
                                                        QStringLiteral(" DEFAULT ")) +
                                value + QStringLiteral(" FOR ") + QuoteIdentifier(c.name)
                         << QStringLiteral("go");
                }
            }
        } else {
            QString def = QStringLiteral("ADD ") + Padded(QuoteIdentifier(c.name)) + u' ' + c.type;
            if (!c.length.isEmpty())
                def += u'(' + c.length + u')';
            if (!c.collation.isEmpty())
                def += QStringLiteral(" COLLATE ") + c.collation + u' ';
            if (!c.defaultValue.isEmpty())
                def += QStringLiteral(" DEFAULT ") + DefaultValueText(c.defaultValue, c.type);
            def += c.notNull ? QStringLiteral(" NOT NULL") : QStringLiteral(" NULL");
            side << use << QStringLiteral("ALTER TABLE ") + QuoteIdentifier(m.database, true) + u'.' + table << def
                 << QStringLiteral("go");
        }
    }
    if (masks)
        for (int i = 0; i < rows; ++i) {
            const TableColumn& c = m.columns.at(i);
            if (c.name.isEmpty() || c.loadedRow <= 0)
                continue;
            if (c.mask.isEmpty() && !SavedAt(m, i).mask.isEmpty())
                side << QStringLiteral("ALTER TABLE ") + table
                     << QStringLiteral(" ALTER COLUMN ") + QuoteIdentifier(c.name) + QStringLiteral(" DROP MASKED")
                     << QStringLiteral("go");
        }
    lines << side;

    // The key: dropped first (before every statement above), added last.
    bool keyChanged = false;
    QStringList keys;
    for (int i = 0; i < rows; ++i) {
        const TableColumn& c = m.columns.at(i);
        if (c.name.isEmpty())
            continue;
        if ((c.loadedRow > 0 && c.primary != SavedAt(m, i).primary) || (c.loadedRow <= 0 && c.primary))
            keyChanged = true;
        if (c.primary)
            keys << QuoteIdentifier(c.name);
    }
    if (keyChanged) {
        QString keyName = m.serverKey.name;
        if (!m.serverKey.columns.isEmpty() && !keyName.isEmpty()) {
            lines.insert(startMark, QStringLiteral("go"));
            lines.insert(startMark, QStringLiteral("ALTER TABLE ") + prefix + QuoteIdentifier(m.name) +
                                        QStringLiteral(" DROP CONSTRAINT ") + QuoteIdentifier(keyName));
        } else {
            keyName = QStringLiteral("PK_") + m.name;
        }
        if (!keys.isEmpty()) {
            const bool nonClustered = look.otherClusteredIndex && look.otherClusteredIndex(keyName);
            lines << QStringLiteral("ALTER TABLE ") + prefix + QuoteIdentifier(m.name) + QStringLiteral(" ADD CONSTRAINT ") +
                         QuoteIdentifier(keyName)
                  << (nonClustered ? QStringLiteral("PRIMARY KEY NONCLUSTERED (") : QStringLiteral("PRIMARY KEY (")) +
                         keys.join(QStringLiteral(", ")) + u')';
            if (!o.azure && o.writeStorage && !m.storageClause.isEmpty())
                lines << m.storageClause;
            lines << QStringLiteral("go");
        }
    }

    // Comments.
    const QString type = NLit(CommentLevelType(o.version));
    const QString target = type + QStringLiteral(", ") + NLit(m.schema) + QStringLiteral(", N'table', ") + NLit(m.name);
    if (m.comment.isEmpty() && !m.loadedComment.isEmpty())
        lines << QStringLiteral("EXEC sp_dropextendedproperty N'MS_Description', ") + target << QStringLiteral("go");
    else if (!m.comment.isEmpty() && m.comment != m.loadedComment)
        lines << (m.loadedComment.isEmpty() ? QStringLiteral("EXEC sp_addextendedproperty N'MS_Description', ")
                                            : QStringLiteral("EXEC sp_updateextendedproperty N'MS_Description', ")) +
                     NLit(m.comment) + QStringLiteral(", ") + target
              << QStringLiteral("go");
    for (int i = 0; i < rows; ++i) {
        const TableColumn& c = m.columns.at(i);
        if (c.name.isEmpty())
            continue;
        const QString saved = c.loadedRow > 0 ? SavedAt(m, i).comment : QString();
        const QString column = QStringLiteral(", N'column', ") + NLit(c.name);
        if (!c.comment.isEmpty() && c.comment != saved) {
            if (saved.isEmpty())
                lines << QStringLiteral("EXEC sp_addextendedproperty N'MS_Description', ") + NLit(c.comment) +
                             QStringLiteral(" , ") + target + column
                      << QStringLiteral("go");
            else
                lines << QStringLiteral("EXEC sp_updateextendedproperty N'MS_Description', ") + NLit(c.comment) +
                             QStringLiteral(", ") + target + column
                      << QStringLiteral("go");
        } else if (c.comment.isEmpty() && !saved.isEmpty()) {
            lines << QStringLiteral("EXEC sp_dropextendedproperty N'MS_Description', ") + target + column
                  << QStringLiteral("go");
        }
    }
}

} // namespace qv::table
