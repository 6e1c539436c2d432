#include "connection/index_maintenance.h"

#include "app/qvstrings.h"
#include "connection/catalog_queries.h"
#include "platform/exceptions.h"

#include <cmath>

namespace qv::index {

namespace {
const QString CRLF = QStringLiteral("\r\n");
const QChar Ideo(0x3000);

QString Q(const QString& name) { return QuoteIdentifier(name); }

QString Table(const actions::Row& r, bool typeListLevel)
{
    return Q(r.schema()) + QStringLiteral(".") + Q(actions::IndexTable(r, typeListLevel));
}

QString Head(const actions::Row& r, bool typeListLevel)
{
    return QStringLiteral("alter index ") + Q(r.name) + QStringLiteral(" on ") + Table(r, typeListLevel);
}

QString Tail(const QString& what)
{
    return QStringList{QString(), QStringLiteral("※混合エクステントや小さなインデックスを対象とした"),
                       Ideo + what + QStringLiteral("である場合に断片化が解消されないことがあります。"),
                       Ideo + QStringLiteral("このような場合に断片化を解消する必要があれば、"),
                       Ideo + QStringLiteral("インデックスの再作成を検討してください。")}
        .join(CRLF);
}
} // namespace

Choice Decide(double f, int reorganize, int rebuild)
{
    if (f >= rebuild / 100.0)
        return Choice::Rebuild;
    if (f >= reorganize / 100.0)
        return Choice::Reorganize;
    return Choice::None;
}

bool ReadFraction(const QString& text, double& f)
{
    bool ok = false;
    f = text.trimmed().toDouble(&ok);
    return ok;
}

QString ReorganizeSql(const actions::Row& r, bool typeListLevel)
{
    return Head(r, typeListLevel) + QStringLiteral(" reorganize");
}

QString RebuildSql(const actions::Row& r, bool typeListLevel, bool online)
{
    return Head(r, typeListLevel) + (online ? QStringLiteral(" rebuild with (online = on)") : QStringLiteral(" rebuild"));
}

QString KeyColumnsSql(const QString& database)
{
    return catalog::UseText(database) +
           QStringLiteral(" select b.name from sysindexes a, syscolumns b, sysindexkeys c  where a.id    = b.id    and "
                          "b.id    = c.id    and a.indid = c.indid    and b.colid = c.colid    and b.id    = "
                          "object_id(:OWNER + '.' + :TABLENAME)    and a.name  = :IDXNAME");
}

QString IndexDefragSql(const actions::Row& r, bool typeListLevel)
{
    // The table goes as a literal: DBCC takes a schema-qualified name only as a string.
    return QStringLiteral("DBCC INDEXDEFRAG (") + Q(r.database()) + QStringLiteral(",N") +
           QuoteLiteral(Table(r, typeListLevel)) + QStringLiteral(",") + Q(r.name) + QStringLiteral(")");
}

bool OnlineEdition(qint64 id) { return id == 1804890536LL || id == -2117995310LL || id == 610778273LL; }

QString ConfirmText(Command c, int dbVer, int reorganize, int rebuild)
{
    switch (c) {
    case Command::Reorganize: return QStringLiteral("インデックスを再編成しますか？\r\n(ALTER INDEX REORGANIZE)");
    case Command::Rebuild:
        return QStringLiteral("インデックスを再構築しますか？") +
               (dbVer >= 9 ? QStringLiteral("\r\n(ALTER INDEX REBUILD)") : QStringLiteral("\r\n(DBCC INDEXDEFRAG)"));
    case Command::Automatic:
        return QStringLiteral("下記の閾値でインデックスを再編成/再構築しますか？\r\n\r\n※再編成(ALTER INDEX REORGANIZE)：") +
               QString::number(reorganize) + QStringLiteral("%以上") + CRLF + Ideo + QStringLiteral("再構築(") +
               (dbVer >= 9 ? QStringLiteral("ALTER INDEX REBUILD") : QStringLiteral("DBCC INDEXDEFRAG")) +
               QStringLiteral(")：") + QString::number(rebuild) + QStringLiteral("%以上");
    }
    return QString();
}

QString OnlineCaption(Command c)
{
    return c == Command::Automatic ? QStringLiteral("再構築をONLINEで実行( WITH (ONLINE = ON) )")
                                   : QStringLiteral("ONLINEで実行( WITH (ONLINE = ON) )");
}

QString DoneText(Command c, int reorganize, int rebuild)
{
    switch (c) {
    case Command::Reorganize: return QStringLiteral("インデックスの再編成が完了しました。") + CRLF + Tail(QStringLiteral("再編成"));
    case Command::Rebuild: return QStringLiteral("インデックスの再構築が完了しました。") + CRLF + Tail(QStringLiteral("再構築"));
    case Command::Automatic:
        return QStringLiteral("下記の閾値でインデックスが再編成/再構築されました。") + CRLF + QStringLiteral("(※再編成：") +
               QString::number(reorganize) + QStringLiteral("%以上") + Ideo + QStringLiteral("再構築：") +
               QString::number(rebuild) + QStringLiteral("%以上)") + CRLF + Tail(QStringLiteral("再編成/再構築"));
    }
    return QString();
}

QString NothingToDoText(int reorganize, int rebuild)
{
    return QStringLiteral("再編成/再構築の対象がありませんでした。") + CRLF + QStringLiteral("(※閾値") + Ideo +
           QStringLiteral("再編成：") + QString::number(reorganize) + QStringLiteral("%以上") + Ideo +
           QStringLiteral("再構築：") + QString::number(rebuild) + QStringLiteral("%以上)");
}

RunResult Run(const QList<actions::Row>& rows, const RunInput& in, const Hooks& hooks)
{
    RunResult out;
    auto put = [&](const actions::Row& r, const QString& sql) {
        if (in.showDDL) {
            out.script << catalog::UseText(r.database()).trimmed() << QStringLiteral("go") << sql << QStringLiteral("go");
        } else {
            hooks.execute(catalog::UseText(r.database()) + sql);
        }
        ++out.statements;
    };
    const int n = static_cast<int>(rows.size());
    for (int i = 0; i < n; ++i) {
        if (hooks.escape && hooks.escape()) {
            out.stopped = true;
            break;
        }
        if (hooks.progress)
            hooks.progress(i + 1, n);
        const actions::Row& r = rows.at(i);
        try {
            switch (in.command) {
            case Command::Reorganize:
                if (in.dbVer >= 9)
                    put(r, ReorganizeSql(r, in.typeListLevel));
                break;
            case Command::Rebuild:
                if (in.dbVer >= 9) {
                    put(r, RebuildSql(r, in.typeListLevel, in.online));
                } else if (hooks.hasKeyColumns && hooks.hasKeyColumns(r)) {
                    if (hooks.commit)
                        hooks.commit();
                    const QString sql = IndexDefragSql(r, in.typeListLevel);
                    if (in.showDDL)
                        out.script << sql;
                    else
                        hooks.execute(sql);
                    ++out.statements;
                    if (hooks.startTransaction)
                        hooks.startTransaction();
                }
                break;
            case Command::Automatic: {
                double f = 0;
                if (!ReadFraction(r.sub.value(4), f))
                    throw Exception(QStringLiteral("'%1' は数値ではありません。").arg(r.sub.value(4)));
                if (in.dbVer < 9)
                    break;
                switch (Decide(f, in.reorganize, in.rebuild)) {
                case Choice::Rebuild: put(r, RebuildSql(r, in.typeListLevel, in.online)); break;
                case Choice::Reorganize: put(r, ReorganizeSql(r, in.typeListLevel)); break;
                case Choice::None: break;
                }
                break;
            }
            }
            out.handled << i;
        } catch (...) {
            // With errors ignored the failed row stays selected and the loop goes on.
            if (!in.ignoreErrors) {
                out.error = std::current_exception();
                break;
            }
            out.failures << actions::DeleteFailure{i, actions::ErrorText(std::current_exception())};
        }
    }
    return out;
}

Bar FragmentBar(double f, const QRect& cell, int reorganize, int rebuild)
{
    Bar b;
    b.frame = cell.adjusted(0, 2, 0, -2);
    const QRect inner = b.frame.adjusted(2, 2, -2, -2);
    const double clamped = qBound(0.0, f, 1.0);
    // A small allowance so that 0.29 (stored just below) counts as 29, not 28.
    const int width = static_cast<int>(std::floor(clamped * inner.width() + 1e-9));
    b.bar = QRect(inner.left(), inner.top(), width, inner.height());
    switch (Decide(f, reorganize, rebuild)) {
    case Choice::None: b.colour = QColor(0, 0, 255); break;
    case Choice::Reorganize: b.colour = QColor(255, 255, 0); break;
    case Choice::Rebuild: b.colour = QColor(255, 0, 0); break;
    }
    b.text = QString::number(static_cast<qint64>(std::floor(f * 100 + 1e-9))) + QStringLiteral("%");
    return b;
}

QString PagesText(const QString& figure)
{
    bool ok = false;
    const double v = figure.trimmed().toDouble(&ok);
    if (!ok)
        return QString();
    return QString::number(v * 100, 'g', 15);
}

} // namespace qv::index
