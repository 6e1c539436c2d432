#include "editor/view/editor_settings_objects.h"

namespace qv {

void TEditorCursors::Assign(const TEditorCursors& src)
{
    DefaultCursor = src.DefaultCursor;
    DragSelCursor = src.DragSelCursor;
    DragSelCopyCursor = src.DragSelCopyCursor;
    InSelCursor = src.InSelCursor;
    LeftMarginCursor = src.LeftMarginCursor;
    TopMarginCursor = src.TopMarginCursor;
    Changed();
}

TEditorCaret::TEditorCaret() : m_cursors(std::make_unique<TEditorCursors>()) {}

void TEditorCaret::SetStyle(TEditorCaretStyle v)
{
    SetField(m_style, v);
}

void TEditorCaret::SetTabSpaceCount(int v)
{
    v = std::clamp(v, 2, 8);
    v -= v % 2;
    SetField(m_tabSpaceCount, v);
}

void TEditorCaret::Assign(const TEditorCaret& src)
{
    BeginUpdate();
    AutoCursor = src.AutoCursor;
    AutoIndent = src.AutoIndent;
    BackSpaceUnIndent = src.BackSpaceUnIndent;
    m_cursors->Assign(*src.m_cursors);
    FreeCaret = src.FreeCaret;
    FreeRow = src.FreeRow;
    InTab = src.InTab;
    KeepCaret = src.KeepCaret;
    LockScroll = src.LockScroll;
    NextLine = src.NextLine;
    PrevSpaceIndent = src.PrevSpaceIndent;
    RowSelect = src.RowSelect;
    SelDragMode = src.SelDragMode;
    SelMove = src.SelMove;
    SoftTab = src.SoftTab;
    m_style = src.m_style;
    TabIndent = src.TabIndent;
    m_tabSpaceCount = src.m_tabSpaceCount;
    EndUpdate();
}

void TEditorMargin::Assign(const TEditorMargin& src)
{
    BeginUpdate();
    m_character = src.m_character;
    m_left = src.m_left;
    m_line = src.m_line;
    m_top = src.m_top;
    Underline = src.Underline;
    EndUpdate();
}

void TEditorMark::SetColor(TColor v)
{
    SetField(m_color, v);
}

void TEditorMark::SetVisible(bool v)
{
    SetField(m_visible, v);
}

void TEditorMark::Assign(const TEditorMark& src)
{
    m_color = src.m_color;
    m_visible = src.m_visible;
    Changed();
}

TEditorMarks::TEditorMarks()
{
    for (auto& m : m_marks)
        m.OnChange = ChangedProcEvent();
}

void TEditorMarks::Assign(const TEditorMarks& src)
{
    BeginUpdate();
    for (int i = 0; i < 8; ++i)
        m_marks[i].Assign(src.m_marks[i]);
    EndUpdate();
}

TEditorViewInfo::TEditorViewInfo(TPersistent* owner) : m_owner(owner)
{
    m_fountain = CreateEditorFountain();
}

TEditorViewInfo::~TEditorViewInfo()
{
    if (m_fountain)
        m_fountain->NotifyEventList().Remove(ChangedProcEvent());
}

std::unique_ptr<TEditorFountain> TEditorViewInfo::CreateEditorFountain()
{
    auto f = std::make_unique<TEditorFountain>();
    f->NotifyEventList().Add(ChangedProcEvent());
    return f;
}

void TEditorViewInfo::Assign(TEditorViewInfo& src)
{
    BeginUpdate();
    SetBrackets(src.Brackets());
    SetColors(src.Colors());
    SetCommenter(src.Commenter());
    SetControlCode(src.ControlCode());
    SetHexPrefix(src.HexPrefix());
    SetMail(src.Mail());
    SetQuotation(src.Quotation());
    SetDoubleQuotation(src.DoubleQuotation());
    SetUrl(src.Url());
    EndUpdate();
}

void TEditorRuler::SetGaugeRange(int v)
{
    v = std::clamp(v, 8, 10);
    v -= v % 2;
    SetField(m_gaugeRange, v);
}

void TEditorRuler::Assign(const TEditorRuler& src)
{
    BeginUpdate();
    m_bkColor = src.m_bkColor;
    m_color = src.m_color;
    m_edge = src.m_edge;
    m_gaugeRange = src.m_gaugeRange;
    m_markColor = src.m_markColor;
    m_visible = src.m_visible;
    EndUpdate();
}

void TEditorLeftbar::Assign(const TEditorLeftbar& src)
{
    BeginUpdate();
    m_bkColor = src.m_bkColor;
    m_color = src.m_color;
    m_column = src.m_column;
    m_edge = src.m_edge;
    m_leftMargin = src.m_leftMargin;
    m_rightMargin = src.m_rightMargin;
    m_showNumber = src.m_showNumber;
    m_showNumberMode = src.m_showNumberMode;
    m_visible = src.m_visible;
    m_zeroBase = src.m_zeroBase;
    m_zeroLead = src.m_zeroLead;
    EndUpdate();
}

void TEditorImagebar::Assign(const TEditorImagebar& src)
{
    BeginUpdate();
    m_digitWidth = src.m_digitWidth;
    m_leftMargin = src.m_leftMargin;
    m_markWidth = src.m_markWidth;
    m_rightMargin = src.m_rightMargin;
    m_visible = src.m_visible;
    EndUpdate();
}

} // namespace qv
