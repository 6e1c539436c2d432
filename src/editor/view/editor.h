#pragma once
// TEditor: the editing control of the program. A scroll area over a row store shared with
// other editors; it lays the text on a fixed grid of character cells, highlights it through a
// fountain, and shows an optional column ruler, line-number bar and row-mark image bar.
//
// Coordinates: Row is a screen row of the store (a wrapped line takes several), Col a screen
// cell (a double-width character takes two, a tab runs to its tab stop), a character index
// counts UTF-16 units in a row, a text offset counts UTF-16 units over the whole text with
// every line break counted as 2.
//
// Everything drawn is drawn in the paint handler: operations that change what is shown (caret
// moves, the ruler's caret mark, the caret-row underline, the selection) change state and mark
// the affected rectangle for repaint.
#include "editor/editor_strings.h"
#include "editor/screen_strings.h"
#include "editor/search/text_search.h"
#include "editor/view/editor_settings_objects.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPixmap>
#include <QPointer>
#include <QRawFont>
#include <bitset>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QMimeData;

namespace qv {

enum TEditorHitStyle : uint8_t { hsSelect, hsDraw, hsCaret };
enum TEditorSelectionMode : uint8_t { smLine, smBox };
enum TEditorMouseCursorState : uint8_t { mcClient, mcLeftMargin, mcTopMargin, mcInSel, mcDragging, mcDraggingCopy };
enum TEditorSelDragState : uint8_t { sdNone, sdInit, sdDragging };
enum TEditorSelectionState : uint8_t { sstNone, sstInit, sstSelected, sstHitSelected };
enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

// A selection: start and end row, start and end position (columns, or character indexes
// with an inclusive end).
struct TSelectedPosition {
    int Sr = 0, Er = 0, Sc = 0, Ec = 0;
    bool operator==(const TSelectedPosition&) const = default;
};

// Row and character under a point; -1 in both when there is none.
struct TEditorStrInfo {
    int Line = -1;
    int CharIndex = -1;
};

class TEditor : public QAbstractScrollArea, public TEditorStoreClient, public TPersistent {
    Q_OBJECT
public:
    explicit TEditor(QWidget* parent = nullptr);
    ~TEditor() override;

    // ---- settings objects (setters assign into the owned object) ----
    TEditorCaret& Caret() { return *m_caret; }
    TEditorImagebar& Imagebar() { return *m_imagebar; }
    TEditorLeftbar& Leftbar() { return *m_leftbar; }
    TEditorMarks& Marks() { return *m_marks; }
    TEditorMargin& Margin() { return *m_margin; }
    TEditorRuler& Ruler() { return *m_ruler; }
    TEditorSpeed& Speed() { return *m_speed; }
    TEditorViewInfo& View() { return *m_view; }
    const TEditorCaret& Caret() const { return *m_caret; }
    const TEditorImagebar& Imagebar() const { return *m_imagebar; }
    const TEditorLeftbar& Leftbar() const { return *m_leftbar; }
    const TEditorMarks& Marks() const { return *m_marks; }
    const TEditorMargin& Margin() const { return *m_margin; }
    const TEditorRuler& Ruler() const { return *m_ruler; }
    const TEditorSpeed& Speed() const { return *m_speed; }
    void SetCaret(const TEditorCaret& v) { m_caret->Assign(v); }
    void SetImagebar(const TEditorImagebar& v) { m_imagebar->Assign(v); }
    void SetLeftbar(const TEditorLeftbar& v) { m_leftbar->Assign(v); }
    void SetMarks(const TEditorMarks& v) { m_marks->Assign(v); }
    void SetMargin(const TEditorMargin& v) { m_margin->Assign(v); }
    void SetRuler(const TEditorRuler& v) { m_ruler->Assign(v); }
    void SetSpeed(const TEditorSpeed& v) { m_speed->Assign(v); }
    void SetView(TEditorViewInfo& v);

    // The external highlighting component (may be null) and the one in force.
    TFountain* Fountain() const { return m_fountain; }
    void SetFountain(TFountain* f);
    const TFountain* ActiveFountain() const override;
    QStringList ReserveWordList() const { return m_view->EditorFountain().ReserveWordList().Words(); }
    void SetReserveWordList(const QStringList& words);

