#include "connection/object_paste.h"

#include "app/message_box.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "app/wait_cursor.h"
#include "connection/catalog_queries.h"
#include "connection/ddl_exec.h"
#include "connection/ddl_preview.h"
#include "connection/object_script_commands.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "platform/db/query.h"
#include "platform/messages.h"
#include "platform/textcodec.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QTreeWidget>

namespace qv {

QList<TCopyObjectList>& CopyObjectList()
{
    static QList<TCopyObjectList> list;
    return list;
}

QString CopyObjects(TObjectSession& session, QTreeWidget* list, bool* refused)
{
    CopyObjectList().clear();
    *refused = false;
    QStringList names;
    for (QTreeWidgetItem* row : SelectedRows(list)) {
        const auto type = TObjectTypeCode(row->data(0, Qt::UserRole).toInt());
        if (type == ObjType::Table && session.DBVer >= 13 && !session.IsAzure) {
            db::Query* q = session.OpenSQL(
                QStringLiteral("select temporal_type from sys.tables where object_id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))"),
                {row->text(2), row->text(0)});
            const bool temporal = !q->Eof() && q->Fields().at(0)->AsInteger() == 2;
            q->Close();
            if (temporal) {
                *refused = true;
                continue;
            }
        }
        names << row->text(0);
        CopyObjectList().append({row->text(1), row->text(2), row->text(0), type});
    }
    return names.join(QStringLiteral("\r\n"));
}

QString PasteIndexListSql(bool azure, const QString& database)
{
    if (azure)
        return catalog::UseText(database) +
               QStringLiteral("select a.name, N'IX' from sys.indexes a "
                              "where a.object_id = object_id(quotename(:OWNER) + N'.' + quotename(:TABLENAME)) "
                              "and a.index_id > 0 and a.name not like N'\\_WA\\_Sys%' escape N'\\'");
    return catalog::UseText(database) +
           QStringLiteral("select a.name, xtype from sysindexes as a "
                          "left outer join sysobjects as b "
                          "on a.name = b.name and b.parent_obj = object_id(quotename(:OWNER) + N'.' + quotename(:TABLENAME)) "
                          "where a.id = object_id(quotename(:OWNER) + N'.' + quotename(:TABLENAME)) and a.indid between 1 and 254 and "
                          "((b.xtype is null) or not(b.xtype = 'FK')) "
                          "and a.name not like N'\\_WA\\_Sys%' escape N'\\'");
}

QString PasteColumnsSql(const QString& database)
{
    return catalog::UseText(database) +
           QStringLiteral("SELECT name, COLUMNPROPERTY(id, name, 'IsIdentity') from syscolumns "
                          "where id = object_id(quotename(:OWNER) + '.' + quotename(:NAME)) ORDER BY colid");
}

namespace {

void ReplaceIn(QString& line, const QString& from, const QString& to)
{
    const qsizetype at = line.indexOf(from);
    if (at >= 0)
        line.replace(at, from.size(), to);
}

} // namespace

QStringList BuildPasteScript(const ScriptContext& context, const TCopyObjectList& e, const PasteTarget& t)
{
    TObjectSession& session = *context.session;
    const auto Q = [](const QString& s) { return QuoteIdentifier(s); };
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    OutputScript(context, e.ObjectType, e.Database, e.Schema, e.ObjectName, &buffer, t.schema, t.name, false, {});
    QStringList L = SplitTextLines(TextEncoding::get(TextEncoding::Utf16LE).decode(buffer.data()));
    if (L.isEmpty())
        return L;

    const QString useTarget = QStringLiteral("use ") + QuoteIdentifier(t.database, true);
    if (session.IsAzure) {
        L.prepend(QStringLiteral("go"));
        L.prepend(useTarget);
    }
    RemoveDuplicateUse(L);
    if (L.first().left(4).compare(QLatin1String("use "), Qt::CaseInsensitive) == 0)
        L[0] = useTarget;
    else
        L = QStringList{useTarget, QStringLiteral("go")} + L;

    const QString oldName = Q(e.ObjectName);
    const QString newName = Q(t.name);
    switch (e.ObjectType) {
    case ObjType::Table:
    case ObjType::Synonym:
        if (L.size() > 2)
            L[2] = QStringLiteral("CREATE ") + GetObjectTypeName(e.ObjectType) + QLatin1Char(' ') + Q(t.schema) +
                   QLatin1Char('.') + newName;
        break;
    case ObjType::Index:
        if (L.size() > 2 && L[2].contains(QStringLiteral("INDEX ") + oldName)) {
            ReplaceIn(L[2], QStringLiteral("INDEX ") + oldName, QStringLiteral("INDEX ") + newName);
            if (L.size() > 3)
                ReplaceIn(L[3], QStringLiteral("ON ") + Q(e.Schema), QStringLiteral("ON ") + Q(t.schema));
        }
        break;
    case ObjType::Constraint:
        for (QString& line : L)
            if (line.contains(QStringLiteral("ALTER TABLE ") + Q(e.Schema))) {
                ReplaceIn(line, QStringLiteral("ALTER TABLE ") + Q(e.Schema), QStringLiteral("ALTER TABLE ") + Q(t.schema));
                ReplaceIn(line, QStringLiteral("CONSTRAINT ") + oldName, QStringLiteral("CONSTRAINT ") + newName);
            }
        break;
    default:
        break;
    }

    if (e.ObjectType != ObjType::Table)
        return L;
    const QString T = Q(e.Schema) + QLatin1Char('.') + oldName;
    const QString U = Q(t.schema) + QLatin1Char('.') + newName;
    for (int i = 0; i < L.size(); ++i)
        for (const auto& [O, M] : t.indexNames) {
            const QString constraint = QStringLiteral("ALTER TABLE ") + T + QStringLiteral(" ADD CONSTRAINT ") + Q(O);
            if (L[i].contains(constraint)) {
                ReplaceIn(L[i], constraint, QStringLiteral("ALTER TABLE ") + U + QStringLiteral(" ADD CONSTRAINT ") + Q(M));
            } else if (L[i].contains(QStringLiteral("INDEX ") + Q(O))) {
                ReplaceIn(L[i], QStringLiteral("INDEX ") + Q(O), QStringLiteral("INDEX ") + Q(M));
                if (i + 1 < L.size() && L[i + 1].contains(QStringLiteral("ON ") + T))
                    L[i + 1] = QStringLiteral("ON ") + U +
                               (L[i + 1].contains(QStringLiteral("DISABLE")) ? QStringLiteral(" DISABLE") : QString());
            }
        }

    if (t.data) {
        QStringList columns;
        bool identity = false;
        db::Query* q = session.OpenSQL(PasteColumnsSql(e.Database), {e.Schema, e.ObjectName});
        for (q->First(); !q->Eof(); q->Next()) {
            columns << Q(q->Fields().at(0)->AsString());
            if (q->Fields().at(1)->AsString().trimmed() == QLatin1String("1"))
                identity = true;
        }
        q->Close();
        if (!columns.isEmpty()) {
            const QString list = columns.join(QStringLiteral(", "));
            if (identity)
                L << QStringLiteral("SET IDENTITY_INSERT ") + U + QStringLiteral(" ON") << QStringLiteral("go");
            L << QStringLiteral("INSERT INTO ") + U << QStringLiteral("  (") + list + QLatin1Char(')')
              << QStringLiteral("  SELECT ") + list + QStringLiteral(" FROM ") + QuoteIdentifier(e.Database, true) +
                     QLatin1Char('.') + T
              << QStringLiteral("go");
            if (identity)
                L << QStringLiteral("SET IDENTITY_INSERT ") + U + QStringLiteral(" OFF") << QStringLiteral("go");
        }
    }
    return L;
}

// ---- the command ----------------------------------------------------------------------------

PasteHooks& ObjectPasteHooks()
{
    static PasteHooks hooks;
    return hooks;
}

namespace {

// Target database and default schema of the tree selection; schema keeps its value where the
// node does not set it.
void TargetOf(TfrmObject* w, QString& database, QString& schema)
{
    TObjectSession& s = *w->session();
    QTreeWidgetItem* node = w->lstTree->currentItem();
    if (!node)
        return;
    const int image = node->data(0, Qt::UserRole).toInt();
    auto ownSchemaImage = [](int i) {
        return i == ObjType::OwnUser || i == ObjType::OwnDatabase || i == ObjType::AzureDatabase;
    };
    if (image == ObjType::User || ownSchemaImage(image)) {
        database = node->text(0);
        if (image != ObjType::User)
            schema = s.GetCurrentSchema();
    } else if (image == ObjType::Database) {
        database = node->parent() ? node->text(0) : s.g_DataBase;
    } else if (w->btnTree2->isChecked()) {
        database = s.g_DataBase;
        schema = s.GetCurrentSchema();
    } else if (QTreeWidgetItem* parent = node->parent()) {
        database = parent->text(0);
        if (ownSchemaImage(parent->data(0, Qt::UserRole).toInt()))
            schema = s.GetCurrentSchema();
    }
}

} // namespace

void PasteObjects(TfrmObject* w)
{
    if (CopyObjectList().isEmpty())
        return;
    PasteHooks& h = ObjectPasteHooks();
    auto message = [&](const QString& text, int flags) {
        if (h.message)
            h.message(text, flags);
        else
            ShowMessageBox(text, flags);
    };
    TObjectSession& s = *w->session();
    const TScriptOption saved = ScriptOption;
    struct Restore {
        const TScriptOption& options;
        ~Restore() { ScriptOption = options; }
    } restore{saved};
    ScriptOption.Insert = false;
    ScriptOption.Database = qmAlways;
    ScriptOption.Owner = qmAlways;

    QString database, schema;
    const QList<TCopyObjectList> entries = CopyObjectList();
    for (const TCopyObjectList& e : entries) {
        TargetOf(w, database, schema);
        PasteTarget t;
        t.database = database;
        t.name = e.ObjectName;
        t.schema = schema;
        QStringList schemas;
        s.GetUser(schemas, database, false);
        const bool table = e.ObjectType == ObjType::Table;
        t.indexes = t.data = table;
        bool ok;
        if (h.input) {
            ok = h.input(t.name, t.schema, schemas, table, t.indexes, t.data);
        } else {
            CheckList checks;
            if (table)
                checks << CheckItem{QStringLiteral("インデックスも含める"), &t.indexes}
                       << CheckItem{QStringLiteral("テーブルデータも含める"), &t.data};
            ok = ShowInputDialog(applicationTitle(), QStringLiteral("新規オブジェクト名"), t.name, false, t.schema,
                                 schemas, checks);
        }
        if (!ok)
            return;
        if (t.schema.isEmpty()) {
            message(QStringLiteral("コピー先のスキーマを選択してください。"), MB_ICONWARNING);
            return;
        }
        schema = t.schema;
        ScriptOption.Index = t.indexes;
        if (table && t.indexes) {
            QStringList old;
            db::Query* q = s.OpenSQL(PasteIndexListSql(s.IsAzure, e.Database), {e.Schema, e.ObjectName});
            for (q->First(); !q->Eof(); q->Next())
                old << q->Fields().at(0)->AsString();
            q->Close();
            for (const QString& o : old) {
                QString m = o;
                bool named;
                if (h.indexName) {
                    named = h.indexName(m);
                } else {
                    QString none;
                    named = ShowInputDialog(applicationTitle(), QStringLiteral("新規インデックス名"), m, false, none, {}, {});
                }
                if (!named)
                    return;
                t.indexNames.append({o, m});
            }
        }
        const QStringList L = BuildPasteScript({&s, w}, e, t);
        if (L.isEmpty())
            continue;
        try {
            if (h.run) {
                h.run(L, t.database, t.name, t.schema);
            } else {
                QStringList shown = L;
                if (TfrmDDLPreview::ShowWindow(shown, t.database, t.schema, t.name))
                    TfrmDDLExec::ShowWindow(&s, shown);
                TfrmDDLExec::WaitProc();
            }
        } catch (const std::exception&) {
        }
    }
    SendProgramMessage(w, WM_RELOAD); // the list shows the new objects
}

void TfrmObject::actCopyExecute()
{
    if (SelectedRows(lstObject).isEmpty())
        return;
    bool refused = false;
    const QString names = CopyObjects(*session(), lstObject, &refused);
    QApplication::clipboard()->setText(names);
    if (refused) {
        const QString text = QStringLiteral("テンポラルテーブルをコピーできませんでした。\r\nコピーする場合はテンポラルの設定を解除してください。");
        if (ObjectPasteHooks().message)
            ObjectPasteHooks().message(text, MB_ICONWARNING);
        else
            ShowMessageBox(text, MB_ICONWARNING);
    }
}

void TfrmObject::actPasteExecute() { PasteObjects(this); }

} // namespace qv
