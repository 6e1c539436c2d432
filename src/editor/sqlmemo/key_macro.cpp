#include "editor/sqlmemo/key_macro.h"

#include <QStringList>

#include <cstdint>

namespace qv {

TKeyMacroData* TqvMacroList::Add(uint32_t msg, uint16_t wParam, int32_t lParam, uint8_t shift, uint8_t ctrl,
                                 uint8_t alt)
{
    if (msg == WM_IME_CHAR) {
        ++m_imeCharCount;
    } else if (msg == CN_CHAR && m_imeCharCount > 0) {
        --m_imeCharCount;
        return nullptr;
    }
    return Add(TKeyMacroData{msg, wParam, lParam, shift, ctrl, alt});
}

TKeyMacroData* TqvMacroList::Add(const TKeyMacroData& data)
{
    m_items.push_back(data);
    return &m_items.back();
}

QString TqvMacroList::ToText() const
{
    QString out;
    for (const TKeyMacroData& d : m_items)
        out += QStringLiteral("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\",\"%6\"\r\n")
                   .arg(d.Msg)
                   .arg(d.CharCode)
                   .arg(d.KeyData)
                   .arg(d.Shift)
                   .arg(d.Ctrl)
                   .arg(d.Alt);
    return out;
}

bool TqvMacroList::ParseText(const QString& text, std::vector<TKeyMacroData>& out)
{
    out.clear();
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    const QStringList lines = t.split(u'\n');
    for (int li = 0; li < lines.size(); ++li) {
        const QString& line = lines[li];
        if (line.isEmpty() && li == lines.size() - 1)
            break; // after the last line end
        const QStringList parts = line.split(u',');
        if (parts.size() != 6) {
            out.clear();
            return false;
        }
        qint64 v[6];
        for (int k = 0; k < 6; ++k) {
            QString f = parts[k].trimmed();
            if (f.size() >= 2 && f.startsWith(u'"') && f.endsWith(u'"'))
                f = f.mid(1, f.size() - 2);
            bool ok = false;
            v[k] = f.toLongLong(&ok);
            if (f.isEmpty() || !ok) {
                out.clear();
                return false;
            }
        }
        // Every field must fit its record field as it is: a character code of 70000 would
        // otherwise be played back as another character (4464). Only what a recording can
        // produce is played back.
        auto within = [](qint64 x, qint64 lo, qint64 hi) { return x >= lo && x <= hi; };
        if (!IsRecordedMessage(uint32_t(v[0])) || !within(v[0], 0, 0xFFFFFFFFLL) || !within(v[1], 0, 0xFFFF)
            || !within(v[2], INT32_MIN, INT32_MAX) || !within(v[3], 0, 0xFF) || !within(v[4], 0, 0xFF)
            || !within(v[5], 0, 0xFF)) {
            out.clear();
            return false;
        }
        const TKeyMacroData d{uint32_t(v[0]), uint16_t(v[1]), int32_t(v[2]),
                              uint8_t(v[3]),  uint8_t(v[4]),  uint8_t(v[5])};
        out.push_back(d);
    }
    return true;
}

} // namespace qv