    // ---- text ----
    TEditorStrings& Lines() { return *m_lines; }
    void SetLines(const QStringList& lines);
    TEditorScreenStrings& InternalList() { return *m_list; }
    const TEditorScreenStrings& InternalList() const { return *m_list; }
    // Makes this editor share Source's row store; null does nothing.
    void ExchangeList(TEditor* source);
    TEditorUndoObj& EditorUndoObj() { return m_list->UndoObj(); }
    void SetUndoListMax(int v) { m_list->UndoObj().SetListMax(v); }
    bool WordWrap() const { return m_list->WordWrap(); }
    void SetWordWrap(bool v);
    TEditorWrapOption& WrapOption() { return m_list->WrapOption(); }
    void Clear() { m_lines->Clear(); }

    bool Modified() const { return m_modified; }
    void SetModified(bool v) { m_modified = v; }
    bool OverWrite() const { return m_overWrite; }
    void SetOverWrite(bool v);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v);
    bool WantReturns = true;
    bool WantTabs = true;
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle v);
    bool UseMBCSFont() const { return m_useMBCSFont; }
    void SetUseMBCSFont(bool v);
    const QFont& MBCSFont() const { return m_mbcsFont; }
    void SetMBCSFont(const QFont& f);

    // Optional pictures of the image bar; an empty picture falls back to the built-in one.
    void SetImageDigits(const std::vector<QPixmap>& v);
    void SetImageMarks(const std::vector<QPixmap>& v);

    // Search hits drawn in the text.
    const QString& HitText() const { return m_hitText; }
    void SetHitText(const QString& v);
    TEditorHitStyle HitStyle() const { return m_hitStyle; }
    void SetHitStyle(TEditorHitStyle v);
    int HitSelLength() const { return m_hitSelLength; }
    void SetHitSelLength(int n);

    // Code-assist options, set by the owner from the program options.
    bool CodeAssistCallOfDot = false;
    bool CodeAssistDelayShow = false;
    int CodeAssistDelayTime = 0;
    TEditorSelectionMode DefaultSelectMode = smLine;
    bool DefaultCaretFreeCaret = true;
    bool KeyDownAltKey = false;
    std::bitset<256> Delimiters;
    virtual std::bitset<256> GetDefaultDelimiters() const { return TColumnMapSettings::DefaultDelimiters(); }

    // ---- caret and view ----
    int Row() const override { return m_row; }
    int Col() const override { return m_col; }
    void SetRow(int value) override;
    void SetCol(int value) override;
    void SetRowCol(int row, int col);
    int TopRow() const override { return m_topRow; }
    void SetTopRow(int value) override;
    int TopCol() const { return m_topCol; }
    void SetTopCol(int value);
    int RowCount() const { return m_rowCount; }
    int ColCount() const { return m_colCount; }
    int ColWidth() const { return m_fontWidth; }
    int FontHeight() const { return m_fontHeight; }
    int RowHeight() const { return m_fontHeight + m_margin->Line() + m_margin->Underline; }
    int LeftScrollWidth() const { return m_leftScrollWidth; }
    int VScrollMax() const { return m_vScrollMax; }
    int HScrollMax() const { return m_hScrollMax; }
    int LeftMargin() const;
    int TopMargin() const;
    int ImagebarWidth() const { return m_imagebarWidth; }
    int LeftbarWidth() const { return m_leftbarWidth; }
    int LeftbarColumn() const { return m_leftbarColumn; }
    int RulerHeight() const { return m_rulerHeight; }
    TEditorMouseCursorState CursorState() const { return m_cursorState; }
    void SetCursorState(TEditorMouseCursorState v);
    // Client point to cell: with Split the nearest cell boundary, else the cell under it.
    void PosToRowCol(int x, int y, bool split, int& col, int& row) const;
    QPoint GetCaretPixelPos() const;
    // Pixel rectangle of the caret as it is drawn.
    QRect CaretRect() const;
    bool CaretShowing() const { return m_caretShowing; }
    virtual void BeginCaretUpdate() override;
    virtual void EndCaretUpdate() override;
    virtual void HideEditorCaret();
    virtual void ShowEditorCaret();
    virtual bool CaretOutOfView() const;
    virtual void RecreateEditorCaret();
    virtual void PlaceCaret();
    virtual void ScrollToCaret();
    virtual void UpdateCaret();
    virtual void BeginUnderlineUpdate();
    virtual void EndUnderlineUpdate();
    virtual int GetUnderlineY(int row) const;

    // ---- offsets ----
    int SelStart() const;
    void SetSelStart(int value);
    int SelLength() const;
    void SetSelLength(int value);
    QString SelText() const;
    int RowColToOffset(int startRow, int row, int col) const;
    void SetCaretByOffset(int startRow, int offset) override;

    // ---- position queries ----
    QString GetColumnMap(QStringView text) const;
    QString ExpandTab(QStringView s) const;
    int ExpandTabLength(QStringView s) const;
    int GetRowWidth(int row) const;
    QString GetExpandedRow(int row) const;
    QString GetRowString(int row) const;
    TRowAttribute GetRowAttribute(int row) const;
    int ColToChar(int row, int col) const;
    int RowToLines(int index) const;
    int GetTextLen() const;
    int GetLineNumberCount() const;
    virtual bool PosToStrInfo(QPoint pos, TEditorStrInfo& info) const;
    bool GetInfo(QPoint pos, TEditorStrInfo& info) const { return PosToStrInfo(pos, info); }
    virtual void SelectTokenAtPos(QPoint pos, const TFountain* fountain, bool bracket);
    void SelectWordFromCaret() { SelectTokenAtPos(GetCaretPixelPos(), nullptr, false); }
    void SelectWordFromPos(QPoint pos) { SelectTokenAtPos(pos, nullptr, false); }
    bool IsEastAsianFont() const { return true; }

    // ---- row store access ----
    int ListCount() const { return m_list->Count(); }
    QString GetListString(int index) const { return GetRowString(index); }
    TRowAttribute GetListRow(int index) const { return GetRowAttribute(index); }
    TRowAttributeData GetListData(int index) const { return m_list->GetRowData(index); }
    TRowMarks GetListRowMarks(int index) const;
    void SetListRowMarks(int index, TRowMarks value);

    // ---- selection ----
    TEditorSelectionMode SelectionMode() const { return m_selectionMode; }
    void SetSelectionMode(TEditorSelectionMode v);
    TEditorSelectionState SelectionState() const { return m_selectionState; }
    TEditorSelDragState SelDragState() const { return m_selDragState; }
    bool Selected() const { return m_selectionState == sstSelected; }
    bool HitSelected() const { return m_selectionState == sstHitSelected; }
    bool SelectedData() const { return Selected() || HitSelected(); }
    bool SelectedDraw() const { return Selected() || (HitSelected() && m_hitStyle == hsDraw); }
    const TSelectedPosition& SelDrawPosition() const { return m_selDraw; }
    const TSelectedPosition& SelStrPosition() const { return m_selStr; }
    // Anchors a selection at the caret (state sstInit).
    virtual void StartSelection();
    // Extends the selection from its anchor to the caret.
    virtual void UpdateSelection();
    virtual void StartRowSelection(int row);
    virtual void UpdateRowSelection(int row);
    void CleanSelection() override;
    virtual bool CanSelDrag() const;
    virtual void BeginSelDrag();
    virtual void DragSelMove();
    virtual void EndSelDrag();
    virtual void CancelSelDrag();

    // ---- editing entry points ----
    // Inserts S at the caret (replacing a selection first); one undo step.
    virtual void PutStringToLine(const QString& s);
    // Replaces rows of the store and puts the caret Offset units after the start of row
    // AnchorRow; the primitive every edit of the control goes through.
    void ReplaceRowsAt(int index, int count, const QString& s, int anchorRow, int offset);
    void Undo();
    void Redo();
    bool CanUndo() { return m_list->UndoObj().CanUndo(); }
    bool CanRedo() { return m_list->UndoObj().CanRedo(); }

    // ---- editing operations (edit/editor_edit.cpp) ----
    // Deletes the selected text as one edit.
    virtual void DeleteSelection();
    void ClearSelection() { DeleteSelection(); }
    // Replaces the selection by Buffer, or inserts it at the caret; the caret goes after it.
    void SetSelTextBuf(const QString& buffer);
    void SetSelText(const QString& s) { SetSelTextBuf(s); }
    // Inserts the lines of Buffer as a column block at the caret (or in place of a box).
    void SetSelTextBox(const QString& buffer);
    void SelTabIndent();
    void SelTabUnIndent();
    // Toggles "--" at the start of the selected rows (the caret row without a selection).
    void SelCommentOut();
    // Columns of the leading blanks and tabs of S; -1 for an empty S.
    int GetIndentWidth(QStringView s) const;
    // Indentation of the nearest non-empty line above the caret's line.
    int PrevLineIndent() const;
    virtual void PutRowMark(int index, int mark);
    virtual void DeleteRowMark(int index, int mark);
    // Character index of the first character whose first cell is at or right of Col.
    int ColumnToStartChar(int row, int col) const;
    // The text that stays when the selection is deleted (rows SelStr.Sr .. Er, row ends kept).
    QString GetTextOutsideSelection(int* cut = nullptr) const;

    // ---- clipboard (edit/editor_clipboard.cpp) ----
    // Private clipboard format that marks the text on the clipboard as a box selection.
    static QString BoxMimeType();
    virtual void CopyToClipboard();
    virtual void CutToClipboard();
    virtual void PasteFromClipboard();
    void SelectAll();
    void HitToSelected();
    bool IsSelectedArea(int row, int col) const;
    virtual void CopySelection(int row, int col);
    virtual void MoveSelection(int row, int col);

    // ---- keyboard (edit/editor_keys.cpp) ----
    // Key and character handlers; Vk is the virtual-key code of the key map.
    virtual void EditKeyDown(int vk, Qt::KeyboardModifiers mods, bool autoRepeat = false);
    virtual void EditKeyChar(QChar ch, Qt::KeyboardModifiers mods);
    virtual void EditKeyUp() { m_keyRepeat = false; }
    bool NextTokenPos(bool right, int& row, int& col) const;
    // Sends WM_CODEASSIST with the caret pixel position to the owner (the parent widget).
    void SendCodeAssist(QPoint pos);
    // Waits CodeAssistDelayTime while the caret stays; true when the wait was cancelled.
    bool WaitCodeAssistDelay();
    // Where WM_CODEASSIST goes; the parent widget when not set.
    QObject* CodeAssistOwner() const;
    void SetCodeAssistOwner(QObject* owner) { m_codeAssistOwner = owner; }
    static int QtKeyToVk(int key);
    static int VkToQtKey(int vk);

    // ---- search (search/editor_search.cpp) ----
    // Searches from the caret or selection and shows the hit; never wraps.
    virtual bool Search(const QString& value, TSearchOptions options);

    // ---- edit-control messages (edit/edit_messages.cpp) ----
    qintptr EditMessage(unsigned msg, quintptr wParam, qintptr lParam);

    // ---- layout and painting ----
    virtual void UpdateFontMetrics();
    virtual void UpdateColCount();
    virtual void UpdateScrollRange();
    void RecalcLayout();
    void InvalidateRow(int row) override;
    void InvalidateRows(int a, int b);
    void InvalidateLeftbar(int a, int b);
    // Whether the control has a window (it has been shown at least once).
    bool HandleAllocated() const { return m_handleAllocated; }
    // Counts of painted rows since the last reset (benchmarks and tests).
    qint64 PaintedRowCount() const { return m_paintedRows; }
    void ResetPaintedRowCount() { m_paintedRows = 0; }
    // While the event loop is idle the editor computes the highlighting states of the rows
    // not shown yet, a few milliseconds at a time, so that a later jump far down the text
    // does not parse everything above it first. True while rows remain.
    bool ParseAheadPending() const { return m_parseTimer.isActive(); }

    // ---- events ----
    std::function<void(TEditor*)> OnCaretMoved;
    std::function<void(TEditor*)> OnChange;
    std::function<void(TEditor*, const QString& lineStr, int x, int y, int index, const QRect& rect, bool selected)>
        OnDrawLine;
    std::function<void(TEditor*, bool selected)> OnSelectionChange;
    std::function<void(TEditor*)> OnSelectionModeChange;
    std::function<void(TEditor*)> OnTopColChange;
    std::function<void(TEditor*)> OnTopRowChange;

    // ---- store client ----
    bool Focused() const override { return hasFocus(); }
    bool Destroying() const override { return m_destroying; }
    void DoChange(const TEditorDrawInfo& info) override;
    void Relayout() override;
    int ScreenRows() const override { return m_rowCount; }
    TColumnMapSettings ColumnMapSettings() const override;
    bool InitBracketsFull() const override { return m_speed->InitBracketsFull; }

    // The handler of every settings object's OnChange.
    virtual void SettingsChanged(TPersistent* sender);

    // Fixed-pitch font the editor starts with.
    static QFont DefaultFont();
    static QFont DefaultMBCSFont();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    // Recording hook of the SQL editor: a key (vk) or character reaching the editor.
    virtual void RecordKey(unsigned msg, int code, int keyData, Qt::KeyboardModifiers mods);
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery q) const override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* e) override;

    // Painting (the painter is open only inside the paint handler).
    virtual void PaintRect(const QRect& rect);
    virtual void PaintLine(const QRect& rect, int x, TFountainParser& parser, int index, const QString& s, int y);
    virtual void PaintSelectedLine(const QRect& rect, int x, TFountainParser& parser, int index, const QString& s,
                                   int y);
    virtual void PaintLineWithSelection(const QRect& rect, int x, TFountainParser& parser, int index,
                                        const QString& s, int y);
    void DrawTextRect(const QRect& rect, int x, bool opaque, QStringView s, int y);
    virtual void DrawEofMark(int x, int y);
    virtual void DrawRetMark(int x, int y);
    virtual void DrawSelectedRetMark(int x, int y);
    virtual void DrawWrapMark(int x, int y);
    virtual void DrawSelectedWrapMark(int x, int y);
    virtual void DrawHideMark(int x, int y);
    virtual void DrawSelectedHideMark(int x, int y);
    virtual void DrawUnderline(int row);
    virtual void DrawTabMark(int x, int y, bool selected);
    virtual void DrawSemiSpaceMark(int x, int y);
    virtual void DrawSpaceMark(int x, int y);
    virtual void PaintLeftbar(int a, int b);
    virtual void PaintImagebar(int a, int b);
    virtual void PaintRuler();
    virtual void PaintOrigin();

    // Bars.
    virtual void UpdateImagebarWidth();
    virtual bool UpdateLeftbarColumn();
    virtual void UpdateLeftbarWidth();
    virtual void UpdateRulerHeight();
    virtual void UpdateRuler();
    virtual void ShiftForLeftbarWidth(int oldWidth, int newWidth);
    int GetRulerImageWidth() const;

    // Scrolls the pixels already shown and repaints the uncovered strip.
    virtual void ScrollEditor(int dx, int dy, const QRect& scrollRect);
    // Fires.
    virtual void DoCaretMoved();
    virtual void DoChangeEvent();
    virtual void DoSelectionChange(bool selected);
    virtual void DoSelectionModeChange();
    virtual void DoTopColChange();
    virtual void DoTopRowChange();

