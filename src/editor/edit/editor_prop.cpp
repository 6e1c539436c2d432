#include "editor/edit/editor_prop.h"

#include "app/editor_settings.h"

#include <QApplication>
#include <QPalette>

namespace qv {

QColor ResolveColor(TColor c)
{
    if (c == clWindow)
        return QApplication::palette().color(QPalette::Base);
    if (c == clWindowText)
        return QApplication::palette().color(QPalette::Text);
    if (c == clNone)
        return QColor();
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

namespace {
TColor ToTColor(const QColor& c)
{
    if (!c.isValid())
        return clNone;
    return TColor(c.red()) | (TColor(c.green()) << 8) | (TColor(c.blue()) << 16);
}

template <class F>
void Guarded(F f)
{
    // A failed copy leaves the destination partly updated and raises nothing.
    try {
        f();
    } catch (...) {
    }
}
} // namespace

TEditorProp::TEditorProp()
{
    m_caret = std::make_unique<TEditorCaret>();
    m_imagebar = std::make_unique<TEditorImagebar>();
    m_leftbar = std::make_unique<TEditorLeftbar>();
    m_margin = std::make_unique<TEditorMargin>();
    m_marks = std::make_unique<TEditorMarks>();
    m_ruler = std::make_unique<TEditorRuler>();
    m_view = std::make_unique<TEditorViewInfo>(this);
    m_speed = std::make_unique<TEditorSpeed>();
    m_wrapOption = std::make_unique<TEditorWrapOption>();
    m_font = QFont(QStringLiteral("FixedSys"));
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setFixedPitch(true);
    InitComponent();
}

TEditorProp::~TEditorProp() = default;

void TEditorProp::SetColor(TColor v)
{
    if (m_color == v)
        return;
    m_color = v;
    if (OnColorChange)
        OnColorChange(this);
}

void TEditorProp::SetHitStyle(TEditorHitStyle v)
{
    if (m_hitStyle == v)
        return;
    m_hitStyle = v;
    if (OnHitStyleChange)
        OnHitStyleChange(this);
}

void TEditorProp::SetScrollBars(TScrollStyle v)
{
    if (m_scrollBars == v)
        return;
    m_scrollBars = v;
    if (OnScrollBarsChange)
        OnScrollBarsChange(this);
}

void TEditorProp::SetWordWrap(bool v)
{
    if (m_wordWrap == v)
        return;
    m_wordWrap = v;
    if (OnWordWrapChange)
        OnWordWrapChange(this);
}

void TEditorProp::SetReserveWordList(const QStringList& v)
{
    QStringList words = v;
    words.sort(Qt::CaseInsensitive);
    words.removeDuplicates();
    m_reserveWords = words;
}

void TEditorProp::Assign(TEditor& src)
{
    Guarded([&] {
        SetColor(ToTColor(src.viewport()->palette().color(QPalette::Base)));
        m_caret->Assign(src.Caret());
        m_font = src.font();
        FontColor = ToTColor(src.viewport()->palette().color(QPalette::Text));
        m_hitStyle = src.HitStyle(); // no event
        m_imagebar->Assign(src.Imagebar());
        m_leftbar->Assign(src.Leftbar());
        m_margin->Assign(src.Margin());
        m_marks->Assign(src.Marks());
        SetReserveWordList(src.ReserveWordList());
        m_ruler->Assign(src.Ruler());
        SetScrollBars(src.ScrollBars());
        m_speed->Assign(src.Speed());
        m_view->Assign(src.View());
        SetWordWrap(src.WordWrap());
        m_wrapOption->Assign(src.WrapOption());
    });
}

void TEditorProp::Assign(TEditorProp& src)
{
    Guarded([&] {
        SetColor(src.m_color);
        m_caret->Assign(*src.m_caret);
        m_font = src.m_font;
        FontColor = src.FontColor;
        m_hitStyle = src.m_hitStyle;
        m_imagebar->Assign(*src.m_imagebar);
        m_leftbar->Assign(*src.m_leftbar);
        m_margin->Assign(*src.m_margin);
        m_marks->Assign(*src.m_marks);
        m_reserveWords = src.m_reserveWords;
        m_ruler->Assign(*src.m_ruler);
        SetScrollBars(src.m_scrollBars);
        m_speed->Assign(*src.m_speed);
        m_view->Assign(*src.m_view);
        SetWordWrap(src.m_wordWrap);
        m_wrapOption->Assign(*src.m_wrapOption);
        QStringList exts;
        for (int i = 0; i < src.FileExtList().Count(); ++i)
            exts << src.FileExtList()[i];
        SetFileExtList(exts);
    });
}

void TEditorProp::AssignTo(TEditor& dest)
{
    Guarded([&] {
        QPalette pal = dest.viewport()->palette();
        pal.setColor(QPalette::Base, ResolveColor(m_color));
        pal.setColor(QPalette::Text, ResolveColor(FontColor));
        dest.viewport()->setPalette(pal);
        dest.SetCaret(*m_caret);
        dest.setFont(m_font);
        dest.SetHitStyle(m_hitStyle);
        dest.SetImagebar(*m_imagebar);
        dest.SetLeftbar(*m_leftbar);
        dest.SetMargin(*m_margin);
        dest.SetMarks(*m_marks);
        dest.SetReserveWordList(m_reserveWords);
        dest.SetRuler(*m_ruler);
        dest.SetScrollBars(m_scrollBars);
        dest.SetSpeed(*m_speed);
        dest.SetView(*m_view);
        dest.SetReserveWordList(m_reserveWords);
        // The rows are re-split once: the wrap column first when wrap goes on, last when off.
        if (m_wordWrap) {
            dest.WrapOption().Assign(*m_wrapOption);
            dest.SetWordWrap(true);
        } else {
            dest.SetWordWrap(false);
            dest.WrapOption().Assign(*m_wrapOption);
        }
        dest.UpdateFontMetrics();
        dest.viewport()->update();
    });
}

void TEditorProp::AssignTo(TEditorProp& dest)
{
    // Onto another holder the setters run, so its events fire.
    Guarded([&] { dest.SetHitStyle(m_hitStyle); });
    dest.Assign(*this);
}

void TEditorProp::AssignFromSettings(const EditorPropertySet& s)
{
    Guarded([&] {
        SetColor(s.Color);
        m_font = QFont(s.Font.Name, s.Font.Size);
        m_font.setStyleHint(QFont::TypeWriter);
        m_font.setFixedPitch(s.Font.FixedPitch);
        FontColor = s.Font.Color;
        m_margin->SetTop(s.Margin.Top);
        m_margin->SetLeft(s.Margin.Left);
        m_margin->SetCharacter(s.Margin.Character);
        m_margin->SetLine(s.Margin.Line);
        m_imagebar->SetVisible(s.Imagebar.Visible);
        m_imagebar->SetLeftMargin(s.Imagebar.LeftMargin);
        m_imagebar->SetDigitWidth(s.Imagebar.DigitWidth);
        m_imagebar->SetMarkWidth(s.Imagebar.MarkWidth);
        m_imagebar->SetRightMargin(s.Imagebar.RightMargin);
        m_leftbar->SetVisible(s.Leftbar.Visible);
        m_leftbar->SetZeroBase(s.Leftbar.ZeroBase);
        m_leftbar->SetZeroLead(s.Leftbar.ZeroLead);
        m_leftbar->SetLeftMargin(s.Leftbar.LeftMargin);
        m_leftbar->SetRightMargin(s.Leftbar.RightMargin);
        m_leftbar->SetColumn(s.Leftbar.Column);
        m_leftbar->SetColor(s.Leftbar.Color);
        m_leftbar->SetBkColor(s.Leftbar.BkColor);
        m_leftbar->SetShowNumberMode(s.Leftbar.NumberMode == EditorPropertySet::nmLine ? nmLine : nmRow);
        m_ruler->SetVisible(s.Ruler.Visible);
        m_ruler->SetColor(s.Ruler.Color);
        m_ruler->SetBkColor(s.Ruler.BkColor);
        m_ruler->SetMarkColor(s.Ruler.MarkColor);
        m_ruler->SetGaugeRange(s.Ruler.GaugeRange);
        SetScrollBars(s.ScrollBarsBoth ? ssBoth : ssNone);
        TEditorCaret& c = *m_caret;
        c.AutoCursor = s.Caret.AutoCursor;
        c.AutoIndent = s.Caret.AutoIndent;
        c.BackSpaceUnIndent = s.Caret.BackSpaceUnIndent;
        c.FreeCaret = s.Caret.FreeCaret;
        c.InTab = s.Caret.InTab;
        c.NextLine = s.Caret.NextLine;
        c.TabIndent = s.Caret.TabIndent;
        c.SoftTab = s.Caret.SoftTab;
        c.SelMove = s.Caret.SelMove;
        c.LockScroll = s.Caret.LockScroll;
        c.KeepCaret = s.Caret.KeepCaret;
        c.SetTabSpaceCount(s.Caret.TabSpaceCount);
        auto mark = [](TEditorMark& m, const EditorMark& v) {
            m.SetColor(v.Color);
            m.SetVisible(v.Visible);
        };
        mark(m_marks->EofMark(), s.Marks.EofMark);
        mark(m_marks->RetMark(), s.Marks.RetMark);
        mark(m_marks->Underline(), s.Marks.Underline);
        mark(m_marks->TabMark(), s.Marks.TabMark);
        mark(m_marks->SemiSpaceMark(), s.Marks.SemiSpaceMark);
        mark(m_marks->SpaceMark(), s.Marks.SpaceMark);
        m_view->SetCommenter(s.View.Commenter);
        m_view->SetQuotation(s.View.Quotation);
        m_view->SetDoubleQuotation(s.View.DoubleQuotation);
        auto colour = [](TFountainColor& f, const EditorColorEntry& e) {
            f.SetVisible(e.Visible);
            f.SetColor(e.Color);
            f.SetBkColor(e.BkColor);
            f.SetStyle(TFontStyles((e.Bold ? fsBold : 0) | (e.Underline ? fsUnderline : 0)));
        };
        TEditorColors& cs = m_view->Colors();
        colour(cs.Comment(), s.View.Colors.Comment);
        colour(cs.Str(), s.View.Colors.Str);
        colour(cs.Symbol(), s.View.Colors.Symbol);
        colour(cs.Int(), s.View.Colors.Int);
        colour(cs.Reserve(), s.View.Colors.Reserve);
        colour(cs.Hit(), s.View.Colors.Hit);
        colour(cs.Select(), s.View.Colors.Select);
        // The bracket pairs (block comments) in the colours the settings gave them.
        TFountainBracketCollection& brackets = m_view->Brackets();
        brackets.BeginUpdate();
        brackets.Clear();
        for (const EditorBracket& b : s.View.Brackets) {
            if (brackets.Count() >= TFountainBracketCollection::MaxItems)
                break;
            TFountainBracketItem* item = brackets.Add();
            item->SetLeftBracket(b.LeftBracket);
            item->SetRightBracket(b.RightBracket);
            item->ItemColor().SetVisible(true);
            item->ItemColor().SetColor(b.Color);
            item->ItemColor().SetBkColor(b.BkColor);
        }
        brackets.EndUpdate();
        SetReserveWordList(s.ReserveWordList());
        m_wrapOption->SetWrapByte(s.WrapByte());
        SetWordWrap(s.WordWrap);
    });
}

} // namespace qv
