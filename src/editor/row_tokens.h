#pragma once
// Paint-time access to the highlighted tokens of one screen row: the row's stored start
// state is brought up to date (rows below an edit are parsed lazily here), the parser is fed
// the row as the painter lays it out (tabs as runs of blanks, the next row appended when the
// row is wrapped so a token broken by the wrap is recognised) and the tokens that start on
// the row are returned with their colours.
#include "editor/screen_strings.h"

#include <vector>

namespace qv {

struct TRowToken {
    int Start = 0;       // position in Text
    int Length = 0;
    char16_t Kind = 0;
    int DrawBracketIndex = -2;
    const TFountainColor* Color = nullptr; // nullptr: the editor's font and colours
};

struct TPaintRow {
    QString Text;   // the row as painted (tabs expanded to blanks when asked)
    int RowLength = 0; // units of Text that belong to the row itself
    std::vector<TRowToken> Tokens;
};

// One parser serves all rows of a paint; make it with the fountain's CreateParser.
TPaintRow PaintRowTokens(TEditorScreenStrings& store, int row, TFountainParser& parser, bool expandTabs);

} // namespace qv
