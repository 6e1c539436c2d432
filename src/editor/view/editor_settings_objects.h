#pragma once
// The editor control's settings, one small notifying object per topic: mouse cursors, caret
// and typing, pixel margins, display marks, highlighting view, ruler, line-number bar, image
// bar and speed. Each holds values, clamps what it must and reports a change through
// OnChange; none draws anything. The editor binds every OnChange (but Speed's) to its
// SettingsChanged handler.
#include "editor/editor_fountain.h"
#include "editor/notify.h"

#include <algorithm>
#include <memory>

namespace qv {

// Cursor identifiers: 0 arrow, -4 I-beam, -12 drag; the two loaded slots below.
inline constexpr int16_t crDefault = 0;
inline constexpr int16_t crIBeam = -4;
inline constexpr int16_t crDrag = -12;
inline constexpr int16_t crDragSelCopy = 1;
inline constexpr int16_t crRightArrow = 2;

class TEditorCursors : public TNotifyPersistent {
public:
    int16_t DefaultCursor = crIBeam;
    int16_t DragSelCursor = crDrag;
    int16_t DragSelCopyCursor = crDragSelCopy;
    int16_t InSelCursor = crDefault;
    int16_t LeftMarginCursor = crRightArrow;
    int16_t TopMarginCursor = crDefault;
    void Assign(const TEditorCursors& src);
};

enum TEditorCaretStyle : uint8_t { csDefault, csBrief };
enum TDragMode : uint8_t { dmManual, dmAutomatic };

class TEditorCaret : public TNotifyPersistent {
public:
    TEditorCaret();
    bool AutoCursor = true;
    bool AutoIndent = true;
    bool BackSpaceUnIndent = true;
    TEditorCursors& Cursors() { return *m_cursors; }
    const TEditorCursors& Cursors() const { return *m_cursors; }
    void SetCursors(const TEditorCursors& c) { m_cursors->Assign(c); }
    bool FreeCaret = true;
    bool FreeRow = false;
    bool InTab = false;
    bool KeepCaret = false;
    bool LockScroll = false;
    bool NextLine = false;
    bool PrevSpaceIndent = false;
    bool RowSelect = true;
    TDragMode SelDragMode = dmAutomatic;
    bool SelMove = true;
    bool SoftTab = false;
    bool TabIndent = false;

    TEditorCaretStyle Style() const { return m_style; }
    void SetStyle(TEditorCaretStyle v);
    int TabSpaceCount() const { return m_tabSpaceCount; }
    // 2..8, rounded down to an even count.
    void SetTabSpaceCount(int v);
    // Copies every field (as it stands) and notifies once.
    void Assign(const TEditorCaret& src);

private:
    std::unique_ptr<TEditorCursors> m_cursors;
    TEditorCaretStyle m_style = csDefault;
    int m_tabSpaceCount = 8;
};

class TEditorMargin : public TNotifyPersistent {
public:
    int Character() const { return m_character; }
    int Left() const { return m_left; }
    int Line() const { return m_line; }
    int Top() const { return m_top; }
    // Each clamped to 0..100.
    void SetCharacter(int v) { SetField(m_character, std::clamp(v, 0, 100)); }
    void SetLeft(int v) { SetField(m_left, std::clamp(v, 0, 100)); }
    void SetLine(int v) { SetField(m_line, std::clamp(v, 0, 100)); }
    void SetTop(int v) { SetField(m_top, std::clamp(v, 0, 100)); }
    // 1 while the caret-row underline is shown (written by the editor, notifies nobody).
    int Underline = 0;
    void Assign(const TEditorMargin& src);

private:
    int m_character = 0;
    int m_left = 19;
    int m_line = 0;
    int m_top = 2;
};

class TEditorMark : public TNotifyPersistent {
public:
    TColor Color() const { return m_color; }
    bool Visible() const { return m_visible; }
    void SetColor(TColor v);
    void SetVisible(bool v);
    void Assign(const TEditorMark& src);

private:
    TColor m_color = 0x808080;
    bool m_visible = false;
};

class TEditorMarks : public TNotifyPersistent {
public:
    TEditorMarks();
    TEditorMark& EofMark() { return m_marks[0]; }
    TEditorMark& RetMark() { return m_marks[1]; }
    TEditorMark& WrapMark() { return m_marks[2]; }
    TEditorMark& HideMark() { return m_marks[3]; }
    TEditorMark& Underline() { return m_marks[4]; }
    TEditorMark& TabMark() { return m_marks[5]; }
    TEditorMark& SemiSpaceMark() { return m_marks[6]; }
    TEditorMark& SpaceMark() { return m_marks[7]; }
    const TEditorMark& EofMark() const { return m_marks[0]; }
    const TEditorMark& RetMark() const { return m_marks[1]; }
    const TEditorMark& WrapMark() const { return m_marks[2]; }
    const TEditorMark& HideMark() const { return m_marks[3]; }
    const TEditorMark& Underline() const { return m_marks[4]; }
    const TEditorMark& TabMark() const { return m_marks[5]; }
    const TEditorMark& SemiSpaceMark() const { return m_marks[6]; }
    const TEditorMark& SpaceMark() const { return m_marks[7]; }
    void Assign(const TEditorMarks& src);

private:
    TEditorMark m_marks[8];
};

// The view: a facade over a highlighting fountain the view owns.
class TEditorViewInfo : public TNotifyPersistent {
public:
    explicit TEditorViewInfo(TPersistent* owner = nullptr);
    ~TEditorViewInfo() override;
    TPersistent* GetOwner() const override { return m_owner; }
    TEditorFountain& EditorFountain() { return *m_fountain; }
    const TEditorFountain& EditorFountain() const { return *m_fountain; }

