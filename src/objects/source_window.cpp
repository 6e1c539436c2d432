#include "objects/source_window.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/object_types.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/textfiles.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/print/fprint.h"
#include "editor/editor_strings.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/exceptions.h"
#include "sql/exec_proc_window.h"
#include "sql/memo_frame.h"
#include "sql/sql_files.h"
#include "tables/privileges_frame.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace qv {

std::function<QString(const QString&, const QString&, const QString&)> TfrmSource::SaveDialogHook;

namespace {
DefineKind SourceKindOf(int objectType)
{
    DefineKind k;
    k.windowClass = &TfrmSource::staticMetaObject;
    k.objType = objectType;
    k.word = GetObjectTypeName(objectType);
    k.settingsKey = QStringLiteral("SOURCE");
    k.menuTitle = k.word + QStringLiteral("(&O)");
    k.hasSchema = true;
    k.hasSource = true;
    return k;
}
} // namespace

TfrmSource::TfrmSource(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                       int objectType, TOpenMode mode)
    : TfrmSource(owner, database, schema, objectName, objectType, mode, false)
{
}

TfrmSource::TfrmSource(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                       int objectType, TOpenMode mode, bool scriptMode)
    : TfrmSourceBase(owner, SourceKindOf(objectType), DefineArgs{database, schema, objectName, mode}, scriptMode,
                     objectType == 51 ? source::Kind::Procedure : source::Kind::Function, false)
{
    setObjectName(QStringLiteral("frmSource"));
    const auto make = [this](int image, const QString& caption, const QString& hint) {
        QAction* a = new QAction(imgMain(image), caption, this);
        a->setToolTip(hint);
        a->setStatusTip(hint);
        return a;
    };
    actExec = make(28, QStringLiteral("実行(&E)"), QStringLiteral("プログラムを実行します。"));
    actOutput = make(36, QStringLiteral("出力(&P)"), QStringLiteral("プログラムの内容を外部に出力します。"));
    actPrint = make(98, QStringLiteral("印刷(&P)"), QStringLiteral("プログラムソースを印刷します。"));
    actSave = make(18, QStringLiteral("ファイル保存(&S)"), QStringLiteral("プログラムソースをファイルに保存します。"));
    actSample = make(99, QStringLiteral("サンプル"), QStringLiteral("サンプルコードを表示します。"));
    connect(actExec, &QAction::triggered, this, [this] { Guard([this] { actExecExecute(); }); });
    connect(actPrint, &QAction::triggered, this, [this] { Guard([this] { actPrintExecute(); }); });
    connect(actSave, &QAction::triggered, this, [this] { Guard([this] { actSaveExecute(); }); });
    connect(actSample, &QAction::triggered, this, [this] { Guard([this] { actSampleExecute(); }); });
    popOutput = new QMenu(this);
    popOutput->addActions({actPrint, actSave});
    actOutput->setMenu(popOutput);

    // Tool bar: compile, run, output, delete, revert, exit … sample.
    tolCmd->insertAction(actRefresh, actExec);
    tolCmd->insertAction(actRefresh, actOutput);
    tolCmd->removeAction(actDelete);
    tolCmd->insertAction(actRefresh, actDelete);
    if (auto* b = qobject_cast<QToolButton*>(tolCmd->widgetForAction(actOutput)))
        b->setPopupMode(QToolButton::InstantPopup);
    tolCmd->addSeparator();
    tolCmd->addAction(actSample);
    for (QAction* a : {actExec, actOutput, actDelete, actSample})
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);
    mnuTool->insertSeparator(actExit);
    mnuTool->insertActions(actExit, {actPrint, actSave});

    tabGrant = new QWidget(pagObject);
    tabGrant->setObjectName(QStringLiteral("tabGrant"));
    auto* grantLayout = new QVBoxLayout(tabGrant);
    grantLayout->setContentsMargins(0, 0, 0, 0);
    fraGrant = new TfraGrant(tabGrant);
    fraGrant->setObjectName(QStringLiteral("fraGrant"));
    fraGrant->OnChanged = [this] { UpdateSourceActions(); };
    grantLayout->addWidget(fraGrant);
    {
        const QSignalBlocker blockPages(pagObject);
        pagObject->insertTab(pagObject->indexOf(tabCross), tabGrant, QStringLiteral("権限"));
    }

    // The run, print and save actions follow every edit.
    TqvMemo* memo = fraMemo->txtSQL;
    auto previous = memo->OnChange;
    memo->OnChange = [this, previous](TEditor* e) {
        if (previous)
            previous(e);
        UpdateSourceActions();
    };
    connect(txtName, &QLineEdit::textChanged, this, [this] { UpdateSourceActions(); });
    connect(cmbSchema, &QComboBox::currentTextChanged, this, [this] { UpdateSourceActions(); });
    installEventFilter(this);
    Start();
    UpdateSourceActions();
}

