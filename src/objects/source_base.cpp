#include "objects/source_base.h"

#include "app/application.h"
#include "app/connection_window_iface.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "connection/source_history.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/connection.h"
#include "platform/db/server_error.h"
#include "platform/exceptions.h"
#include "sql/memo_frame.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
const QString NotFoundText = QStringLiteral("オブジェクトが見つからないか、参照できませんでした。");
} // namespace

TfrmSourceBase::TfrmSourceBase(QObject* owner, const DefineKind& kind, const DefineArgs& args, bool scriptMode,
                               source::Kind sourceKind, bool errorsUnderPages)
    : TfrmDefine(owner, kind, args, scriptMode), m_sourceKind(sourceKind)
{
    // No definition page: the source is the definition. (Page changes during construction
    // load nothing.)
    const QSignalBlocker blockPages(pagObject);
    pagObject->removeTab(pagObject->indexOf(tabDefine));
    tabDefine->hide();

    lstError = new QListWidget(this);
    lstError->setObjectName(QStringLiteral("lstError"));
    connect(lstError, &QListWidget::itemDoubleClicked, this, [this] { lstErrorDblClick(); });
    spl1 = new QSplitter(Qt::Vertical, this);
    spl1->setObjectName(QStringLiteral("spl1"));
    spl1->setChildrenCollapsible(true);
    if (errorsUnderPages) {
        auto* l = static_cast<QVBoxLayout*>(layout());
        const int at = l->indexOf(pagObject);
        l->removeWidget(pagObject);
        spl1->addWidget(pagObject);
        spl1->addWidget(lstError);
        l->insertWidget(at, spl1, 1);
    } else {
        auto* l = static_cast<QVBoxLayout*>(tabSource->layout());
        l->removeWidget(fraMemo);
        spl1->addWidget(fraMemo);
        spl1->addWidget(lstError);
        l->addWidget(spl1);
    }
    spl1->setStretchFactor(0, 1);
    spl1->setStretchFactor(1, 0);
    lstError->hide();
    spl1->handle(1)->setEnabled(false);

    tabCross = StubPage(QStringLiteral("tabCross"),
                        QStringLiteral("依存関係フレームはこのウィンドウにまだ組み込まれていません。"));
    pagObject->addTab(tabCross, QStringLiteral("依存関係"));

    // The name fields take their snapshot when the user enters them (not when a drop-down
    // list or another window takes the focus for a moment), see eventFilter.
    for (QWidget* w : {static_cast<QWidget*>(txtName), static_cast<QWidget*>(cmbSchema),
                       static_cast<QWidget*>(cmbDatabase)})
        w->installEventFilter(this);
}

