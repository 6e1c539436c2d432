#pragma once
// The editor property set shared by every SQL editor (the main window's prpEditor): font,
// colours, margins, bars, caret behaviour, marks, token colours and word wrap. A plain data
// class here; the editor control copies it into each editor. Setters keep the editor's limits.
//
// Colours are 32-bit values in the 0x00BBGGRR layout of the stored settings; clNone
// (0x1FFFFFFF) means no colour: the surrounding colour shows.
#include "editor/color_value.h"

#include <QColor>
#include <QString>
#include <QStringList>

namespace qv {


// QColor of a stored colour value; an invalid QColor for clNone.
QColor ToQColor(TColor c);
// Stored colour value of a QColor; clNone for an invalid colour.
TColor FromQColor(const QColor& c);

struct EditorColorEntry {
    bool Visible = true;
    TColor Color = 0;
    TColor BkColor = clNone;
    bool Bold = false;
    bool Underline = false;
    bool operator==(const EditorColorEntry&) const = default;
};

struct EditorMark {
    TColor Color = 0;
    bool Visible = true;
    bool operator==(const EditorMark&) const = default;
};

struct EditorBracket {
    QString LeftBracket;
    QString RightBracket;
    TColor Color = 0;
    TColor BkColor = clNone;
    bool operator==(const EditorBracket&) const = default;
};

class EditorPropertySet {
public:
    struct FontSettings {
        QString Name = QStringLiteral("ＭＳ ゴシック");
        int Size = 10;
        bool FixedPitch = true;
        TColor Color = 0x000000;
        bool operator==(const FontSettings&) const = default;
    } Font;
    TColor Color = 0xFFFFFF; // background

    struct MarginSettings {
        int Top = 2, Left = 2, Character = 1, Line = 0;
        bool operator==(const MarginSettings&) const = default;
    } Margin;

    struct ImagebarSettings {
        bool Visible = false;
        int LeftMargin = 0, DigitWidth = 0, MarkWidth = 0, RightMargin = 0;
        bool operator==(const ImagebarSettings&) const = default;
    } Imagebar;

    enum ShowNumberMode { nmLine, nmRow };
    struct LeftbarSettings {
        bool Visible = true, ZeroBase = false, ZeroLead = false;
        TColor Color = 0x000000, BkColor = 0xE6E6E6;
        ShowNumberMode NumberMode = nmLine;
        int LeftMargin = 2, RightMargin = 2, Column = 4;
        bool operator==(const LeftbarSettings&) const = default;
    } Leftbar;

    struct RulerSettings {
        bool Visible = true;
        TColor Color = 0x000000, BkColor = 0xE6E6E6, MarkColor = 0x800080;
        int GaugeRange = 10;
        bool operator==(const RulerSettings&) const = default;
    } Ruler;

    bool ScrollBarsBoth = true;

    struct CaretSettings {
        bool AutoCursor = true, AutoIndent = true, BackSpaceUnIndent = true, FreeCaret = false, InTab = false,
             NextLine = true, TabIndent = false, SoftTab = true, SelMove = true, LockScroll = false, KeepCaret = true;
        int TabSpaceCount = 4;
        bool operator==(const CaretSettings&) const = default;
    } Caret;

    struct MarkSettings {
        EditorMark EofMark{0x808000, true};
        EditorMark RetMark{0x808000, true};
        EditorMark Underline{0x800080, true};
        EditorMark TabMark{0xC0C0C0, true};
        EditorMark SemiSpaceMark{clNone, false};
        EditorMark SpaceMark{0xC0C0C0, true};
        bool operator==(const MarkSettings&) const = default;
    } Marks;

    struct ViewSettings {
        QString Commenter = QStringLiteral("--");
        QString Quotation = QStringLiteral("'");
        QString DoubleQuotation = QStringLiteral("'");
        QList<EditorBracket> Brackets;
        struct ColorSet {
            EditorColorEntry Comment{true, 0x008000, clNone, false, false};
            EditorColorEntry Str{true, 0x0000FF, clNone, false, false};
            EditorColorEntry Symbol{true, 0x0063C6, clNone, false, false};
            EditorColorEntry Int{true, 0xFF0000, clNone, false, false};
            EditorColorEntry Reserve{true, 0x800000, clNone, true, false};
            EditorColorEntry Hit{true, 0x000000, 0x00FFFF, false, false};
            EditorColorEntry Select{true, 0xFFFFFF, 0x800000, false, false};
            bool operator==(const ColorSet&) const = default;
        } Colors;
        bool operator==(const ViewSettings&) const = default;
    } View;

    bool WordWrap = false;
    int WrapByte() const { return m_wrapByte; }
    void SetWrapByte(int v); // clamped to 20..250

    void SetTabSpaceCount(int v);  // keeps 2, 4, 6 or 8; other values are ignored
    void SetGaugeRange(int v);     // keeps 8 or 10; other values are ignored
    void SetMargin(int top, int left, int character, int line); // each clamped to 0..100

    // Sorted, letter case ignored, without duplicates.
    const QStringList& ReserveWordList() const { return m_reserveWords; }
    void SetReserveWordList(const QStringList& words);

    // Every setting, field by field.
    bool operator==(const EditorPropertySet&) const = default;

private:
    int m_wrapByte = 200;
    QStringList m_reserveWords;
};

// The editor settings of the program (the main window's prpEditor).
extern EditorPropertySet prpEditor;

} // namespace qv
