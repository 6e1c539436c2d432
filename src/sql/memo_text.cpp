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
    TEditorScreenStrings& st = lines.Store();
    // Every line of a file ends with a line break, the last one too.
    auto endWithBreak = [&] {
        const int n = st.Count();
        if (n > 0 && st.GetRows(n - 1) != raCrlf)
            st.ReplaceRows(n - 1, 1, st.Get(n - 1) + QStringLiteral("\r\n"));
    };
    lines.BeginUpdate();
    try {
        if (fileNames.isEmpty())
            lines.Clear();
        for (qsizetype i = 0; i < fileNames.size(); ++i) {
            if (i == 0) {
                // The first file streams straight into the editor's rows.
                lines.LoadFromFile(fileNames[i], &encoding);
                endWithBreak();
                continue;
            }
            TEditorStrings file;
            file.LoadFromFile(fileNames[i], &encoding);
            if (file.Count() == 0)
                continue;
            QString text = file.GetTextStr();
            if (!text.endsWith(QLatin1String("\r\n")))
                text += QStringLiteral("\r\n");
            st.ReplaceRows(st.Count(), 0, text);
        }
    } catch (...) {
        st.UndoObj().Clear();
        lines.EndUpdate();
        throw;
    }
    st.UndoObj().Clear();
    lines.EndUpdate();
}

} // namespace qv
