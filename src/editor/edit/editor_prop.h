#pragma once
// TEditorProp: a complete set of the editor's settings without an editor (colour, font,
// caret, bars, marks, margins, ruler, scroll bars, speed, highlighting view, word wrap and
// reserved words). The program keeps one, copies it onto every SQL editor with AssignTo, and
// can fill it from an editor or another holder with Assign.
#include "editor/notify.h"
#include "editor/view/editor.h"
#include "editor/wrap.h"

#include <QFont>
#include <functional>
#include <memory>

namespace qv {

class EditorPropertySet;

inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
// A stored colour as a QColor; the two system colours come from the application palette.
QColor ResolveColor(TColor c);

class TEditorProp : public TFileExtComponent {
public:
    TEditorProp();
    ~TEditorProp() override;

    TColor Color() const { return m_color; }
    void SetColor(TColor v);
    TEditorCaret& Caret() { return *m_caret; }
    QFont& Font() { return m_font; }
    TColor FontColor = clWindowText;
    TEditorHitStyle HitStyle() const { return m_hitStyle; }
    void SetHitStyle(TEditorHitStyle v);
    TEditorImagebar& Imagebar() { return *m_imagebar; }
    TEditorLeftbar& Leftbar() { return *m_leftbar; }
    TEditorMargin& Margin() { return *m_margin; }
    TEditorMarks& Marks() { return *m_marks; }
    QStringList& ReserveWordList() { return m_reserveWords; }
    void SetReserveWordList(const QStringList& v);
    TEditorRuler& Ruler() { return *m_ruler; }
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle v);
    TEditorSpeed& Speed() { return *m_speed; }
    TEditorViewInfo& View() { return *m_view; }
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool v);
    TEditorWrapOption& WrapOption() { return *m_wrapOption; }

    std::function<void(TEditorProp*)> OnColorChange, OnHitStyleChange, OnScrollBarsChange, OnWordWrapChange;

    // Copies from an editor or another holder; errors stop the copy silently.
    void Assign(TEditor& src);
    void Assign(TEditorProp& src);
    // Copies onto an editor (re-splitting its rows once) or another holder.
    void AssignTo(TEditor& dest);
    void AssignTo(TEditorProp& dest);
    // Takes the program's stored editor settings.
    void AssignFromSettings(const EditorPropertySet& s);

private:
    TColor m_color = clWindow;
    std::unique_ptr<TEditorCaret> m_caret;
    QFont m_font;
    TEditorHitStyle m_hitStyle = hsSelect;
    std::unique_ptr<TEditorImagebar> m_imagebar;
    std::unique_ptr<TEditorLeftbar> m_leftbar;
    std::unique_ptr<TEditorMargin> m_margin;
    std::unique_ptr<TEditorMarks> m_marks;
    QStringList m_reserveWords;
    std::unique_ptr<TEditorRuler> m_ruler;
    TScrollStyle m_scrollBars = ssNone;
    std::unique_ptr<TEditorSpeed> m_speed;
    std::unique_ptr<TEditorViewInfo> m_view;
    bool m_wordWrap = false;
    std::unique_ptr<TEditorWrapOption> m_wrapOption;
};

} // namespace qv
