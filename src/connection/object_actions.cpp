#include "connection/object_actions.h"

#include "app/qvstrings.h"
#include "platform/exceptions.h"

#include <algorithm>

namespace qv::actions {

namespace {
QString Q(const QString& name) { return QuoteIdentifier(name); }

// A name as an N'…' literal.
QString NLit(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }

bool Meets(const QList<int>& types, std::initializer_list<int> set)
{
    return std::any_of(types.begin(), types.end(),
                       [&](int t) { return std::find(set.begin(), set.end(), t) != set.end(); });
}

bool In(int v, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), v) != set.end(); }

} // namespace

QString ErrorText(std::exception_ptr e)
{
    try {
        std::rethrow_exception(e);
    } catch (const qv::Exception& x) {
        return x.message();
    } catch (const std::exception& x) {
        return QString::fromUtf8(x.what());
    } catch (...) {
    }
    return QString();
}

bool OnTypeListLevel(int treeLevel, int treeSort)
{
    return (treeSort == 0 && treeLevel == 2) || (treeSort == 1 && (treeLevel == 1 || treeLevel == 2));
}

QString IndexTable(const Row& r, bool typeListLevel) { return r.sub.value(typeListLevel ? 3 : 5); }

QString ConstraintTableSql(const Row& r)
{
    return QStringLiteral("select object_name(parent_obj) from sysobjects where id = object_id(") +
           NLit(Q(r.schema()) + QStringLiteral(".") + Q(r.name)) + QStringLiteral(")");
}

ActionStates ComputeListStates(const EnableInputs& in)
{
    ActionStates s;
    auto& e = s.enabled;
    auto& v = s.visible;
    const QList<int>& T = in.selectedTypes;
    const bool any = !T.isEmpty();
    const int first = any ? T.first() : -1;

    const bool newVisible = in.treeNodeSelected && in.onListingLevel;
    v[QStringLiteral("actNew")] = newVisible;
    v[QStringLiteral("mnuNew1")] = !newVisible;
    for (const char* n : {"actOpen", "actCopy", "actDelete", "actGrant", "actMatrix", "actAnalyze", "actExport",
                          "actAddWorkSpace", "actIndexRebuild"})
        e[QLatin1String(n)] = any;
    const bool definable = Meets(T, {45, 46, 47, 51, 52, 57, 58, 60, 66});
    for (const char* n : {"actOpenDefine", "actOpenSource", "actScript", "actPrint"})
        e[QLatin1String(n)] = definable;
    const bool data = any && Meets(T, {45, 47});
    e[QStringLiteral("actOpenData")] = data;
    e[QStringLiteral("actOpenDataTop")] = data;
    e[QStringLiteral("actExec")] = any && Meets(T, {51, 52});
    e[QStringLiteral("actSynonym")] = any && Meets(T, {45, 47, 51, 52});
    e[QStringLiteral("actCross")] = any && Meets(T, {45, 47, 51, 52, 57, 58});
    e[QStringLiteral("actComment")] = any && Meets(T, {51, 52, 57});
    e[QStringLiteral("actLoad")] = any && !in.azure && Meets(T, {45, 46, 47});
    e[QStringLiteral("actPaste")] = in.clipboardHasEntries;
    e[QStringLiteral("mnuReport")] = in.reportItems > 0 && any;
    e[QStringLiteral("mnuCommand")] = in.commandItems > 0;
    const bool constraint = first == 66;
    v[QStringLiteral("actConstEnable")] = constraint;
    v[QStringLiteral("actConstDisable")] = constraint;
    v[QStringLiteral("actIndexFragment")] = any && in.fragmentFlg;
    e[QStringLiteral("actIndexFragment")] = any && in.fragmentFlg && in.fragmentGflg;
    const bool alterIndex = any && in.dbVer >= 9 && !in.azure;
    e[QStringLiteral("actIndexReorganize")] = alterIndex;
    e[QStringLiteral("actIndexThreshold")] = alterIndex && in.showFragmentDown;
    e[QStringLiteral("mnuGrant")] =
        any && !(In(in.treeNodeImage, {46, 57, 66}) && In(first, {46, 57, 66}));
    return s;
}

