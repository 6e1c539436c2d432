#include "sql/memo_text.h"

#include "app/object_types.h"
#include "app/textfiles.h"

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

} // namespace qv
