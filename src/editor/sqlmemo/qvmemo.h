#pragma once
// TqvMemo: the SQL editing control. A TEditor with the completion list, the key-macro
// recorder, find / find next / replace with wrap-around through the find and replace dialogs,
// row jumps, ten numbered row marks and word selection with its own delimiters.
#include "app/edit_target.h"
#include "editor/sqlmemo/key_macro.h"
#include "editor/view/editor.h"

#include <QPointer>
#include <array>
#include <functional>
#include <vector>

namespace qv {

class TqvCodeAssist;

struct TqvCodeAssistSize {
    int Width = 400;
    int Height = 200;
    std::vector<int> ColumnWidth{250, 120};
};

// Characters that end a word for double-click selection and completion (each UTF-16 unit is
// tested on its own).
bool IsMemoDelimiter(QChar c);

// Replace-all over a whole text in one pass: every hit of Value, searched forwards from the
// start as the editor's search finds them one after the other (each search starts after the
// previous replacement and, for whole words, sees the replacement's last character before it),
// is replaced by Replacement.
struct TReplaceAllResult {
    QString Text;          // the new text (empty when there was no hit)
    int Count = 0;         // hits replaced
    int FirstHit = -1;     // start of the first hit in the old text
    int LastHitEnd = -1;   // end of the last hit in the old text
    int LastReplaced = -1; // start of the last replacement in the new text
};
TReplaceAllResult ReplaceAllInText(QStringView text, const QString& value, const QString& replacement,
                                   TSearchOptions options);

class TqvMemo : public TEditor, public EditTarget {
    Q_OBJECT
public:
    explicit TqvMemo(QWidget* parent = nullptr);
    ~TqvMemo() override;

    // Shown for a failed search; tests replace it. The default is an information box.
    static std::function<void(QWidget*, const QString&)> MessageHook;
    static QString NotFoundMessage(const QString& value);

    TqvMacroList* MacroList() const { return m_macroList; }
    void SetMacroList(TqvMacroList* list) { m_macroList = list; }
    void SetReplaceValue(const QString& v) { m_replaceValue = v; }
    void SetSearchOptions(TSearchOptions v) { m_searchOptions = v; }
    void SetSearchValue(const QString& v) { m_searchValue = v; }
    void SetNotFindMsg(bool v) { m_notFindMsg = v; }
    void SetResearch(bool v) { m_research = v; }
    // Read access for the main window's commands and the tests.
    const QString& SearchValue() const { return m_searchValue; }
    const QString& ReplaceValue() const { return m_replaceValue; }
    TSearchOptions SearchOptions() const { return m_searchOptions; }
    bool LockScrollCaret = false;

    QPointer<TqvCodeAssist> CodeAssist;
    TqvCodeAssistSize CASize;

    void ScrollToCaret() override;
    void SelectTokenAtPos(QPoint pos, const TFountain* fountain, bool bracket) override;

    void Jump(int line);
    void SetSelIndex(int startRow, int selIndex);
    void MultiLineSelect(int sp, int ep);
    void ShowSearchDialog();
    void ShowReplaceDialog();
    // 6 when found, 7 when not.
    int NextSearch();
    int PrevSearch();
    void ClearSearch(bool clearValue);
    bool UsingRowMark() const;
    void SetRowMark();
    void NextRowMark();
    void PrevRowMark();
    // Undo (wParam other than 1) or redo (1); ignored when read-only.
    void WmUndo(quintptr wParam);
    // The main window's edit commands.
    bool handleEditCommand(EditCommand cmd) override;
    bool isEditReadOnly() const override { return ReadOnly(); }
    bool isTextEditor() const override { return true; }

    QString GetCodeAssistToken() const;
    void CloseCodeAssist();

    virtual void BeginMacroRec();
    virtual void EndMacroRec();
    virtual void CancelMacroRec();
    virtual void ExecMacro();
    virtual void CancelMacroExec();
    void SaveMacroFile(const QString& path);
    bool LoadMacroFile(const QString& path);

protected:
    void RecordKey(unsigned msg, int code, int keyData, Qt::KeyboardModifiers mods) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    // The wrap-around pre-check: searches a copy of the text from its top (down) or its end
    // (up) with the stored value and options. May throw.
    virtual bool SearchCopyFromStart(bool down);

private:
    // Whether the text exists elsewhere when searched from the top (down) or the end (up);
    // a pre-check that fails counts as not found, so the caret stays where it is.
    bool FoundElsewhere(bool down);
    void MoveToSearchStart(bool down);
    bool SearchWithWrap(bool down, bool* wrapped = nullptr);
    void NotFound();
    void ReplaceOne();
    // Replace all: one change of the rows from the first to the last hit (one undo step);
    // the last replacement ends selected. Returns the number of hits.
    int ReplaceAll();

    TqvMacroList* m_macroList = nullptr;
    QString m_replaceValue;
    TSearchOptions m_searchOptions = 0;
    QString m_searchValue;
    std::array<bool, 10> m_useRowMark{};
    bool m_notFindMsg = false;
    bool m_research = false;
};

} // namespace qv
