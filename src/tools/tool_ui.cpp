#include "tools/tool_ui.h"

#include "app/escape_watch.h"

namespace qv::tools {

ToolUi& Ui()
{
    static ToolUi ui;
    return ui;
}

int Message(const QString& text, int flags)
{
    return Ui().message ? Ui().message(text, flags) : ShowMessageBox(text, flags);
}

int CheckMessage(const QString& text, int flags, const CheckList& checks)
{
    return Ui().check ? Ui().check(text, flags, checks) : ShowCheckMessageBox(text, flags, checks);
}

bool Escape() { return Ui().escape ? Ui().escape() : EscapePressed(); }

} // namespace qv::tools
