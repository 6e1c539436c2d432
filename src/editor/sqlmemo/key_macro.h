#pragma once
// The keyboard macro shared by every SQL editor: the recorded key, character and input-method
// messages with the modifier state at recording time, and its text file (".qvmcr": one line
// per record, six quoted decimal fields).
#include <QString>
#include <cstdint>
#include <vector>

namespace qv {

// Message numbers of a record.
enum : uint32_t {
    CN_KEYDOWN = 0xBD00,
    CN_CHAR = 0xBD02,
    WM_IME_CHAR = 0x0286,
};

struct TKeyMacroData {
    uint32_t Msg = 0;
    uint16_t CharCode = 0;
    int32_t KeyData = 0;
    uint8_t Shift = 0;
    uint8_t Ctrl = 0;
    uint8_t Alt = 0;
    bool operator==(const TKeyMacroData&) const = default;
};

enum TqvMacroStatus { msNone, msRecording, msWaiting, msRunning };

class TqvMacroList {
public:
    virtual ~TqvMacroList() { Clear(); }
    virtual void Clear() { m_items.clear(); }
    // Records a message (the character that follows an input-method character is dropped once).
    // Returns the record or nullptr.
    TKeyMacroData* Add(uint32_t msg, uint16_t wParam, int32_t lParam, uint8_t shift, uint8_t ctrl, uint8_t alt);
    TKeyMacroData* Add(const TKeyMacroData& data);
    int Count() const { return int(m_items.size()); }
    const TKeyMacroData& Item(int i) const { return m_items[size_t(i)]; }
    TqvMacroStatus Status() const { return m_status; }
    void SetStatus(TqvMacroStatus s) { m_status = s; }

    // Only the messages a recording produces are valid in a file.
    static bool IsRecordedMessage(uint32_t msg) { return msg == CN_KEYDOWN || msg == CN_CHAR || msg == WM_IME_CHAR; }
    // The file text of the records (CR LF line ends).
    QString ToText() const;
    // Parses a file text; false (and no records) for a malformed text or a field outside the
    // range of its record field.
    static bool ParseText(const QString& text, std::vector<TKeyMacroData>& out);

private:
    std::vector<TKeyMacroData> m_items;
    int m_imeCharCount = 0;
    TqvMacroStatus m_status = msNone;
};

} // namespace qv
