#include "app/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "app/message_box.h"

namespace qv {

QString HelpBinding::helpFile()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".chm");
}

bool HelpBinding::showContents()
{
    const QString file = helpFile();
    if (!QFileInfo::exists(file) || !QDesktopServices::openUrl(QUrl::fromLocalFile(file))) {
        ShowMessageBox(QStringLiteral("ヘルプファイルを開けませんでした。\n") + file, MB_ICONERROR);
        return false;
    }
    return true;
}

bool HelpBinding::showContext(int context)
{
    Q_UNUSED(context);
    return showContents();
}

QString HelpBinding::homePageAddress() { return QString(); }
QString HelpBinding::faqPageAddress() { return QString(); }

} // namespace qv
