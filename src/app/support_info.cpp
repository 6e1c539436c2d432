#include "app/support_info.h"

#include "app/connection_options.h"
#include "app/connection_window_iface.h"
#include "app/globals.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/system_helpers.h"
#include "controls/print/fprint.h"
#include "controls/print/print_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#define S QStringLiteral

namespace qv {

QStringList SupportLines(const SupportFacts& f)
{
    QStringList l;
    l << S("【Qorvel情報】");
    l << S("  バージョン         : 22");
    l << QString(QChar(0x3000)) + S("ビット数           : ") + f.bitness;
    l << S("  プログラムのパス   : ") + f.programPath;
    if (f.driverName) {
        l << S("  DriverName         : ") + *f.driverName;
        l << S("  DriverVersion      : ") + f.driverVersion;
    } else {
        l << S("  DriverName         : 未接続のため取得できません。");
    }
    l << S("\r\n【Management Studio連携実行ファイルパス】");
    l << S("  Management Studio  : ") + f.msExe;
    l << S("  SSIS(DTS)          : ") + f.dtsExe;
    l << S("  SQL Profiler       : ") + f.spfExe;
    l << S("\r\n【OS情報】");
    l << S("  OS名               : ") + f.osName;
    l << S("  OSのビット数       : ") + f.osBits;
    l << S("  OSバージョン       : ") + f.osVersion;
    l << S("  カーネル           : ") + f.kernel;
    l << S("  OSサービスパック   : 未実装");
    l << S("  OSユーザー権限     : ") + (f.userName.isEmpty() ? S("Unknown") : f.userName);
    l << S("  UAC                : 未実装");
    l << S("  メモリ             : ") + MemoryText(f.memoryMB);
    l << QString();
    l << S("  ユーザ権限         : ") + (f.groups.isEmpty() ? S("Unknown") : f.groups);
    const QStringList entries = f.path.split(u':');
    for (int i = 0; i < entries.size(); ++i)
        l << (i == 0 ? S("  PATH環境変数       : ") : QString(23, u' ')) + entries[i];
    return l;
}

QString OsReleaseValue(const QString& text, const QString& key, const QString& def)
{
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (!line.startsWith(key + u'='))
            continue;
        QString v = line.mid(key.size() + 1);
        if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        return v;
    }
    return def;
}

double MemTotalMB(const QString& meminfo)
{
    for (const QString& line : meminfo.split(u'\n')) {
        if (!line.startsWith(S("MemTotal:")))
            continue;
        const QStringList parts = line.mid(9).simplified().split(u' ');
        bool ok = false;
        const double kb = parts.value(0).toDouble(&ok);
        return ok ? kb / 1024.0 : 0;
    }
    return 0;
}

