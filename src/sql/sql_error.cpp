#include "sql/sql_error.h"

#include "editor/sqlmemo/qvmemo.h"

#include <algorithm>

namespace qv {

void SelectSQLError(TqvMemo* editor, int lastLine, int firstLine)
{
    if (!editor || editor->SelLength() > 0)
        return;
    const int count = editor->Lines().Count();
    if (count == 0)
        return;
    const int first = std::clamp(firstLine, 0, count - 1);
    const int last = std::clamp(lastLine, first, count - 1);
    // A wrapped line covers several screen rows: up to the row before the next line.
    const int lastRow = last + 1 < count ? editor->Lines().LineToRow(last + 1) - 1 : editor->ListCount() - 1;
    editor->MultiLineSelect(editor->Lines().LineToRow(first), lastRow);
}

} // namespace qv
