#include "sql/memo_text.h"

#include "app/object_types.h"
#include "app/textfiles.h"
#include "editor/editor_strings.h"
#include "editor/undo.h"

namespace qv {

int StrByteLength(const QString& text, int tabSpaceCount)
{
    int width = 0;
    // Code points, so a surrogate pair counts once. Only ASCII is one byte in both CP932 and
    // UTF-8: half-width katakana are one byte in CP932 but three in UTF-8.
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\t')
            width += tabSpaceCount;
        else
            width += c < 0x80 ? 1 : 2;
    }
    return width;
}

QString MemoDefaultFileName(int objType, const QString& schema, const QString& name)
{
    bool named = false, withSchema = true;
    switch (objType) {
    case ObjType::OwnUser:
    case ObjType::Role:
    case ObjType::FileGroup:
        named = true;
        withSchema = false;
        break;
    case ObjType::Table:
    case ObjType::Index:
    case ObjType::View:
    case 48:
    case 51:
    case 52:
    case 53:
    case 54:
    case 55:
    case 56:
    case ObjType::Trigger:
    case ObjType::Sequence:
    case ObjType::Synonym:
    case ObjType::Constraint:
        named = true;
        break;
    default:
        break;
    }
    if (!named || name.isEmpty())
        return QStringLiteral("Script.sql");
    const QString base = withSchema && !schema.isEmpty() ? schema + QLatin1Char('.') + name : name;
    // Object names may hold "/" and other characters a file name cannot.
    return SafeFileName(base + QStringLiteral(".sql"));
}

int PaletteShowWidth(int rememberedWidth, int frameWidth)
{
    if (rememberedWidth < 100 || rememberedWidth > frameWidth)
        return kPaletteDefaultWidth;
    return rememberedWidth;
}

bool EditorTextEmpty(const TEditorStrings& lines)
{
    // A text that joins to nothing: no rows, or one empty row without a line break.
    const TEditorScreenStrings& st = lines.Store();
    const int n = st.Count();
    return n == 0 || (n == 1 && st.RowView(0).isEmpty() && st.GetRows(0) != raCrlf);
}

bool EditorTextIsOneBreak(const TEditorStrings& lines)
{
    const TEditorScreenStrings& st = lines.Store();
    return st.Count() == 1 && st.RowView(0).isEmpty() && st.GetRows(0) == raCrlf;
}

void LoadFilesIntoLines(TEditorStrings& lines, const QStringList& fileNames, const TextEncoding& encoding)
{
    // Pieces of about 2 M characters, each ending at a row end.
    constexpr int kPieceUnits = 2 * 1024 * 1024;
    TEditorScreenStrings& st = lines.Store();
    lines.BeginUpdate();
    st.BeginLoad();
    try {
        for (const QString& name : fileNames) {
            TEditorStrings file;
            file.LoadFromFile(name, &encoding);
            const TEditorScreenStrings& fs = file.Store();
            if (fs.Count() == 0)
                continue;
            fs.ForEachTextChunk(kPieceUnits, [&](QStringView piece) { st.AppendText(piece); });
            // Every line of a file ends with a line break, the last one too.
            if (fs.GetRows(fs.Count() - 1) != raCrlf)
                st.AppendText(u"\r\n");
        }
    } catch (...) {
        st.EndLoad();
        st.UndoObj().Clear();
        lines.EndUpdate();
        throw;
    }
    st.EndLoad();
    st.UndoObj().Clear();
    lines.EndUpdate();
}

} // namespace qv
