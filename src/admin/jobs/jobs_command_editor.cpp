#include "admin/jobs/jobs_command_editor.h"

#include "admin/jobs/jobs_grid_text.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "connection/object_session.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

std::function<int(TfrmSqlMemo*)> TfrmSqlMemo::ExecHook;
std::function<int(const QString&, int)> TfrmSqlMemo::MessageHook;

namespace {
const QString kCommentKey = SettingsRootKey + QStringLiteral("\\GUI\\COMMENT");

int Box(const QString& text, int flags)
{
    return TfrmSqlMemo::MessageHook ? TfrmSqlMemo::MessageHook(text, flags) : ShowMessageBox(text, flags);
}
} // namespace

TfrmSqlMemo::TfrmSqlMemo(TObjectSession* owner, const QString& database, QWidget* parent)
    : QDialog(parent), FOwner(owner), FDatabase(database.isEmpty() ? QStringLiteral("master") : database)
{
    setObjectName(QStringLiteral("frmSqlMemo"));
    setWindowTitle(QStringLiteral("SQLコマンドの編集"));
    setWindowIcon(imgMain(93));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    resize(381, 237);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    txtComment = new TqvMemo(this);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    layout->addWidget(txtComment, 1);
    auto* bottom = new QHBoxLayout;
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnAnalyze = new QPushButton(QStringLiteral("解析"), this);
    btnAnalyze->setObjectName(QStringLiteral("btnAnalyze"));
    for (QPushButton* b : {btnOk, btnCancel, btnAnalyze})
        b->setAutoDefault(false);
    bottom->addStretch(1);
    bottom->addWidget(btnOk);
    bottom->addWidget(btnCancel);
    bottom->addWidget(btnAnalyze);
    bottom->addStretch(1);
    layout->addLayout(bottom);
    connect(btnOk, &QPushButton::clicked, this, [this] { done(1); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(2); });
    connect(btnAnalyze, &QPushButton::clicked, this, [this] { btnAnalyzeClick(); });
    // "解析" only while there is text.
    txtComment->OnChange = [this](TEditor*) { btnAnalyze->setEnabled(!EditorText().isEmpty()); };
}

QString TfrmSqlMemo::EditorText() const { return txtComment->Lines().ToStringList().join(QLatin1Char('\n')); }

void TfrmSqlMemo::btnAnalyzeClick()
{
    if (!FOwner || EditorText().isEmpty())
        return;
    bool failed = false;
    try {
        for (const QString& sql : jobs::StepAnalysisPrologue(FDatabase))
            FOwner->ExecuteSQL(sql);
        try {
            FOwner->ExecuteSQL(EditorText());
        } catch (const std::exception& e) {
            failed = true;
            Box(QString::fromUtf8(e.what()), MB_OK | MB_ICONWARNING);
        }
    } catch (...) {
        FOwner->ExecuteSQL(QStringLiteral("SET NOEXEC OFF"));
        throw;
    }
    FOwner->ExecuteSQL(QStringLiteral("SET NOEXEC OFF"));
    if (!failed)
        Box(QStringLiteral("コマンドが正常に解析されました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmSqlMemo::readPlacement()
{
    TqvRegistry reg;
    if (!reg.KeyExists(kCommentKey) || !reg.OpenKeyReadOnly(kCommentKey))
        return;
    const QRect g = geometry();
    const int left = reg.GetInteger(QStringLiteral("Left"), g.left());
    const int top = reg.GetInteger(QStringLiteral("Top"), g.top());
    const int width = reg.GetInteger(QStringLiteral("Width"), g.width());
    const int height = reg.GetInteger(QStringLiteral("Height"), g.height());
    reg.CloseKey();
    resize(std::max(width, 200), std::max(height, 120));
    move(left, top);
}

void TfrmSqlMemo::writePlacement()
{
    TqvRegistry reg;
    if (!reg.OpenKey(kCommentKey, true))
        return;
    const QRect g = geometry();
    reg.WriteInteger(QStringLiteral("Left"), g.left());
    reg.WriteInteger(QStringLiteral("Top"), g.top());
    reg.WriteInteger(QStringLiteral("Width"), g.width());
    reg.WriteInteger(QStringLiteral("Height"), g.height());
    reg.CloseKey();
}

int TfrmSqlMemo::ShowWindow(TObjectSession* owner, const QString& database, QString& comment)
{
    TfrmSqlMemo dialog(owner, database, TfrmMain::instance());
    dialog.readPlacement();
    dialog.txtComment->Lines().SetTextStr(comment);
    dialog.txtComment->SetModified(false);
    dialog.btnAnalyze->setEnabled(!comment.isEmpty());
    dialog.txtComment->SetSelStart(int(comment.size()));
    const int result = ExecHook ? ExecHook(&dialog) : dialog.exec();
    if (result == 1)
        comment = jobs::StepCommandOnOk(dialog.EditorText());
    dialog.writePlacement();
    return result == 1 ? 1 : 2;
}

} // namespace qv