bool ReportItemEnabled(int tag, const QList<int>& selectedTypes)
{
    return tag == 0 || Meets(selectedTypes, {45, 47});
}

bool NewSynonymEnabled(int dbVer) { return dbVer > 8; }

bool NewSequenceEnabled(int dbVer, bool azure) { return dbVer > 10 && !azure; }

bool IsDatabaseNode(int image) { return In(image, {1, 116, 137}); }

ActionStates ComputeTreeStates(int nodeImage, bool azure, bool onListingLevel)
{
    ActionStates s;
    const bool db = IsDatabaseNode(nodeImage);
    s.visible[QStringLiteral("actNew")] = nodeImage >= 0 && onListingLevel;
    for (const char* n : {"actLogon", "mnuTB1", "actUser", "actStorage", "actSession", "actLock", "actJob", "actDetach",
                          "actDatabase", "actBackUp", "actRestore"})
        s.visible[QLatin1String(n)] = db;
    s.visible[QStringLiteral("actDBExport")] = nodeImage == 1 || nodeImage == 3;
    for (const char* n : {"actSession", "actStorage", "actLock", "actJob", "actBackUp", "actRestore", "actDetach"})
        s.enabled[QLatin1String(n)] = !azure;
    return s;
}

QString DropStatement(const Row& r, bool azure, bool typeListLevel)
{
    const QString qualified = Q(r.schema()) + QStringLiteral(".") + Q(r.name);
    switch (r.type) {
    case 45: return QStringLiteral("drop table ") + qualified;
    case 46: {
        const QString table = IndexTable(r, typeListLevel);
        if (azure)
            return QStringLiteral("drop index ") + Q(r.name) + QStringLiteral(" ON ") + Q(r.schema()) + QStringLiteral(".") +
                   Q(table);
        return QStringLiteral("drop index ") + Q(r.schema()) + QStringLiteral(".") + Q(table) + QStringLiteral(".") + Q(r.name);
    }
    case 47: return QStringLiteral("drop view ") + qualified;
    case 51: return QStringLiteral("drop procedure ") + qualified;
    case 52: return QStringLiteral("drop function ") + qualified;
    case 57: return QStringLiteral("drop trigger ") + qualified;
    case 58: return QStringLiteral("drop sequence ") + qualified;
    case 60: return QStringLiteral("drop synonym ") + qualified;
    case 66:
        return QStringLiteral("alter table ") + Q(r.schema()) + QStringLiteral(".") + Q(r.sub.value(4)) +
               QStringLiteral(" DROP CONSTRAINT ") + Q(r.name);
    default: return QString();
    }
}

QString IndexIsConstraintSql(const QString& indexName)
{
    return QStringLiteral(" select Count(*) cnt from sysobjects") + QStringLiteral(" where name = N") + QuoteLiteral(indexName);
}

QString RenameStatement(const Row& r, const QString& newName, bool indexOfConstraint, bool typeListLevel)
{
    QString old = Q(r.schema()) + QStringLiteral(".");
    QString kind = QStringLiteral("OBJECT");
    if (r.type == 46 && !indexOfConstraint) {
        old += Q(IndexTable(r, typeListLevel)) + QStringLiteral(".");
        kind = QStringLiteral("INDEX");
    }
    old += Q(r.name);
    return QStringLiteral("exec sp_rename ") + NLit(old) + QStringLiteral(",") + NLit(newName) + QStringLiteral(",N'") + kind +
           QStringLiteral("'");
}

bool Renamable(int type) { return In(type, {45, 46, 58, 60, 66}); }

QString ConstraintSwitchStatement(const Row& r, bool enable)
{
    return QStringLiteral("ALTER TABLE ") + Q(r.schema()) + QStringLiteral(".") + Q(r.sub.value(4)) +
           (enable ? QStringLiteral(" CHECK CONSTRAINT ") : QStringLiteral(" NOCHECK CONSTRAINT ")) + Q(r.name);
}

