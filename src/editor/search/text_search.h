#pragma once
// The editor's text search on a block of text: forwards or backwards from a selection, with
// case folding (ASCII, full-width Latin, Greek and Cyrillic letters), a whole-word rule and the
// option to skip line breaks and blanks inside a match. No widget involved.
#include <QString>
#include <QStringView>
#include <cstdint>

namespace qv {

using TSearchOptions = uint16_t;
enum TSearchOption : uint16_t {
    sfrDown = 0x0001,
    sfrMatchCase = 0x0002,
    sfrWholeWord = 0x0004,
    sfrNoMatchZenkaku = 0x0008, // full-width ASCII forms match their half-width forms
    sfrReplace = 0x0010,
    sfrReplaceAll = 0x0020,
    sfrReplaceConfirm = 0x0040,
    sfrIncludeCRLF = 0x0080,
    sfrIncludeSpace = 0x0100,
    sfrWholeFile = 0x0200,
};

// True for the characters whose upper-case form is used when letter case is ignored.
bool IsCaseFoldable(QChar c);
// Word delimiter of the whole-word rule (U+0000..U+002F, U+003A..U+003E, U+0040,
// U+005B..U+0060); every other character belongs to a word.
bool IsSearchDelimiter(QChar c);

// Searches Buf for Search. Forwards from selStart + selLength, backwards ending before
// selStart. Returns the position of the hit (and sets selLength to the matched length, skipped
// characters included) or -1.
// Before and After are the characters just outside Buf when Buf is cut out of a longer line
// (a block that starts or ends on a wrapped row); the whole-word rule tests them as it tests
// the characters inside Buf. A null character stands for a line start or end.
int FindInBuffer(QStringView buf, int selStart, int& selLength, const QString& search, TSearchOptions options,
                 QChar before = QChar(), QChar after = QChar());
// As FindInBuffer; false for an empty text or pattern; on a hit selStart is the hit's position.
bool FindInText(QStringView buf, int& selStart, int& selLength, const QString& search, TSearchOptions options,
                QChar before = QChar(), QChar after = QChar());

} // namespace qv
