#pragma once
// The message boxes and the Esc poll of the data-tool windows (comparison, matrix, grant), in
// one place so that tests can answer them.
#include "app/message_box.h"

#include <functional>

namespace qv::tools {

struct ToolUi {
    std::function<int(const QString& text, int flags)> message;
    std::function<int(const QString& text, int flags, const CheckList& checks)> check;
    std::function<bool()> escape;
};
// Empty members fall back to ShowMessageBox, ShowCheckMessageBox and EscapePressed.
ToolUi& Ui();

int Message(const QString& text, int flags);
int CheckMessage(const QString& text, int flags, const CheckList& checks);
bool Escape();

} // namespace qv::tools
