#include "objects/sample_window.h"

#include "app/connection_window_iface.h"
#include "app/globals.h"
#include "app/images.h"
#include "app/message_box.h"
#include "app/object_types.h"
#include "app/textfiles.h"
#include "editor/editor_strings.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFontDatabase>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace qv {

std::function<void(const QString&)> TfrmSample::WarningHook;

namespace {
const QString SampleKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\SAMPLE");
} // namespace

QString SampleFileName(bool azure, int objectType)
{
    const QString kind = objectType == 51 ? QStringLiteral("procedure") : QStringLiteral("function");
    return QStringLiteral("sample/") + kind + (azure ? QStringLiteral("_azure") : QString()) + QStringLiteral(".sql");
}

QString SampleFilePath(bool azure, int objectType)
{
    const QString name = SampleFileName(azure, objectType);
    const QString data = DataDir() + name;
    if (QFile::exists(data))
        return data;
    const QString installed = ProgramDir() + name;
    return QFile::exists(installed) ? installed : data;
}

TfrmSample::TfrmSample(TqvForm* owner) : TqvForm(owner, owner)
{
    setObjectName(QStringLiteral("frmSample"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("サンプル"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnExit = tolCmd->addAction(imgMain(42), QStringLiteral("終了(&X)"));
    btnExit->setObjectName(QStringLiteral("btnExit"));
    connect(btnExit, &QAction::triggered, this, [this] { close(); });
    txtSample = new TqvMemo(this);
    txtSample->setObjectName(QStringLiteral("txtSample"));
    txtSample->SetReadOnly(true);
    txtSample->SetWordWrap(false);
    txtSample->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(tolCmd);
    layout->addWidget(txtSample, 1);
    resize(560, 420);
}

TfrmSample::~TfrmSample() { SaveSettings(); }

void TfrmSample::ShowWindow(TqvForm* owner, QPointer<TfrmSample>& slot, int objectType)
{
    if (!slot) {
        slot = new TfrmSample(owner);
        slot->SetIcon(99);
        slot->setWindowTitle(GetObjectTypeName(objectType) + QStringLiteral(" - サンプル"));
        slot->LoadSettings();
    }
    TfrmSample* w = slot;
    const bool azure = owner && owner->OwnerForm() && owner->OwnerForm()->IsAzure();
    const QString path = SampleFilePath(azure, objectType);
    if (!QFile::exists(path)) {
        const QString text = QStringLiteral("ファイルが見つかりません。");
        if (WarningHook)
            WarningHook(text);
        else
            ShowMessageBox(text, MB_OK | MB_ICONWARNING);
        delete w; // the viewer closes and is freed
        return;
    }
    w->txtSample->Lines().LoadFromFile(path, &GetFileEncoding());
    w->txtSample->SetModified(false);
    w->txtSample->EditorUndoObj().Clear();
    w->show();
    w->raise();
}

void TfrmSample::LoadSettings()
{
    const QPoint pointer = QCursor::pos();
    TqvRegistry reg;
    if (!reg.OpenKey(SampleKey, true))
        return;
    int state = reg.GetInteger(QStringLiteral("WindowState"), 0);
    if (state == 1)
        state = 0; // a minimised viewer opens normal
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    } else {
        // The viewer opens at the mouse pointer, whatever was stored.
        const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        move(pointer.x() - caption, pointer.y() - caption);
        resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    }
}

void TfrmSample::SaveSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(SampleKey, true))
        return;
    const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    reg.WriteInteger(QStringLiteral("WindowState"), state);
    if (state == 0) {
        reg.WriteInteger(QStringLiteral("Left"), x());
        reg.WriteInteger(QStringLiteral("Top"), y());
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
}

} // namespace qv