bool TfrmSource::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5) {
        Compile();
        return true;
    }
    return TfrmSourceBase::eventFilter(watched, event);
}

QWidget* TfrmSource::PageForMode(TOpenMode mode)
{
    if (mode == omGrant)
        return tabGrant;
    return TfrmSourceBase::PageForMode(mode);
}

void TfrmSource::ShowPageFrame()
{
    if (pagObject->currentWidget() == tabGrant && !IsNew())
        fraGrant->ShowData(Database(), Schema(), Name());
    UpdateSourceActions();
}

QStringList TfrmSource::GetDDL()
{
    QStringList lines;
    if (pagObject->currentWidget() == tabGrant)
        fraGrant->GetSource(lines);
    return lines;
}

QList<QWidget*> TfrmSource::ExistingOnlyPages() { return {tabGrant, tabCross}; }

void TfrmSource::UpdateSourceActions()
{
    if (!actExec)
        return;
    const bool clean = !Modified() && !IsNew();
    actExec->setEnabled(clean && !ErrorsShown());
    actOutput->setEnabled(clean);
    actPrint->setEnabled(clean);
    actSave->setEnabled(clean);
}

QStringList TfrmSource::Template() const
{
    const QString name = QuoteIdentifier(cmbSchema->currentText().trimmed()) + QLatin1Char('.') +
                         QuoteIdentifier(txtName->text().trimmed());
    if (ObjType() == 51)
        return {QStringLiteral("CREATE PROCEDURE ") + name + QStringLiteral(" /* (@引数, @引数...) */"),
                QStringLiteral("AS"),
                QStringLiteral("BEGIN"),
                QStringLiteral("  RETURN;"),
                QStringLiteral("END"),
                QStringLiteral("go")};
    return {QStringLiteral("CREATE FUNCTION ") + name + QStringLiteral(" (/*@引数, @引数...*/)"),
            QStringLiteral("RETURNS int -- 戻り値のデータ型"),
            QStringLiteral("AS"),
            QStringLiteral("BEGIN"),
            QStringLiteral("  DECLARE @variable int;"),
            QStringLiteral("  RETURN @variable;"),
            QStringLiteral("END"),
            QStringLiteral("go")};
}

QWidget* TfrmSource::actExecExecute()
{
    if (!actExec->isEnabled())
        return nullptr;
    auto* w = new TfrmExecProc(Session(), Database(), Schema(), Name(), ObjType());
    if (IConnectionWindow* conn = OwnerForm())
        w->setProperty("qvOwnerForm", QVariant::fromValue<QObject*>(conn->connectionWidget()));
    if (TfrmMain* main = TfrmMain::instance())
        main->AddChildWindow(w);
    else
        w->show();
    return w;
}

void TfrmSource::actPrintExecute()
{
    if (!actPrint->isEnabled())
        return;
    const QString title = Database() + QLatin1Char('.') + Schema() + QLatin1Char('.') + Name();
    const QStringList lines = SourceLines();
    TfrmPrint::ShowWindow(title, [title, lines] {
        TfrmPrint::BeginPrint();
        try {
            TfrmPrint::PrintSource(title, lines, true);
        } catch (...) {
            TfrmPrint::EndPrint();
            throw;
        }
        TfrmPrint::EndPrint();
    });
}

void TfrmSource::actSaveExecute()
{
    if (!actSave->isEnabled())
        return;
    QString dir = qvOption.FileDir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    const QString proposed = UniqueFileName(dir + SafeFileName(Schema() + QLatin1Char('.') + Name() + QStringLiteral(".sql")));
    const QString title = QStringLiteral("名前を付けて保存");
    QString file = SaveDialogHook ? SaveDialogHook(title, proposed, SqlFileFilter())
                                  : QFileDialog::getSaveFileName(this, title, proposed, SqlFileFilter());
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty() || !HasKnownFileExt(file))
        file += QStringLiteral(".sql");
    TEditorStrings& lines = fraMemo->txtSQL->Lines();
    const bool bom = lines.WriteBOM;
    lines.WriteBOM = false;
    try {
        lines.SaveToFile(file, GetFileEncoding());
    } catch (...) {
        lines.WriteBOM = bom;
        throw;
    }
    lines.WriteBOM = bom;
    Box(QStringLiteral("スクリプトが出力されました。"), MB_OK | MB_ICONINFORMATION);
    qvOption.FileDir = QFileInfo(file).absolutePath() + QLatin1Char('/');
}

void TfrmSource::actSampleExecute() { TfrmSample::ShowWindow(this, SampleWindow, ObjType()); }

void TfrmSource::GetScript(IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream)
{
    std::unique_ptr<TfrmSource> w(new TfrmSource(owner ? owner->connectionWidget() : nullptr, r.database, r.schema,
                                                 r.name, r.objectType == 51 ? 51 : 52, omSource, true));
    w->WriteScriptTo(stream, r.newSchema, r.newName);
    Abort();
}

} // namespace qv