    TFountainBracketCollection& Brackets() { return m_fountain->Brackets(); }
    void SetBrackets(const TFountainBracketCollection& b) { m_fountain->SetBrackets(b); }
    TEditorColors& Colors() { return m_fountain->Colors(); }
    void SetColors(TEditorColors& c) { m_fountain->SetColors(c); }
    const QString& Commenter() const { return m_fountain->Commenter; }
    void SetCommenter(const QString& v) { SetField(m_fountain->Commenter, v); }
    bool ControlCode() const { return m_fountain->ControlCode; }
    void SetControlCode(bool v) { SetField(m_fountain->ControlCode, v); }
    const QString& HexPrefix() const { return m_fountain->HexPrefix; }
    void SetHexPrefix(const QString& v) { SetField(m_fountain->HexPrefix, v); }
    bool Mail() const { return m_fountain->Mail; }
    void SetMail(bool v) { SetField(m_fountain->Mail, v); }
    const QString& Quotation() const { return m_fountain->Quotation; }
    // Only the first character is kept.
    void SetQuotation(const QString& v) { SetField(m_fountain->Quotation, v.left(1)); }
    const QString& DoubleQuotation() const { return m_fountain->DoubleQuotation; }
    void SetDoubleQuotation(const QString& v) { SetField(m_fountain->DoubleQuotation, v.left(1)); }
    bool Url() const { return m_fountain->Url; }
    void SetUrl(bool v) { SetField(m_fountain->Url, v); }
    void Assign(TEditorViewInfo& src);

protected:
    virtual std::unique_ptr<TEditorFountain> CreateEditorFountain();

private:
    TPersistent* m_owner;
    std::unique_ptr<TEditorFountain> m_fountain;
};

class TEditorRuler : public TNotifyPersistent {
public:
    TColor BkColor() const { return m_bkColor; }
    TColor Color() const { return m_color; }
    bool Edge() const { return m_edge; }
    int GaugeRange() const { return m_gaugeRange; }
    TColor MarkColor() const { return m_markColor; }
    bool Visible() const { return m_visible; }
    void SetBkColor(TColor v) { SetField(m_bkColor, v); }
    void SetColor(TColor v) { SetField(m_color, v); }
    void SetEdge(bool v) { SetField(m_edge, v); }
    // 8..10, rounded down to even: 8 or 10.
    void SetGaugeRange(int v);
    void SetMarkColor(TColor v) { SetField(m_markColor, v); }
    void SetVisible(bool v) { SetField(m_visible, v); }
    void Assign(const TEditorRuler& src);

private:
    TColor m_bkColor = 0xC0C0C0;
    TColor m_color = 0;
    bool m_edge = true;
    int m_gaugeRange = 10;
    TColor m_markColor = 0;
    bool m_visible = false;
};

enum TEditorShowNumberMode : uint8_t { nmRow, nmLine };

class TEditorLeftbar : public TNotifyPersistent {
public:
    TColor BkColor() const { return m_bkColor; }
    TColor Color() const { return m_color; }
    int Column() const { return m_column; }
    bool Edge() const { return m_edge; }
    int LeftMargin() const { return m_leftMargin; }
    int RightMargin() const { return m_rightMargin; }
    bool ShowNumber() const { return m_showNumber; }
    TEditorShowNumberMode ShowNumberMode() const { return m_showNumberMode; }
    bool Visible() const { return m_visible; }
    bool ZeroBase() const { return m_zeroBase; }
    bool ZeroLead() const { return m_zeroLead; }
    void SetBkColor(TColor v) { SetField(m_bkColor, v); }
    void SetColor(TColor v) { SetField(m_color, v); }
    void SetColumn(int v) { SetField(m_column, std::clamp(v, 1, 8)); }
    void SetEdge(bool v) { SetField(m_edge, v); }
    void SetLeftMargin(int v) { SetField(m_leftMargin, std::clamp(v, 0, 100)); }
    void SetRightMargin(int v) { SetField(m_rightMargin, std::clamp(v, 0, 100)); }
    void SetShowNumber(bool v) { SetField(m_showNumber, v); }
    void SetShowNumberMode(TEditorShowNumberMode v) { SetField(m_showNumberMode, v); }
    void SetVisible(bool v) { SetField(m_visible, v); }
    void SetZeroBase(bool v) { SetField(m_zeroBase, v); }
    void SetZeroLead(bool v) { SetField(m_zeroLead, v); }
    void Assign(const TEditorLeftbar& src);

private:
    TColor m_bkColor = 0xC0C0C0;
    TColor m_color = 0;
    int m_column = 4;
    bool m_edge = true;
    int m_leftMargin = 8;
    int m_rightMargin = 4;
    bool m_showNumber = true;
    TEditorShowNumberMode m_showNumberMode = nmRow;
    bool m_visible = false;
    bool m_zeroBase = false;
    bool m_zeroLead = false;
};

class TEditorImagebar : public TNotifyPersistent {
public:
    int DigitWidth() const { return m_digitWidth; }
    int LeftMargin() const { return m_leftMargin; }
    int MarkWidth() const { return m_markWidth; }
    int RightMargin() const { return m_rightMargin; }
    bool Visible() const { return m_visible; }
    // Widths clamped to 0..100.
    void SetDigitWidth(int v) { SetField(m_digitWidth, std::clamp(v, 0, 100)); }
    void SetLeftMargin(int v) { SetField(m_leftMargin, std::clamp(v, 0, 100)); }
    void SetMarkWidth(int v) { SetField(m_markWidth, std::clamp(v, 0, 100)); }
    void SetRightMargin(int v) { SetField(m_rightMargin, std::clamp(v, 0, 100)); }
    void SetVisible(bool v) { SetField(m_visible, v); }
    void Assign(const TEditorImagebar& src);

private:
    int m_digitWidth = 8;
    int m_leftMargin = 2;
    int m_markWidth = 0;
    int m_rightMargin = 2;
    bool m_visible = true;
};

// Speed settings; plain fields, notifies nobody. Ranges are 1..4.
class TEditorSpeed : public TPersistent {
public:
    uint8_t CaretVerticalAc = 2;
    bool InitBracketsFull = false;
    uint8_t PageVerticalRange = 2;
    uint8_t PageVerticalRangeAc = 2;
    void Assign(const TEditorSpeed& src)
    {
        CaretVerticalAc = src.CaretVerticalAc;
        InitBracketsFull = src.InitBracketsFull;
        PageVerticalRange = src.PageVerticalRange;
        PageVerticalRangeAc = src.PageVerticalRangeAc;
    }
};

} // namespace qv