QWidget* TfrmSourceBase::StubPage(const QString& objectName, const QString& text)
{
    auto* page = new QWidget(pagObject);
    page->setObjectName(objectName);
    auto* l = new QVBoxLayout(page);
    auto* label = new QLabel(text, page);
    label->setObjectName(objectName + QStringLiteral("Stub"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    l->addWidget(label);
    return page;
}

QString TfrmSourceBase::Database() const { return cmbDatabase->currentText().trimmed(); }
QString TfrmSourceBase::Schema() const { return cmbSchema->currentText().trimmed(); }
QString TfrmSourceBase::Name() const { return txtName->text().trimmed(); }

QWidget* TfrmSourceBase::PageForMode(TOpenMode mode) { return mode == omCross ? tabCross : tabSource; }

QList<QWidget*> TfrmSourceBase::ExistingOnlyPages() { return {tabCross}; }

void TfrmSourceBase::ChangedIsNew()
{
    TfrmDefine::ChangedIsNew();
    if (!ScriptMode() && pagObject->currentWidget() != tabSource && IsNew()) {
        const QSignalBlocker block(pagObject);
        pagObject->setCurrentWidget(tabSource);
    }
}

bool TfrmSourceBase::eventFilter(QObject* watched, QEvent* event)
{
    const bool field = watched == txtName || watched == cmbSchema || watched == cmbDatabase;
    if (field && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            if (event->type() == QEvent::FocusIn) {
                if (watched == txtName)
                    txtName->Save();
                else if (watched == cmbSchema)
                    cmbSchema->Save();
            } else {
                Guard([&] { txtNameExit(static_cast<QWidget*>(watched)); });
            }
        }
    }
    return TfrmDefine::eventFilter(watched, event);
}

QStringList TfrmSourceBase::UseLines() const
{
    const QString db = Database();
    IConnectionWindow* conn = OwnerForm();
    const QStringList lines{QStringLiteral("use ") + QuoteIdentifier(db, true), QStringLiteral("go")};
    if (SourceMode == smShow)
        return lines;
    if (conn && conn->IsAzure())
        return {};
    const bool other = conn && db.compare(conn->DataBase().trimmed(), Qt::CaseInsensitive) != 0;
    if (ScriptOption.Database == qmAlways || (ScriptOption.Database == qmDiffLogin && other))
        return lines;
    return {};
}

QStringList TfrmSourceBase::LoadSource()
{
    TObjectSession* s = Session();
    // The connection works in the object's database from here on.
    s->ExecuteSQL(QStringLiteral("USE ") + QuoteIdentifier(Database(), true));
    if (IsNew())
        return {};
    WaitCursor cursor;
    const bool copy = !NewSchema.isEmpty() && !NewObjectName.isEmpty();
    const QString targetSchema = copy ? NewSchema : Schema();
    const QString targetName = copy ? NewObjectName : Name();
    const std::optional<QString> text = source::ReadSource(*s, Database(), Schema(), Name());
    if (!text) {
        if (SourceMode == smShow)
            Box(NotFoundText, MB_OK | MB_ICONERROR);
        Abort();
    }
    SourceRead(*text);
    QStringList lines = UseLines();
    const QString header = GetSchemaPrefix(targetSchema) + QuoteIdentifier(targetName);
    lines << source::TextLines(TrimWhiteSpace(source::RewriteHeader(*text, SourceKind(), header)));
    lines << QStringLiteral("go");
    return lines;
}

QStringList TfrmSourceBase::GetSourceDrop()
{
    QStringList lines = UseLines();
    // The name inside the literal is bracket-quoted, so that dots and brackets in it stay
    // part of the name.
    lines << QStringLiteral("IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N") +
                 QuoteLiteral(QuoteIdentifier(Schema(), true) + QLatin1Char('.') + QuoteIdentifier(Name(), true)) +
                 QStringLiteral("))");
    lines << QStringLiteral("DROP ") + source::KindKeyword(SourceKind()) + QLatin1Char(' ') + QuoteIdentifier(Schema()) +
                 QLatin1Char('.') + QuoteIdentifier(Name());
    lines << QStringLiteral("go");
    return lines;
}

QString TfrmSourceBase::DropStatement()
{
    return QStringLiteral("drop ") + source::KindKeyword(SourceKind()).toLower() + QLatin1Char(' ') +
           QuoteIdentifier(Schema()) + QLatin1Char('.') + QuoteIdentifier(Name());
}

void TfrmSourceBase::ShowData(bool isDrop)
{
    WaitCursor cursor;
    QStringList lines = isDrop ? GetSourceDrop() : LoadSource();
    if (SourceMode == smText) {
        m_script = lines;
        return;
    }
    if (IsNew())
        NewObjectText(lines);
    SetSourceLines(lines);
    txtName->Save();
    cmbSchema->Save();
    cmbDatabase->Save();
    SetModified(false);
    ShowPageFrame();
}

void TfrmSourceBase::ShowPageFrame() {}

QStringList TfrmSourceBase::ScriptText(bool isDrop)
{
    Q_UNUSED(isDrop);
    return m_script;
}

// ---- compile -------------------------------------------------------------------------------

bool TfrmSourceBase::ErrorsShown() const { return !lstError->isHidden(); }

void TfrmSourceBase::HideErrors()
{
    lstError->clear();
    lstError->hide();
    spl1->handle(1)->setEnabled(false);
    ErrorsChanged();
}

void TfrmSourceBase::ShowErrors(const QStringList& items)
{
    spl1->handle(1)->setEnabled(true);
    lstError->clear();
    lstError->addItems(items);
    lstError->show();
    const QList<int> sizes = spl1->sizes();
    int total = 0;
    for (int v : sizes)
        total += v;
    if (total <= 0)
        total = spl1->height();
    int h = SaveHeight;
    if (h <= 0)
        h = (tabSource->height() - spl1->handleWidth()) / 2;
    if (h <= 0)
        h = total / 2;
    spl1->setSizes({qMax(0, total - h), h});
    ErrorsChanged();
}

void TfrmSourceBase::Compile()
{
    if (!SourcePageActive()) {
        TfrmDefine::Compile(); // privileges or dependencies: the frame's road
        return;
    }
    Guard([this] { DoOwnCompile(); });
}

void TfrmSourceBase::DoOwnCompile()
{
    if (QWidget* f = QApplication::focusWidget(); f && isAncestorOf(f))
        f->clearFocus(); // the exit handlers of the name fields run first
    if (ErrorsShown() && lstError->height() > 0)
        SaveHeight = lstError->height();
    lstError->hide();

    if (cmbDatabase->IsNull())
        Warn(QStringLiteral("データベース名を入力して下さい。"), cmbDatabase);
    if (cmbSchema->IsNull())
        Warn(QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    if (txtName->IsNull())
        Warn(QStringLiteral("名前を入力して下さい。"), txtName);

    const QStringList lines = SourceLines();
    if (lines.isEmpty()) {
        Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
        Abort();
    }
    if (TrimWhiteSpace(lines.join(QLatin1Char('\n'))).isEmpty()) {
        Box(QStringLiteral("変更箇所が見つかりませんでした。"), MB_OK | MB_ICONWARNING);
        if (!IsNew()) // a new object stays new: nothing was created
            pagObjectChange();
        return;
    }

    const QString db = Database(), schema = Schema(), name = Name();
    TObjectSession* s = Session();
    const ScriptContext context{s, dynamic_cast<TfrmObject*>(OwnerForm())};
    if (!IsNew())
        SaveBeforeSource(context, db, schema, name, ObjType());
    // What the drop would lose, read before anything changes.
    const source::Keep keep = source::ReadKeep(*s, SourceKind(), db, schema, name);

    db::Connection* c = s->dmSQLServer->Connection;
    const bool outer = c->InTransaction(); // the connection keeps a transaction open itself
    if (!outer)
        c->StartTransaction();
    int baseRow = 0;
    QString failure;
    QList<int> failureLines;
    try {
        try {
            s->ExecuteSQL(s->Use(db) + DropStatement());
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception&) {
            // nothing to drop (a new object)
        }
        for (const source::Batch& b : source::Batches(lines)) {
            baseRow = b.firstLine;
            s->ExecuteSQL(b.text); // as the editor holds it: ":name" words are sent as written
        }
        baseRow = 0;
        const QStringList restore = keep.Statements();
        if (!restore.isEmpty()) {
            s->ExecuteSQL(s->Use(db).trimmed());
            for (const QString& stmt : restore)
                s->ExecuteSQL(stmt);
        }
        c->Commit();
    } catch (const EAbort&) {
        c->Rollback();
        if (outer)
            c->StartTransaction();
        throw;
    } catch (const db::EServerError& e) {
        failure = e.message();
        failureLines = e.lines();
    } catch (const Exception& e) {
        failure = e.message();
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    if (!failure.isNull()) {
        const QStringList items = source::NumberErrorItems(source::ErrorItems(failure), failureLines);
        ShowErrors(source::MapErrorLines(items, baseRow));
        c->Rollback();
        if (outer)
            c->StartTransaction();
        Box(QStringLiteral("コンパイルエラーが発生しました。"), MB_OK | MB_ICONWARNING);
        return;
    }
    if (outer)
        c->StartTransaction();
    HideErrors();
    Box(QStringLiteral("コンパイルは正常に終了しました。"), MB_OK | MB_ICONINFORMATION);
    SaveAfterSource(context, db, schema, name, ObjType());
    SetIsNew(false);
    pagObjectChange();
}

void TfrmSourceBase::lstErrorDblClick()
{
    QListWidgetItem* item = lstError->currentItem();
    if (!item || !fraMemo)
        return;
    TqvMemo* memo = fraMemo->txtSQL;
    const int lastRow = qMax(0, static_cast<int>(SourceLines().size()) - 1);
    const int row = source::ErrorItemRow(item->text(), lastRow);
    memo->setFocus();
    memo->SetSelIndex(row, 0);
}

// ---- name fields -------------------------------------------------------------------------

void TfrmSourceBase::ReplaceInHeader(const QString& oldText, const QString& newText, int times)
{
    if (oldText == newText)
        return;
    QStringList lines = SourceLines();
    int i = 0;
    bool changed = false;
    for (int t = 0; t < times; ++t) {
        while (i < lines.size() && !lines.at(i).contains(oldText, Qt::CaseSensitive))
            ++i;
        if (i >= lines.size())
            break;
        const qsizetype at = lines[i].indexOf(oldText, 0, Qt::CaseInsensitive);
        lines[i].replace(at, oldText.size(), newText);
        changed = true;
    }
    if (changed)
        fraMemo->txtSQL->Lines().Assign(lines);
}

void TfrmSourceBase::txtNameExit(QWidget* left)
{
    if (!fraMemo)
        return;
    if (TrimWhiteSpace(SourceLines().join(QLatin1Char('\n'))).isEmpty()) {
        QStringList lines = SourceLines();
        while (!lines.isEmpty() && TrimWhiteSpace(lines.constLast()).isEmpty())
            lines.removeLast();
        lines << Template();
        fraMemo->txtSQL->Lines().Assign(lines);
        return;
    }
    if (left == cmbSchema)
        ReplaceInHeader(QuoteIdentifier(cmbSchema->SaveValue) + QLatin1Char('.'),
                        QuoteIdentifier(cmbSchema->currentText()) + QLatin1Char('.'), 2);
    else if (left == txtName)
        ReplaceInHeader(QLatin1Char('.') + QuoteIdentifier(txtName->SaveValue),
                        QLatin1Char('.') + QuoteIdentifier(txtName->text()), 1);
}

} // namespace qv
