#include "admin/storage/attach_window.h"

#include "admin/storage/attach_text.h"
#include "app/application.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }

QList<QStringList> Rows(TObjectSession* s, const QString& sql, const QStringList& params)
{
    db::Query* q = s->OpenSQL(sql, params);
    QList<QStringList> rows;
    for (; !q->Eof(); q->Next()) {
        QStringList row;
        for (int c = 0; c < q->Fields().size(); ++c)
            row << q->Fields().at(c)->AsString();
        rows << row;
    }
    q->Close();
    return rows;
}
} // namespace

TfrmAttach::Ui& TfrmAttach::ui()
{
    static Ui u{[](const QString& text, int flags) { return ShowMessageBox(text, flags); },
                [](const QString& name) {
                    return QFileDialog::getOpenFileName(TfrmMain::instance(), QString(), name,
                                                        S("MDFファイル (*.mdf);;すべてのファイル (*)"));
                },
                [](const QString& file) { return QFileInfo(file).isFile(); }};
    return u;
}

TfrmAttach::TfrmAttach(TfrmObject* owner)
    : TAdminToolWindow(owner, {&staticMetaObject, S("アタッチ"), QStringLiteral("STORAGE"), true, false})
{
    setObjectName(QStringLiteral("frmAttach"));
    actExec = new QAction(imgMain(28), S("実行(&E)"), this);
    actExit = new QAction(imgMain(42), S("終了(&X)"), this);
    connect(actExec, &QAction::triggered, this, [this] {
        try {
            actExecExecute();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    connect(actExit, &QAction::triggered, this, [this] { frame()->close(); });
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tolCmd->addActions({actExec, actExit});
    for (QAction* a : tolCmd->actions())
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);

    auto* pnlAttach = new QWidget(this);
    pnlAttach->setObjectName(QStringLiteral("pnlAttach"));
    auto* form = new QGridLayout(pnlAttach);
    txtMdfFile = new QLineEdit(pnlAttach);
    txtMdfFile->setObjectName(QStringLiteral("txtMdfFile"));
    btnMDFFile = new QToolButton(pnlAttach);
    btnMDFFile->setObjectName(QStringLiteral("btnMDFFile"));
    btnMDFFile->setText(QStringLiteral("..."));
    txtdatabase = new QLineEdit(pnlAttach);
    txtdatabase->setObjectName(QStringLiteral("txtdatabase"));
    form->addWidget(new QLabel(S("MDFファイル"), pnlAttach), 0, 0);
    form->addWidget(txtMdfFile, 0, 1);
    form->addWidget(btnMDFFile, 0, 2);
    form->addWidget(new QLabel(S("データベース名"), pnlAttach), 1, 0);
    form->addWidget(txtdatabase, 1, 1);
    form->setColumnStretch(1, 1);
    form->setColumnMinimumWidth(3, 140);

    grdFile = new QTableWidget(1, 2, this);
    grdFile->setObjectName(QStringLiteral("grdFile"));
    grdFile->setHorizontalHeaderLabels({S("ファイル名"), S("ファイルの種類")});
    grdFile->verticalHeader()->hide();
    grdFile->setColumnWidth(0, 547);
    grdFile->setColumnWidth(1, 142);
    grdFile->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout();
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(tolCmd);
    top->addWidget(pnlName, 1);
    layout->addLayout(top);
    layout->addWidget(pnlAttach);
    layout->addWidget(grdFile, 1);

    connect(btnMDFFile, &QToolButton::clicked, this, [this] {
        try {
            btnMDFFileClick();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    connect(txtMdfFile, &QLineEdit::textChanged, this, [this] { actExecUpdate(); });

    SetIcon(1);
    resize(720, 400);
    EnsureWindowSettings();
    FillConnections();
    UpdateCaption();
    actExecUpdate();
}

void TfrmAttach::actExecUpdate() { actExec->setEnabled(!txtMdfFile->text().isEmpty()); }

void TfrmAttach::btnMDFFileClick()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    const QString name = ui().openFile(txtMdfFile->text());
    if (name.isEmpty())
        return;
    txtMdfFile->setText(name);
    TObjectSession* s = conn->session();
    if (txtdatabase->text().isEmpty())
        txtdatabase->setText(attach::DatabaseName(Rows(s, attach::CheckPrimaryFileSql(2), {name})));
    grdFile->clearContents();
    grdFile->setRowCount(1);
    const QList<QStringList> rows = Rows(s, attach::CheckPrimaryFileSql(3), {name});
    grdFile->setRowCount(std::max(1, int(rows.size())));
    for (int n = 0; n < rows.size(); ++n) {
        const QString file = rows.at(n).value(3).trimmed();
        if (!ui().fileExists(file))
            continue; // a file this machine does not see leaves its row for the user to fill
        grdFile->setItem(n, 0, new QTableWidgetItem(file));
        grdFile->setItem(n, 1, new QTableWidgetItem(attach::FileKind(file)));
    }
}

void TfrmAttach::actExecExecute()
{
    actExecUpdate();
    TfrmObject* conn = Connection();
    if (!conn || !actExec->isEnabled())
        return;
    if (QWidget* focus = focusWidget())
        focus->clearFocus(); // a cell in edit is taken first
    const attach::Check check = attach::CheckAttach(txtdatabase->text(), grdFile->rowCount());
    if (check != attach::Check::Ok) {
        ui().message(attach::CheckText(check), MB_OK | MB_ICONWARNING);
        (check == attach::Check::NoDatabase ? static_cast<QWidget*>(txtdatabase) : grdFile)->setFocus();
        return;
    }
    QStringList files;
    for (int r = 0; r < grdFile->rowCount(); ++r)
        files << (grdFile->item(r, 0) ? grdFile->item(r, 0)->text() : QString());
    {
        const CommitAround commitAround(OwnerForm());
        conn->ExecuteSQL(attach::AttachSql(txtdatabase->text(), files));
    }
    ui().message(S("アタッチを実行しました。"), MB_OK);
    conn->ShowTree();
    AttachOption.Path = attach::FolderOf(txtMdfFile->text());
    if (TfrmMain* main = TfrmMain::instance())
        main->SetDefMessage();
}

} // namespace qv