double GetTotalMemoryMB()
{
    QFile f(S("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return MemTotalMB(QString::fromLatin1(f.readAll()));
}

QString MemoryText(double mb)
{
    if (mb <= 0)
        return S("Unknown");
    return QString::number(qRound64(mb)) + S(" MB");
}

QString CurrentUserName()
{
    if (const passwd* pw = getpwuid(geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QStringList CurrentUserGroups()
{
    QStringList out;
    const int n = getgroups(0, nullptr);
    if (n < 0)
        return out;
    std::vector<gid_t> ids(size_t(n) + 1);
    const int got = getgroups(n, ids.data());
    ids.resize(size_t(got > 0 ? got : 0));
    const gid_t primary = getegid();
    if (std::find(ids.begin(), ids.end(), primary) == ids.end())
        ids.insert(ids.begin(), primary);
    for (gid_t id : ids) {
        const group* g = getgrgid(id);
        out << (g ? QString::fromLocal8Bit(g->gr_name) : QString::number(id));
    }
    return out;
}

SupportFacts GatherSupportFacts(IConnectionWindow* current)
{
    SupportFacts f;
    f.programPath = QCoreApplication::applicationFilePath();
    f.bitness = GetExeBitness(f.programPath);
    if (current) {
        const QStringList report = SessionInfoReport(current);
        f.driverName = InfoReportValue(report, S("Driver name"));
        f.driverVersion = InfoReportValue(report, S("Driver version"));
    }
    f.msExe = qvOption.MS_EXE;
    f.dtsExe = qvOption.DTS_EXE;
    f.spfExe = qvOption.SPF_EXE;
    QString osRelease;
    for (const QString& p : {S("/etc/os-release"), S("/usr/lib/os-release")}) {
        QFile file(p);
        if (file.open(QIODevice::ReadOnly)) {
            osRelease = QString::fromUtf8(file.readAll());
            break;
        }
    }
    f.osName = OsReleaseValue(osRelease, S("PRETTY_NAME"), S("Unknown"));
    f.osVersion = OsReleaseValue(osRelease, S("VERSION_ID"), S("Unknown"));
    f.osBits = QSysInfo::currentCpuArchitecture().contains(S("64")) ? S("64ビット") : S("32ビット");
    f.kernel = QSysInfo::kernelType() + u' ' + QSysInfo::kernelVersion();
    f.userName = CurrentUserName();
    f.groups = CurrentUserGroups().join(S(", "));
    f.memoryMB = GetTotalMemoryMB();
    f.path = qEnvironmentVariable("PATH");
    return f;
}

TfrmSupport::TfrmSupport(const QStringList& lines, QWidget* parent) : QDialog(parent)
{
    setObjectName(S("frmSupport"));
    setWindowTitle(S("サポート情報"));
    auto* root = new QVBoxLayout(this);
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    root->addWidget(bar);
    actCopy = new QAction(imgMain(21), S("クリップボード出力(&C)"), this);
    actPrint = new QAction(imgMain(98), S("印刷(&P)"), this);
    auto* menu = new QMenu(this);
    menu->addAction(actCopy);
    menu->addAction(actPrint);
    btnOutput = new QToolButton(bar);
    btnOutput->setText(S("出力(&P)"));
    btnOutput->setIcon(imgMain(36));
    btnOutput->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnOutput->setPopupMode(QToolButton::InstantPopup);
    btnOutput->setMenu(menu);
    bar->addWidget(btnOutput);
    txtSupport = new QPlainTextEdit(this);
    txtSupport->setReadOnly(true);
    txtSupport->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A CJK monospace font, so that the colons of the labels line up.
    txtSupport->setFont(QFont(ResolvePrintFontFamily(DefaultFontName)));
    txtSupport->setPlainText(lines.join(u'\n').replace(S("\r\n"), S("\n")));
    root->addWidget(txtSupport, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    btnOk = new QPushButton(S("OK"));
    btnOk->setDefault(true);
    row->addWidget(btnOk);
    root->addLayout(row);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(actCopy, &QAction::triggered, this, &TfrmSupport::actCopyExecute);
    connect(actPrint, &QAction::triggered, this, &TfrmSupport::actPrintExecute);
    resize(640, 480);
}

int TfrmSupport::ShowWindow()
{
    TfrmMain* main = TfrmMain::instance();
    TfrmSupport dlg(SupportLines(GatherSupportFacts(main ? main->CurrentForm() : nullptr)), main);
    return dlg.exec();
}

void TfrmSupport::actCopyExecute()
{
    QApplication::clipboard()->setText(txtSupport->toPlainText());
    ShowMessageBox(S("クリップボードに出力しました。"), MB_ICONINFORMATION);
}

void TfrmSupport::actPrintExecute()
{
    const QStringList lines = txtSupport->toPlainText().split(u'\n');
    TfrmPrint::ShowWindow(S("サポート情報"), [lines] {
        TfrmPrint::BeginPrint();
        try {
            TfrmPrint::PrintSource(S("サポート情報"), lines, true);
        } catch (...) {
            TfrmPrint::EndPrint();
            throw;
        }
        TfrmPrint::EndPrint();
    });
    activateWindow();
    txtSupport->setFocus();
}

} // namespace qv
