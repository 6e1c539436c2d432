#include "connection/object_report.h"

#include "app/connection_window_iface.h"
#include "app/escape_watch.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/object_types.h"
#include "app/options.h"
#include "app/qvdoc.h"
#include "app/qvstrings.h"
#include "app/textfiles.h"
#include "app/wait_cursor.h"
#include "connection/object_window.h"
#include "platform/exceptions.h"
#include "platform/xlsx/xlsx.h"
#include "tables/excel_report_window.h"

#include <QAction>
#include <QCollator>
#include <QFileDialog>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <map>

namespace qv::report {

std::function<QString(const QString&, const QString&, const QString&)> ReportRunHooks::saveDialog;
std::function<QString(const QString&, const QString&)> ReportRunHooks::folderDialog;
std::function<void(const QString&, int)> ReportRunHooks::message;

namespace {

void Message(const QString& text, int flags)
{
    if (ReportRunHooks::message)
        ReportRunHooks::message(text, flags);
    else
        ShowMessageBox(text, flags);
}

QString ObjectLiteral(const ListObject& o)
{
    return QStringLiteral("N") + QuoteLiteral(QuoteIdentifier(o.schema, true) + QLatin1Char('.') + QuoteIdentifier(o.name, true));
}

QString UseLine(const ListObject& o) { return QStringLiteral("use ") + QuoteIdentifier(o.database, true) + QStringLiteral("\r\n"); }

QString XTypes(const ListObject& o)
{
    QStringList out;
    for (const QString& x : GetXTypeList(o.type))
        out << QuoteLiteral(x.trimmed());
    return out.join(QStringLiteral(", "));
}

QString Text(const QList<QVariantList>& rows, int col)
{
    return !rows.isEmpty() && col < rows.first().size() && !rows.first().at(col).isNull() ? rows.first().at(col).toString()
                                                                                        : QString();
}

// A sheet name with what a sheet name cannot hold taken out.
QString CleanSheetName(const QString& name)
{
    QString s = RemoveInvalidFileChars(name);
    s.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    while (s.startsWith(QLatin1Char('\'')))
        s.remove(0, 1);
    return s.left(xlsx::kMaxSheetNameChars);
}

bool Put(xlsx::Book& book, int sheet, int row, int col, const QString& value)
{
    if (row < 1 || col < 1 || value.isEmpty())
        return false;
    book.setText(sheet, row, col, value);
    return true;
}

} // namespace

QString ObjectDatesSql(int dbVer, const ListObject& o)
{
    const QString types = XTypes(o);
    if (types.isEmpty())
        return QString();
    if (dbVer >= 9)
        return UseLine(o)
               + QStringLiteral("select convert(varchar(10), create_date, 111), convert(varchar(10), modify_date, 111) "
                                "from sys.objects where object_id = object_id(%1) and type in (%2)")
                     .arg(ObjectLiteral(o), types);
    return UseLine(o)
           + QStringLiteral("select convert(varchar(10), crdate, 111), ' ' from sysobjects where id = object_id(%1) and xtype in (%2)")
                 .arg(ObjectLiteral(o), types);
}

QString ObjectCommentSql(int dbVer, bool azure, const ListObject& o)
{
    if (azure)
        return QString();
    if (dbVer >= 9)
        return UseLine(o)
               + QStringLiteral("select cast(value as nvarchar(max)) from sys.extended_properties where class = 1 and "
                                "major_id = object_id(%1) and minor_id = 0 and name = N'MS_Description'")
                     .arg(ObjectLiteral(o));
    return UseLine(o)
           + QStringLiteral("select cast(value as nvarchar(4000)) from sysproperties where id = object_id(%1) and smallid = 0 "
                            "and type = 3 and name = N'MS_Description'")
                 .arg(ObjectLiteral(o));
}

ObjectFacts ReadObjectFacts(int dbVer, bool azure, const ListObject& o,
                            const std::function<QList<QVariantList>(const QString& sql)>& rows)
{
    ObjectFacts f;
    const QString dates = ObjectDatesSql(dbVer, o);
    if (!dates.isEmpty()) {
        const QList<QVariantList> r = rows(dates);
        f.created = Text(r, 0);
        f.updated = Text(r, 1);
        if (f.updated == f.created)
            f.updated.clear();
    }
    const QString comment = ObjectCommentSql(dbVer, azure, o);
    if (!comment.isEmpty())
        f.comment = Text(rows(comment), 0);
    return f;
}

QStringList UniqueSheetNames(const QStringList& wanted)
{
    QStringList out;
    auto taken = [&out](const QString& n) {
        for (const QString& o : out)
            if (o.compare(n, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (const QString& w : wanted) {
        QString name = CleanSheetName(w);
        if (name.isEmpty())
            name = QStringLiteral("_");
        if (taken(name)) {
            const QString stem = name.left(std::max<qsizetype>(0, name.size() - 5));
            QString next;
            for (int n = 1; n <= 9999 && next.isEmpty(); ++n) {
                const QString candidate = stem + QStringLiteral("_%1").arg(n, 4, 10, QLatin1Char('0'));
                if (!taken(candidate))
                    next = candidate;
            }
            if (next.isEmpty())
                throw Exception(QStringLiteral("シート名を設定できませんでした。"));
            name = next;
        }
        out << name;
    }
    return out;
}

void WriteObjectListReport(const ReportDefinition& def, const QList<ListObject>& objects, const QString& fileName,
                           const QString& excelExt, const ObjectFactsReader& facts)
{
    // Records by type, schema, database and name; a group is a run of one type, database and schema.
    QList<ListObject> list;
    for (const ListObject& o : objects)
        if (o.type != ObjType::TablePartition && o.type != ObjType::IndexPartition)
            list << o;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    auto key = [](const ListObject& o) {
        return o.typeName + QLatin1Char(',') + o.schema + QLatin1Char(',') + o.database + QLatin1Char(',') + o.name;
    };
    std::stable_sort(list.begin(), list.end(), [&](const ListObject& a, const ListObject& b) {
        return key(a).compare(key(b), Qt::CaseInsensitive) < 0;
    });
    QList<QList<ListObject>> groups;
    for (const ListObject& o : list) {
        if (groups.isEmpty() || groups.last().first().typeName != o.typeName || groups.last().first().database != o.database
            || groups.last().first().schema != o.schema)
            groups.append(QList<ListObject>());
        groups.last() << o;
    }
    if (groups.isEmpty())
        return;

    int height = 1;
    for (const ReportItem& e : def.body)
        height = std::max(height, e.row);
    const int bodyCount = std::max(1, def.bodyCount);
    const int bodyTop = std::max(1, def.bodyTop);

    const QString templ = ListTemplatePath(def.xlsFile, fileName, excelExt);
    std::unique_ptr<xlsx::Book> book = templ.isEmpty() ? xlsx::Book::blank() : xlsx::Book::open(templ);
    int templSheet = book->activeSheet();
    QStringList wanted;
    for (const QList<ListObject>& g : groups)
        wanted << g.first().typeName + QLatin1Char('.') + g.first().database + QLatin1Char('.') + g.first().schema;
    // The names must not meet the template's other sheets either.
    QStringList others;
    for (int i = 0; i < book->sheetCount(); ++i)
        if (i != templSheet)
            others << book->sheetName(i);
    const QStringList names = UniqueSheetNames(others + wanted).mid(others.size());

    std::exception_ptr failure;
    try {
        // Later groups get copies of the template sheet as it was opened, each inserted before
        // it; the first group takes the template sheet itself, which so ends up last.
        book->renameSheet(templSheet, names[0]);
        QList<int> sheets;
        for (int g = 1; g < groups.size(); ++g) {
            sheets << book->copySheet(templSheet, names[g], templSheet);
            ++templSheet;
        }
        sheets.prepend(templSheet);

        for (int g = 0; g < groups.size(); ++g) {
            const QList<ListObject>& group = groups[g];
            const int sheet = sheets[g];
            book->setActiveSheet(sheet);
            const int blocks = (int(group.size()) + bodyCount - 1) / bodyCount;
            for (int b = 1; b < blocks; ++b)
                book->copyRows(sheet, bodyTop, bodyCount * height, bodyTop + b * bodyCount * height);
            for (int k = 0; k < group.size(); ++k) {
                const ListObject& o = group[k];
                ObjectFacts f;
                bool read = false;
                for (const ReportItem& e : def.body) {
                    QString value;
                    switch (e.tag) {
                    case rtSeq: value = QString::number(k + 1); break;
                    case rtObjectName: value = o.name; break;
                    case rtSchema: value = o.schema; break;
                    case rtCreateDate:
                    case rtUpdateDate:
                    case rtComment:
                        if (!read) {
                            f = facts(o);
                            read = true;
                        }
                        value = e.tag == rtCreateDate ? f.created : e.tag == rtUpdateDate ? f.updated : f.comment;
                        break;
                    default: continue;
                    }
                    Put(*book, sheet, bodyTop + k * height + e.row - 1, e.col, value);
                }
            }
            for (const ReportItem& e : def.header) {
                const ListObject& o = group.first();
                if (e.tag == rtObjectType)
                    Put(*book, sheet, e.row, e.col, o.typeName);
                else if (e.tag == rtSchema)
                    Put(*book, sheet, e.row, e.col, o.schema);
                else if (e.tag == rtDatabase)
                    Put(*book, sheet, e.row, e.col, o.database);
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    // The workbook as far as it was filled is saved in any case.
    book->save(fileName);
    if (failure)
        std::rethrow_exception(failure);
}

namespace {

QList<ListObject> Selected(QTreeWidget* list, QList<QTreeWidgetItem*>* items)
{
    QList<ListObject> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* it = list->topLevelItem(i);
        if (!it->isSelected())
            continue;
        ListObject o;
        o.name = it->text(0);
        o.database = it->text(1);
        o.schema = it->text(2);
        o.typeName = it->text(3).trimmed();
        o.type = GetObjectTypeCode(o.typeName);
        out << o;
        if (items)
            *items << it;
    }
    return out;
}

QString WithSlash(QString dir)
{
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

// The save dialog of the one-workbook outputs; empty when cancelled or refused.
QString AskFile(QWidget* parent, const QString& repName)
{
    const QString dir = WithSlash(qvOption.ExcelDir);
    const QString proposed = UniqueFileName(dir + SafeFileName(repName + ReportExt()));
    const QString title = QStringLiteral("名前を付けて保存");
    QString file = ReportRunHooks::saveDialog
                       ? ReportRunHooks::saveDialog(title, proposed, QStringLiteral("Excelファイル(*.xlsx)|*.xlsx|すべてのファイル(*.*)|*.*"))
                       : QFileDialog::getSaveFileName(parent, title, proposed,
                                                      QStringLiteral("Excelファイル(*.xlsx);;すべてのファイル(*.*)"));
    if (file.isEmpty())
        return QString();
    if (!HasKnownFileExt(file))
        file += ReportExt().toLower();
    if (QFileInfo(file).completeBaseName().trimmed().isEmpty()) {
        Message(QStringLiteral("ファイル名を入力して下さい。"), MB_OK | MB_ICONWARNING);
        return QString();
    }
    return file;
}

void Progress(int i, int n)
{
    if (TfrmMain* m = TfrmMain::instance()) {
        if (n == 0)
            m->SetDefMessage();
        else
            m->SetLoopMessage(i, n);
    }
}

bool Stopped() { return TfrmMain::instance() && EscapePressed(); }

} // namespace

void RunListReport(IConnectionWindow& owner, QTreeWidget* list, QAction* item)
{
    if (!item || !list || item->text().isEmpty())
        return;
    QList<QTreeWidgetItem*> rows;
    const QList<ListObject> selected = Selected(list, &rows);
    if (selected.isEmpty())
        return;
    const QString repName = item->text();
    const int kind = item->data().toInt();
    QWidget* parent = owner.connectionWidget();

    QString output;
    if (kind == 1) {
        const QString title = QStringLiteral("出力先を選択して下さい。");
        output = ReportRunHooks::folderDialog ? ReportRunHooks::folderDialog(title, qvOption.ExcelDir)
                                              : QFileDialog::getExistingDirectory(parent, title, qvOption.ExcelDir);
        if (output.isEmpty())
            return;
        output = WithSlash(output);
    } else {
        output = AskFile(parent, repName);
        if (output.isEmpty())
            return;
    }

    const QSignalBlocker block(list);
    WaitCursor cursor;
    if (kind == 0) {
        ReportDefinition def;
        try {
            def = ReadReportDefinition(ReportDefinitionFile(repName), NumberRule::Lenient);
        } catch (const EQvDocFormat&) {
            Message(QvDocFormatMessage(), MB_OK | MB_ICONERROR);
            return;
        }
        for (QTreeWidgetItem* it : rows)
            it->setSelected(false);
        const int dbVer = owner.DBVer();
        const bool azure = owner.IsAzure();
        WriteObjectListReport(def, selected, output, qvOption.ExcelExt.isEmpty() ? ReportExt() : qvOption.ExcelExt,
                              [&](const ListObject& o) {
                                  return ReadObjectFacts(dbVer, azure, o, [&](const QString& sql) { return owner.QueryRows(sql); });
                              });
    } else {
        const QHash<int, DefinitionReportRoutines>& routines = DefinitionReports();
        QList<int> todo;
        for (int i = 0; i < selected.size(); ++i)
            if (routines.contains(selected[i].type))
                todo << i;
        std::unique_ptr<xlsx::Book> book;
        int templSheet = 0;
        QStringList names;
        if (kind == 2) {
            QString xlsFile;
            try {
                xlsFile = ReadReportDefinition(ReportDefinitionFile(repName), NumberRule::Lenient).xlsFile;
            } catch (const EQvDocFormat&) {
                Message(QvDocFormatMessage(), MB_OK | MB_ICONERROR);
                return;
            }
            const QString templ = ListTemplatePath(xlsFile, output, qvOption.ExcelExt.isEmpty() ? ReportExt() : qvOption.ExcelExt);
            book = templ.isEmpty() ? xlsx::Book::blank() : xlsx::Book::open(templ);
            templSheet = book->activeSheet();
            // The names meet the template's own sheets too.
            QStringList existing, wanted;
            for (int i = 0; i < book->sheetCount(); ++i)
                existing << book->sheetName(i);
            for (int i : todo)
                wanted << selected[i].database + QLatin1Char('.') + selected[i].name;
            try {
                names = UniqueSheetNames(existing + wanted).mid(existing.size());
            } catch (const Exception& e) {
                Message(e.message(), MB_OK | MB_ICONWARNING);
                return;
            }
        }
        struct Idle {
            ~Idle() { Progress(0, 0); }
        } idle;
        for (int n = 0; n < todo.size(); ++n) {
            if (Stopped())
                break;
            Progress(n + 1, int(todo.size()));
            const ListObject& o = selected[todo[n]];
            const DefinitionReportRoutines& r = routines[o.type];
            try {
                if (kind == 1) {
                    r.file(&owner, repName, o.database, o.schema, o.name, output);
                } else {
                    const int sheet = book->copySheet(templSheet, names[n], templSheet);
                    ++templSheet;
                    book->setActiveSheet(sheet);
                    r.sheet(&owner, repName, o.database, o.schema, o.name, *book, sheet);
                }
            } catch (const std::exception&) {
                // One object's failure (and the routines' closing silent abort) is passed over.
            }
            rows[todo[n]]->setSelected(false);
        }
        if (kind == 2) {
            if (book->sheetCount() > 1)
                book->deleteSheet(templSheet);
            book->setActiveSheet(0);
            book->save(output);
        }
    }
    Message(repName + QStringLiteral(" の出力が完了しました。"), MB_OK | MB_ICONINFORMATION);
    qvOption.ExcelDir = kind == 1 ? output : QFileInfo(output).absolutePath() + QLatin1Char('/');
}

} // namespace qv::report
