#include "app/editor_settings.h"

#include <algorithm>

namespace qv {

EditorPropertySet prpEditor;

QColor ToQColor(TColor c)
{
    if (c == clNone)
        return QColor();
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TColor FromQColor(const QColor& c)
{
    if (!c.isValid())
        return clNone;
    return TColor(c.red()) | (TColor(c.green()) << 8) | (TColor(c.blue()) << 16);
}

void EditorPropertySet::SetWrapByte(int v) { m_wrapByte = std::clamp(v, 20, 250); }

void EditorPropertySet::SetTabSpaceCount(int v)
{
    if (v == 2 || v == 4 || v == 6 || v == 8)
        Caret.TabSpaceCount = v;
}

void EditorPropertySet::SetGaugeRange(int v)
{
    if (v == 8 || v == 10)
        Ruler.GaugeRange = v;
}

void EditorPropertySet::SetMargin(int top, int left, int character, int line)
{
    Margin.Top = std::clamp(top, 0, 100);
    Margin.Left = std::clamp(left, 0, 100);
    Margin.Character = std::clamp(character, 0, 100);
    Margin.Line = std::clamp(line, 0, 100);
}

void EditorPropertySet::SetReserveWordList(const QStringList& words)
{
    QStringList sorted = words;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    m_reserveWords.clear();
    for (const QString& w : sorted)
        if (m_reserveWords.isEmpty() || m_reserveWords.last().compare(w, Qt::CaseInsensitive) != 0)
            m_reserveWords << w;
}

} // namespace qv