QString DetachStatement(const QString& database, bool updateStatistics, bool dropFullText, int dbVer)
{
    // sp_detach_db @dbname, @skipchecks ('false' runs UPDATE STATISTICS), @keepfulltextindexfile.
    QString sql = QStringLiteral("sp_detach_db ") + Q(database) + QStringLiteral(",") +
                  (updateStatistics ? QStringLiteral("false") : QStringLiteral("true"));
    if (dbVer > 8)
        sql += dropFullText ? QStringLiteral(", false") : QStringLiteral(", true");
    return sql;
}

QString LoadLines(const QList<Row>& rows)
{
    QString text;
    for (const Row& r : rows)
        text += r.database().trimmed() + QStringLiteral(".") + r.schema().trimmed() + QStringLiteral(".") + r.name.trimmed() +
                QStringLiteral("\r\n");
    return text;
}

DeleteOutcome RunDelete(const QList<Row>& rows, bool ignoreErrors, const DeleteHooks& hooks)
{
    DeleteOutcome out;
    std::vector<bool> selected(static_cast<size_t>(rows.size()), true);
    QHash<int, QString> failed;
    auto selectedCount = [&] { return static_cast<int>(std::count(selected.begin(), selected.end(), true)); };
    int left = selectedCount();
    while (left > 0) {
        ++out.passes;
        const int atStart = left;
        int i = 0;
        for (int idx = 0; idx < rows.size(); ++idx) {
            if (!selected[static_cast<size_t>(idx)])
                continue;
            if (hooks.escape && hooks.escape()) {
                out.stopped = true;
                break;
            }
            if (hooks.progress)
                hooks.progress(++i, atStart);
            try {
                if (hooks.drop)
                    hooks.drop(rows.at(idx));
                selected[static_cast<size_t>(idx)] = false;
                failed.remove(idx);
                out.deleted << idx;
            } catch (...) {
                if (selectedCount() == 1 || !ignoreErrors) {
                    out.error = std::current_exception();
                    out.errorRow = idx;
                    break;
                }
                failed[idx] = ErrorText(std::current_exception());
            }
        }
        if (out.stopped || out.error)
            break;
        left = selectedCount();
        if (left == atStart)
            break;
    }
    for (int idx = 0; idx < rows.size(); ++idx)
        if (failed.contains(idx) && selected[static_cast<size_t>(idx)])
            out.failures << DeleteFailure{idx, failed.value(idx)};
    return out;
}

QString NamedError(const Row& r, const QString& message)
{
    return r.schema().isEmpty() ? r.name + QStringLiteral(": ") + message
                                : r.schema() + QStringLiteral(".") + r.name + QStringLiteral(": ") + message;
}

QString FailureText(const QString& heading, const QList<Row>& rows, const QList<DeleteFailure>& failures)
{
    QStringList lines{heading, QString()};
    for (const DeleteFailure& f : failures)
        lines << NamedError(rows.value(f.row), f.message.trimmed());
    return lines.join(QStringLiteral("\r\n"));
}

QString DeleteFailureText(const QList<Row>& rows, const QList<DeleteFailure>& failures)
{
    return FailureText(QStringLiteral("次のオブジェクトを削除できませんでした。"), rows, failures);
}

int AddToWorkSpace(QList<TqvObjectEntry>& list, const QList<Row>& rows, const QString& connect)
{
    int added = 0;
    for (const Row& r : rows) {
        const bool known = std::any_of(list.begin(), list.end(), [&](const TqvObjectEntry& e) {
            return e.ObjectType == r.type && e.ObjectName == r.name && e.DataBase == r.database() &&
                   e.Schema == r.schema() && e.Connect == connect;
        });
        if (known)
            continue;
        TqvObjectEntry e;
        e.ObjectType = r.type;
        e.Title = r.name + QStringLiteral(" (") + r.database() + QStringLiteral(")");
        e.ObjectName = r.name;
        e.DataBase = r.database();
        e.Schema = r.schema();
        e.Connect = connect;
        list << e;
        ++added;
    }
    return added;
}

} // namespace qv::actions
