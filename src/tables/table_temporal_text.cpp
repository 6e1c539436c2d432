#include "tables/table_temporal_text.h"

#include "app/qvstrings.h"
#include "tables/define_text.h"
#include "tables/table_ddl.h"

namespace qv::table {

namespace {

QString Text(const QVariantList& row, int i) { return i < row.size() ? row.at(i).toString() : QString(); }

bool Flag(const QVariantList& row, int i)
{
    const QString t = Text(row, i).trimmed();
    return t == u"1" || t.compare(u"true", Qt::CaseInsensitive) == 0;
}

using Failure = TemporalCheckFailure;

Failure Fail(const QString& message, Failure::Page page = Failure::Page::Current, Failure::Focus focus = Failure::Focus::None)
{
    return Failure{message, page, focus};
}

} // namespace

int TemporalType(const QVariantList& row) { return Text(row, 0).trimmed().toInt(); }

TemporalSettings TemporalFromRow(const QVariantList& row)
{
    TemporalSettings s;
    s.versioned = TemporalType(row) == 2;
    s.historySchema = Text(row, 1);
    s.historyTable = Text(row, 2);
    s.startColumn = Text(row, 3);
    s.startHidden = Flag(row, 5);
    s.endColumn = Text(row, 6);
    s.endHidden = Flag(row, 8);
    return s;
}

QStringList PeriodColumnCandidates(const QList<TableColumn>& columns)
{
    QStringList names;
    for (const TableColumn& c : columns)
        if (!c.name.isEmpty() && c.type == u"datetime2" && c.notNull)
            names << c.name;
    return names;
}

std::optional<TemporalCheckFailure> CheckTemporalSettings(bool exists, bool otherPageActive, const QString& schema,
                                                          const QString& table, const TemporalSettings& s,
                                                          const QList<TableColumn>& columns)
{
    using P = Failure::Page;
    using F = Failure::Focus;
    if (exists && otherPageActive)
        return Fail(QStringLiteral("テンポラルテーブルとして作成する場合は、権限タブとテンポラルタブ以外の情報を変更できません。"));
    if (s.historySchema == schema && s.historyTable == table)
        return Fail(QStringLiteral("履歴テーブルには別のテーブルを指定してください。"), P::Temporal, F::HistoryTable);
    if (s.startColumn.isEmpty())
        return Fail(QStringLiteral("テンポラルタブの期間開始列を入力して下さい。"), P::Temporal, F::StartColumn);
    if (s.endColumn.isEmpty())
        return Fail(QStringLiteral("テンポラルタブの期間終了列を入力して下さい。"), P::Temporal, F::EndColumn);
    if (s.startColumn == s.endColumn)
        return Fail(QStringLiteral("期間開始列と期間終了列は別の項目を指定してください。"), P::Temporal, F::StartColumn);
    bool primary = false, start = false, end = false;
    for (const TableColumn& c : columns) {
        primary = primary || c.primary;
        for (const bool isStart : {true, false}) {
            if (c.name != (isStart ? s.startColumn : s.endColumn))
                continue;
            const QString word = isStart ? QStringLiteral("期間開始列") : QStringLiteral("期間終了列");
            if (c.type.trimmed().toUpper() != u"DATETIME2" || !c.notNull)
                return Fail(QStringLiteral("テンポラルテーブルとして作成する場合は、%1にデータ型が[datetime2]かつ必須の項目を指定してください。")
                                .arg(word),
                            P::Define);
            if (!c.mask.isEmpty())
                return Fail(QStringLiteral("テンポラルテーブルとして作成する場合は、%1に動的データマスクを設定した項目を指定できません。").arg(word),
                            P::Temporal, isStart ? F::StartColumn : F::EndColumn);
            (isStart ? start : end) = true;
        }
    }
    if (!primary)
        return Fail(QStringLiteral("テンポラルテーブルとして作成する場合は、主キーを設定して下さい。"), P::Define);
    if (!start)
        return Fail(QStringLiteral("期間開始列には存在する項目を設定してください。"), P::Temporal, F::StartColumn);
    if (!end)
        return Fail(QStringLiteral("期間終了列には存在する項目を設定してください。"), P::Temporal, F::EndColumn);
    return std::nullopt;
}

QString VersioningClause(const TemporalSettings& s)
{
    if (!s.historySchema.isEmpty() && !s.historyTable.isEmpty())
        return QStringLiteral("(SYSTEM_VERSIONING = ON (HISTORY_TABLE = ") + QuoteIdentifier(s.historySchema) + u'.' +
               QuoteIdentifier(s.historyTable) + QStringLiteral(", DATA_CONSISTENCY_CHECK = ") +
               (s.consistency ? QStringLiteral("ON))") : QStringLiteral("OFF))"));
    return QStringLiteral("(SYSTEM_VERSIONING = ON)");
}

QString PeriodColumnLine(const TableColumn& c, bool start, bool hidden)
{
    const QString quoted = QuoteIdentifier(c.name);
    QString line = QStringLiteral("    ") + quoted;
    if (c.name.size() < 31)
        line += QString(qMax(0, 31 - DisplayWidth(quoted)), u' ');
    else
        line += u' ';
    line += c.type;
    if (!c.length.isEmpty())
        line += u'(' + c.length + u')';
    if (!c.collation.isEmpty())
        line += QStringLiteral(" COLLATE ") + c.collation + u' ';
    line += start ? QStringLiteral(" GENERATED ALWAYS AS ROW START") : QStringLiteral(" GENERATED ALWAYS AS ROW END");
    if (hidden)
        line += QStringLiteral(" HIDDEN");
    if (!c.defaultValue.isEmpty()) {
        if (c.defaultValue.toUpper().contains(u"IDENTITY("))
            line += u' ' + c.defaultValue;
        else
            line += QStringLiteral(" DEFAULT ") + DefaultValueText(c.defaultValue, c.type);
    }
    line += c.notNull ? QStringLiteral(" NOT NULL") : QStringLiteral(" NULL");
    return line + u',';
}

QString TemporalTypeQuery()
{
    return QStringLiteral("select temporal_type from sys.tables where object_id = object_id(quotename(:OWNER) + '.' + "
                          "quotename(:NAME))");
}

QString PeriodDefaultsQuery(bool azure)
{
    if (azure)
        return QStringLiteral("select a.name from sys.default_constraints a inner join syscolumns b on a.parent_object_id = "
                              "b.id and parent_column_id = b.colid where a.parent_object_id = object_id(:TABLE) and "
                              "(b.name = :ST_COL or b.name = :ED_COL)");
    return QStringLiteral("select object_name(a.constid) from sysconstraints a inner join syscolumns b on a.colid = "
                          "b.colid and a.id = b.id inner join sysobjects c on a.constid = c.id and c.xtype = 'D' where "
                          "a.id = object_id(:TABLE) and (b.name = :ST_COL or b.name = :ED_COL)");
}

bool AppendTemporalScript(QStringList& lines, const TemporalChange& change, const TemporalLookups& look)
{
    const TemporalSettings& now = change.now;
    const TemporalSettings& was = change.loaded;
    const bool valuesSame = now.historySchema == was.historySchema && now.historyTable == was.historyTable &&
                            now.startColumn == was.startColumn && now.endColumn == was.endColumn;
    const bool boxesSame = now.versioned == was.versioned && now.startHidden == was.startHidden &&
                           now.endHidden == was.endHidden;
    if (valuesSame && boxesSame)
        return true;
    const QString a = QStringLiteral("ALTER TABLE ") + QuoteIdentifier(change.schema) + u'.' + QuoteIdentifier(change.table);
    const QString go = QStringLiteral("go");
    QStringList out{DatabaseSwitchLine(change.database), go};

    if (!now.versioned) {
        // Only a versioned table has versioning to stop.
        if (!was.versioned)
            return true;
        out << a + QStringLiteral(" SET (SYSTEM_VERSIONING = OFF)") << go;
        if (look.askDropPeriod && look.askDropPeriod())
            out << a + QStringLiteral(" DROP PERIOD FOR SYSTEM_TIME") << go;
        lines << out;
        return true;
    }

    const bool versionedNow = look.versionedNow && look.versionedNow();
    QString oldStart = now.startColumn, oldEnd = now.endColumn;
    if (versionedNow) {
        out << a + QStringLiteral(" SET (SYSTEM_VERSIONING = OFF)") << go;
        oldStart = was.startColumn;
        oldEnd = was.endColumn;
    }
    const bool periodSame = now.startColumn == was.startColumn && now.endColumn == was.endColumn &&
                            now.startHidden == was.startHidden && now.endHidden == was.endHidden;
    if (!periodSame) {
        if (!look.askRecreateColumns || !look.askRecreateColumns())
            return false;
        if (versionedNow)
            out << a + QStringLiteral(" DROP PERIOD FOR SYSTEM_TIME") << go;
        const QStringList defaults = look.defaultConstraints ? look.defaultConstraints(oldStart, oldEnd) : QStringList();
        if (!defaults.isEmpty()) {
            QStringList quoted;
            for (const QString& d : defaults)
                quoted << QuoteIdentifier(d);
            out << a + QStringLiteral(" DROP CONSTRAINT ") << quoted.join(QStringLiteral(", ")) << go;
        }
        out << a + QStringLiteral(" DROP COLUMN ") + QuoteIdentifier(oldStart) + QStringLiteral(", ") + QuoteIdentifier(oldEnd)
            << go;
        out << a + QStringLiteral(" ADD ");
        QList<const TableColumn*> period;
        for (const TableColumn& c : change.columns) {
            if (c.name.isEmpty())
                continue;
            const bool start = c.name == now.startColumn;
            if (!start && c.name != now.endColumn)
                continue;
            out << PeriodColumnLine(c, start, start ? now.startHidden : now.endHidden);
            period << &c;
        }
        out << QStringLiteral("    PERIOD FOR SYSTEM_TIME (") + QuoteIdentifier(now.startColumn) + u',' +
                   QuoteIdentifier(now.endColumn) + u')'
            << go;
        for (const TableColumn* c : period)
            if (!c->comment.isEmpty())
                out << QStringLiteral("EXEC sp_addextendedproperty N'MS_Description', N") + QuoteLiteral(c->comment) +
                           QStringLiteral(", N") + QuoteLiteral(QStringLiteral("schema")) + QStringLiteral(", N") +
                           QuoteLiteral(change.schema) + QStringLiteral(", N'table', N") + QuoteLiteral(change.table) +
                           QStringLiteral(", N'column', N") + QuoteLiteral(c->name)
                    << go;
    }
    out << a + QStringLiteral(" SET ") + VersioningClause(now) << go;
    lines << out;
    return true;
}

} // namespace qv::table
