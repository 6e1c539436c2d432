#pragma once
// Window-free rules of the SQL editor frame: the display width of a text in editor columns,
// the file name proposed by "save as", the width at which the tool palette reopens, the
// cheap text states the commands follow and the loading of files into the editor.
#include <QString>
#include <QStringList>

namespace qv {

class TEditorStrings;
class TextEncoding;

// Display width of `text` in editor columns: a TAB counts `tabSpaceCount`; any other character
// counts 1 when it is a single byte both in CP932 and in UTF-8 (that is, ASCII), else 2.
int StrByteLength(const QString& text, int tabSpaceCount);

// The file name (without folder) that "save as" proposes for a window of object type
// `objType` whose schema and name boxes hold `schema` and `name`: "schema.name.sql", or
// "name.sql" without a schema (always for users, roles and file groups); "Script.sql" for other
// kinds of window or an empty name. Characters that cannot stand in a file name are removed.
QString MemoDefaultFileName(int objType, const QString& schema, const QString& name);

// The width at which a hidden tool palette reopens: the remembered width, or 300 when that is
// below 100 or wider than the frame.
int PaletteShowWidth(int rememberedWidth, int frameWidth);

// The text is empty / is exactly one line break ("\r\n"). Read from the shape of the row
// store (row count, first row), never by joining the text: the commands of the SQL editors
// follow these on every caret move.
bool EditorTextEmpty(const TEditorStrings& lines);
bool EditorTextIsOneBreak(const TEditorStrings& lines);

// Replaces the text of `lines` by the files in the given order, read in `encoding`, each
// file's lines ending with a line break, in one update of the editor (one change
// notification, however many lines). The undo steps are dropped. Read errors propagate;
// the text then holds what was read before the error.
void LoadFilesIntoLines(TEditorStrings& lines, const QStringList& fileNames, const TextEncoding& encoding);

constexpr int kPaletteDefaultWidth = 300;
constexpr int kPaletteInitialWidth = 320;
constexpr int kMemoMinFontSize = 6;
constexpr int kMemoMaxFontSize = 50;

} // namespace qv