private:
    friend class TEditorPaintScope;
    void AdjustCaretCol(bool vertical, int direction);
    void RememberCol(bool vertical, int col);
    void InvalidateCaret();
    void InvalidateUnderline(int row);
    void InvalidateRulerMark(int col);
    QRect RowRect(int row) const;
    void SyncScrollBars();
    void ApplyScrollBarPolicy();
    QColor FontColor() const;
    QColor EditorColor() const;
    QColor MarkColor(const TEditorMark& m) const;
    QColor SelTextColor() const;
    QColor SelBackColor() const;
    void DrawTokens(const QRect& clip, int x, int y, const QString& text, int rowLength, TFountainParser& parser,
                    int index, bool selected, const std::vector<int>& cols);
    void PaintRowCommon(const QRect& rect, int x, TFountainParser& parser, int index, const QString& s, int y,
                        bool selected);
    void DrawRulerContent(bool marked, const QRect& clip);
    void PaintPreedit();
    // Width in cells of the input-method composition shown at the caret.
    int PreeditCells() const;
    const QRawFont& RawFontFor(TFontStyles style);
    void DrawHitChars(const QRect& clip, int x, int y, const QString& token, int tokenStart, const QColor& textColor,
                      const std::vector<int>& cols, bool selected);
    void DrawEndMark(const QRect& rect, int x, int index, int mapLength, bool selected);
    void DrawBlankMarks(const QString& raw, int x, int y);
    void DrawTabMarks(const QString& map, int x, int y);
    void SetPenFor(const QColor& c, bool dotted);
    QPixmap BuiltinDigit(int d) const;
    QPixmap BuiltinMark(int m) const;
    void UpdateDigitStrips();
    void ComputeCharWidths();
    void InvalidateSelectionRows(const TSelectedPosition& a, const TSelectedPosition& b);

    // settings
    std::unique_ptr<TEditorCaret> m_caret;
    std::unique_ptr<TEditorMarks> m_marks;
    std::unique_ptr<TEditorMargin> m_margin;
    std::unique_ptr<TEditorImagebar> m_imagebar;
    std::unique_ptr<TEditorLeftbar> m_leftbar;
    std::unique_ptr<TEditorRuler> m_ruler;
    std::unique_ptr<TEditorSpeed> m_speed;
    std::unique_ptr<TEditorViewInfo> m_view;
    TFountain* m_fountain = nullptr;

    // text
    std::shared_ptr<TEditorScreenStrings> m_list;
    std::unique_ptr<TEditorStrings> m_lines;

    // state
    int m_row = 0, m_col = 0, m_topRow = 0, m_topCol = 0;
    int m_rowCount = 1, m_colCount = 1;
    int m_fontWidth = 12, m_fontHeight = 12;
    int m_vScrollMax = 0, m_hScrollMax = 10000, m_leftScrollWidth = 0;
    int m_colBuf = 0;
    bool m_colKeeping = false;
    bool m_caretNoMove = false;
    int m_caretUpdateCount = 0;
    bool m_caretShowing = false;
    bool m_caretBlinkOn = true;
    QRect m_caretDrawn;
    int m_underlineUpdateCount = 0;
    int m_underlineRow = -1;
    bool m_modified = false, m_overWrite = false, m_readOnly = false;
    bool m_destroying = false;
    bool m_handleAllocated = false;
    bool m_settingScrollBars = false;
    TScrollStyle m_scrollBars = ssBoth;
    bool m_useMBCSFont = false;
    QFont m_mbcsFont;
    TEditorMouseCursorState m_cursorState = mcClient;
    QPoint m_mouseSelStartPos;
    bool m_leftButtonDown = false;
    QString m_hitText;
    int m_hitStart = 0, m_hitEnd = 0;
    QString m_hitRow;
    TEditorHitStyle m_hitStyle = hsSelect;
    int m_hitSelLength = 0;
    bool m_hitSelecting = false;
    QString m_preedit;
    int m_preeditCursor = 0;

    // keyboard
    bool m_keyRepeat = false;
    QPointer<QObject> m_codeAssistOwner;
    void NewLine(bool shift);
    void BackSpace();
    void DeleteForward();
    void PageMove(int n);
    std::vector<int> CharStartCols(const QString& text) const;
    QString RowBreak(int row) const;
    void ReplaceForEdit(int first, int last, const QString& text);
    void InsertText(const QString& s, bool overwrite);
    void IndentRows(int mode);

    // selection
    TEditorSelectionMode m_selectionMode = smLine;
    TEditorSelectionState m_selectionState = sstNone;
    TEditorSelDragState m_selDragState = sdNone;
    TSelectedPosition m_selDraw, m_selStr, m_selRow;
    int m_selStartRow = 0, m_selStartCol = 0, m_selStartSi = 0;
    bool m_rowSelecting = false;
    bool m_clearingSelection = false;

    // bars
    int m_imagebarWidth = 0, m_leftbarColumn = 4, m_leftbarWidth = 0, m_rulerHeight = 0;
    std::vector<QPixmap> m_imageDigits, m_imageMarks;
    QImage m_rulerDigits, m_rulerDigitsMarked;

    // metrics
    int m_charWidths[256] = {};
    int m_wideWidth = 24;
    bool m_asciiOnGrid = false;
    int m_ascent = 10;

    // painting
    QPainter* m_painter = nullptr;
    QColor m_drawText, m_drawBack;
    TFontStyles m_drawStyle = 0;
    qint64 m_paintedRows = 0;
    QBasicTimer m_blinkTimer;
    QBasicTimer m_parseTimer;
    int m_parseRow = 0;
    void ScheduleParseAhead();
    void ParseAheadSlice();
    QRawFont m_rawFonts[4];
    bool m_rawFontsValid = false;
};

} // namespace qv
