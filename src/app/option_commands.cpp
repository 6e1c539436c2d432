#include "app/option_commands.h"

#include "app/editor_option_dialog.h"
#include "app/editor_settings.h"
#include "app/main_window.h"
#include "app/news_check.h"
#include "app/option_dialog.h"
#include "app/options.h"
#include "app/support_info.h"

namespace qv {

NewsCheck* InstallOptionCommands(TfrmMain& w)
{
    TfrmMain::setCommandHandler(QStringLiteral("actToolOption"), [](IConnectionWindow*) { TfrmOption::ShowWindow(); });
    TfrmMain::setCommandHandler(QStringLiteral("actToolEditorOption"), [](IConnectionWindow*) {
        if (TfrmEditorOption::ShowWindow(prpEditor))
            TfrmEditorOption::ApplyToOpenEditors();
    });
    TfrmMain::setCommandHandler(QStringLiteral("actHelpSupport"), [](IConnectionWindow*) { TfrmSupport::ShowWindow(); });
    auto* news = new NewsCheck(w.action(QStringLiteral("mnuQvInfo")), &w);
    TfrmMain::setCommandHandler(QStringLiteral("mnuQvInfo"), [news](IConnectionWindow*) { news->MenuCommand(); });
    if (qvOption.CheckInternet)
        news->CheckAtStart();
    return news;
}

} // namespace qv
