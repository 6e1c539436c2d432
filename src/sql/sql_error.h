#pragma once
// Marking a failed statement in the SQL editor.

namespace qv {

class TqvMemo;

// After a statement failed: when the editor has no selection, selects the whole lines
// firstLine to lastLine (the failed batch); an existing selection is left as it is.
void SelectSQLError(TqvMemo* editor, int lastLine, int firstLine);

} // namespace qv
