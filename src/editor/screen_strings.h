#pragma once
// The editor's row store: the text as screen rows, each with the way it ends and the
// highlighting-parser state at its start, shared by every editor that shows it (its
// clients). Every change of the text goes through ReplaceRows, which re-wraps the touched
// logical lines, records one undo step, keeps row marks on their rows, re-parses only as far
// as the stored state at a row start changes (rows further down are parsed lazily when they
// are shown) and tells the clients which rows changed.
//
// Storage: rows live in blocks of a few hundred rows (one string per block plus row offsets
// and the two attribute words), with running row and line counts per block, so row and
// logical-line access is O(log n) (O(1) when walking rows in order) and an edit touches one
// block, never the whole text.
#include "editor/fountain.h"
#include "editor/rowattr.h"
#include "editor/wrap.h"

#include <memory>
#include <vector>

namespace qv {

class TEditorUndoObj;

// What the last change did, for the clients' repaint.
struct TEditorDrawInfo {
    int Start = 0;   // first row touched
    int Delete = 0;  // rows removed there
    int Insert = 0;  // rows put there
    int Invalid = 0; // rows whose highlighting state changed, counted from Start
    bool NeedUpdate = false;
};

// An editor as the store sees it. The first client is the store's reference editor: its
// settings decide the column map, the screen height used for the re-parse horizon and the
// parser. Every method has a neutral default so that light clients (tests, tools) override
// only what they have.
class TEditorStoreClient {
public:
    virtual ~TEditorStoreClient() = default;
    // Caret (screen row and column) and top row.
    virtual int Row() const { return 0; }
    virtual int Col() const { return 0; }
    virtual void SetRow(int) {}
    virtual void SetCol(int) {}
    virtual int TopRow() const { return 0; }
    virtual void SetTopRow(int) {}
    virtual bool Focused() const { return false; }
    // Loading from a stream / being destroyed: whole-text work waits.
    virtual bool Loading() const { return false; }
    virtual bool Destroying() const { return false; }
    virtual void CleanSelection() {}
    // Row i's highlighting changed (repaint it).
    virtual void InvalidateRow(int) {}
    // The store changed; the draw information says which rows (see PlanScreenUpdate).
    virtual void DoChange(const TEditorDrawInfo&) {}
    // Recompute metrics and scroll ranges, repaint all.
    virtual void Relayout() {}
    // Rows that fit in the screen height (screen height div row height).
    virtual int ScreenRows() const { return 50; }
    // Tab width, delimiters and the ambiguous-width rule (wrap fields are the store's).
    virtual TColumnMapSettings ColumnMapSettings() const { return TColumnMapSettings(); }
    // The fountain whose parser highlights the text; nullptr for none.
    virtual const TFountain* ActiveFountain() const { return nullptr; }
    // Parse every row when the states are rebuilt instead of only the first screens.
    virtual bool InitBracketsFull() const { return false; }
    virtual void BeginCaretUpdate() {}
    virtual void EndCaretUpdate() {}
    // Caret to the character Offset units after the start of row Row (line breaks count 2).
    virtual void SetCaretByOffset(int /*row*/, int /*offset*/) {}
};

class TEditorScreenStrings : public TRowStrings {
public:
    TEditorScreenStrings();
    ~TEditorScreenStrings() override;
    TEditorScreenStrings(const TEditorScreenStrings&) = delete;
    TEditorScreenStrings& operator=(const TEditorScreenStrings&) = delete;

    // ---- row list ----
    int Count() const override { return m_rowCount; }
    QString Get(int index) const override;
    QStringView RowView(int index) const override;
    void Put(int index, const QString& s) override;
    void Insert(int index, const QString& s) override;
    void Delete(int index) override;
    // Drops selections, undo steps and row marks, empties the store, carets to 0,0.
    void Clear() override;
    uint32_t GetItem(int index) const override;
    void PutItem(int index, uint32_t value) override;
    uint32_t GetItem2(int index) const override;
    void PutItem2(int index, uint32_t value) override;
    quintptr GetData(int index) const override;
    void PutData(int index, quintptr value) override;
    QString GetDataStr(int index) const override;
    void PutDataStr(int index, const QString& value) override;

    // ---- clients ----
    // The store lives as long as someone holds it (editors hold a shared_ptr); the client
    // list is who is told about changes.
    void AddClient(TEditorStoreClient* client);
    void RemoveClient(TEditorStoreClient* client);
    int ClientCount() const { return int(m_clients.size()); }
    TEditorStoreClient* Client(int i) const { return m_clients[size_t(i)]; }
    TEditorStoreClient* FirstClient() const { return m_clients.empty() ? nullptr : m_clients.front(); }
    TEditorStoreClient* ActiveClient() const;
    // Moves a client from the store it holds to another one; nothing when it is the same.
    static void ExchangeStore(TEditorStoreClient* client, std::shared_ptr<TEditorScreenStrings>& holder,
                              const std::shared_ptr<TEditorScreenStrings>& target);

    // Settings used while no client is there (tools, tests, benchmarks).
    void SetDefaultFountain(const TFountain* f) { m_defaultFountain = f; }
    void SetDefaultColumnSettings(const TColumnMapSettings& s) { m_defaultColumns = s; }
    void SetDefaultScreenRows(int rows) { m_defaultScreenRows = rows; }
    void SetDefaultInitBracketsFull(bool v) { m_defaultInitFull = v; }

    // The column-map settings in force (reference editor's, with the store's wrap fields).
    TColumnMapSettings ColumnSettings() const;
    const TFountain* ReferenceFountain() const;

    // ---- editing ----
    // Replaces rows Index .. Index + Count - 1 by the text S (which may hold CR LF): the one
    // edit primitive, one undo step.
    void ReplaceRows(int index, int count, const QString& s);
    void PutRowList(int index, int count, const TRowStrings& list);
    // Puts the rows of Text (its lines wrapped by the store's settings; an empty text is one
    // empty row) in place of Count rows at Index, the last new row ending as Last; with
    // DropEmptyWrapped an empty last row goes when Last is raWrapped. Row marks as PutRowList.
    // Returns the number of new rows. A long text goes into the blocks without a row list.
    int PutTextRows(int index, int count, QStringView text, TRowAttribute last, bool dropEmptyWrapped = false);
    TRowMarks DeleteRows(int index, int count);
    void GetLineData(int index, int rowCount, TRowAttribute& rowAttribute, int& count, QString& s) const;
    void AddRowBreak(int index, QString& s) const;
    int LineStartRow(int index) const;
    int LineEndRow(int index) const;

    // ---- highlighting states ----
    int UpdateBrackets(int row, bool notify);
    void InitBrackets();
    // Makes sure row's stored state is computed (paint time).
    void EnsureRowState(int row)
    {
        if (row >= 0 && row < m_rowCount && GetBrackets(row) == -2)
            UpdateBrackets(row, false);
    }
    // Computes the states of rows Row .. Row + Rows - 1 not computed yet (parsing ahead while
    // idle, from the top down); returns the row after them.
    int ParseAheadFrom(int row, int rows);
    // True while row's stored state is not computed yet.
    bool RowStatePending(int row) const { return row >= 0 && row < m_rowCount && GetBrackets(row) == -2; }
    // Rows parsed so far (a counter for tests and benchmarks).
    qint64 ParsedRowCount() const { return m_parsedRows; }
    void ResetParsedRowCount() { m_parsedRows = 0; }

    // ---- draw information ----
    void SetDrawInfo(int start, int del, int invalid, int ins);
    const TEditorDrawInfo& DrawInfo() const { return m_drawInfo; }

    // ---- word wrap ----
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    TEditorWrapOption& WrapOption() { return *m_wrapOption; }
    virtual void WrapText(QStringView s, TRowStrings& rows) const;
    virtual int WrapCount(QStringView s) const;
    void WrapAll();
    void UnwrapAll();

    // ---- undo ----
    TEditorUndoObj& UndoObj() { return *m_undoObj; }
    void Undo();
    void Redo();

    // ---- row marks ----
    void IncludeRowMarks(TRowMarks marks) { m_validRowMarks |= marks; }
    void ExcludeRowMarks(TRowMarks marks) { m_validRowMarks &= TRowMarks(~marks); }
    TRowMarks ValidRowMarks() const { return m_validRowMarks; }

    // ---- logical lines ----
    // Rows that are not raWrapped, plus the last row when it is.
    int LineCount() const;
    // First row of logical line Index; Index = LineCount gives the row count.
    int LineToRow(int line) const;
    // The 0-based logical line of a row.
    int RowToLine(int row) const;
    // The joined text of logical line Index without its line break.
    QString LineText(int line) const;

    // ---- position queries ----
    // Text length as the edit messages count it: every row plus 2 per line break.
    int GetTextLen() const;
    // 1 for an empty store, else the row count plus 1 when the text ends with a line break.
    int GetLineNumberCount() const;
    // Screen column ACol of row ARow to a character index in its logical line (a tab's fill
    // maps to the tab, either half of a double-width character to it); -1 outside.
    int ColToChar(int row, int col) const;

    // ---- whole text ----
    // All rows joined, CR LF after each raCrlf row.
    QString JoinRows() const;
    // The same text in pieces of about ChunkUnits units that end at row ends.
    void ForEachTextChunk(int chunkUnits, const std::function<void(QStringView)>& chunk) const;
    // Clears and takes a whole text: CR LF, LF or CR end a line, a final line break adds no
    // empty line, NUL is an ordinary character; then wraps and rebuilds the states.
    void SetText(QStringView text);
    // Streaming form of SetText: BeginLoad, AppendText per piece of text (each piece ends
    // at a line end except maybe the last), EndLoad.
    void BeginLoad();
    void AppendText(QStringView piece);
    void EndLoad();

    // Client helpers.
    void NotifyClients();
    void CleanSelections();
    void AdjustClientRows();
    void ResetClientCols();
    void RelayoutClients();

protected:
    void SetUpdateState(bool updating) override;

public:
    struct Block;

private:
    struct Loc {
        int block;
        int row;
    };
    Loc Locate(int row) const;
    void EnsurePrefix() const;
    void Touch(int block) const
    {
        ++m_layoutVersion;
        if (block < m_prefixValid)
            m_prefixValid = block;
    }
    void InsertRowsAt(int index, int n);
    // Makes row Index the first row of a block; returns that block's position.
    int SplitBlockAt(int index);
    void DeleteRowsAt(int index, int n);
    void AppendBlockRows(std::unique_ptr<Block> b);
    // Marks of L new rows that take the place of Count rows at Index, as (new row, marks) in
    // row order; marks of rows that go without a successor leave the marks in use.
    std::vector<std::pair<int, TRowMarks>> MarksOfNewRows(int index, int count, int l);
    // Puts ready blocks in place of Count rows at Index.
    void SpliceBlocks(int index, int count, std::vector<std::unique_ptr<Block>> fresh);
    void MarkAllNotComputed(int fromRow);
    // Start states of whole blocks found by the quick row scan (see Block::hint): the text
    // changed in or above a block makes the hints below it doubtful until a re-parse shows the
    // state after the change is the one stored (RunStates stopping on a match).
    void HintsDoubtfulFrom(int block);
    void SettleHints(int stopRow);
    void ComputeHints();
    int QuickStates(int begin, TRowAttributeData& state, int last, bool notify, TFountainParser& parser);
    int RunStates(int begin, TRowAttributeData state, int horizon, bool stopOnMatch, bool notify, TFountainParser& parser);
    bool StoredEquals(int row, const TRowAttributeData& d) const;
    int ScreenRows() const;
    bool RefLoading() const;
    void RebuildRows(bool wrap);
    void ClearStorage();

    std::vector<std::unique_ptr<Block>> m_blocks;
    mutable std::vector<int> m_rowPrefix;  // rows before block b
    mutable std::vector<int> m_linePrefix; // line ends before block b
    mutable int m_prefixValid = 0;         // prefix entries valid for blocks < m_prefixValid (+1)
    mutable int m_lastBlock = 0;
    // Rows or line ends changed since: invalidates the sequential line cache.
    mutable quint64 m_layoutVersion = 0;
    mutable int m_cacheLine = -1;
    mutable int m_cacheRow = 0;
    mutable quint64 m_cacheVersion = 0;
    int m_rowCount = 0;
    int m_updateCount = 0;

    std::vector<TEditorStoreClient*> m_clients;
    TEditorDrawInfo m_drawInfo;
    TRowMarks m_validRowMarks = 0;
    std::unique_ptr<TEditorUndoObj> m_undoObj;
    bool m_wordWrap = false;
    std::unique_ptr<TEditorWrapOption> m_wrapOption;

    const TFountain* m_defaultFountain = nullptr;
    TColumnMapSettings m_defaultColumns;
    int m_defaultScreenRows = 50;
    bool m_defaultInitFull = false;
    qint64 m_parsedRows = 0;
    bool m_doubtfulHints = false;
    bool m_loadEndsWithBreak = false;
    bool m_loadLastWasCR = false;
    bool m_loadAny = false;
    int m_loadOldRows = 0;
    friend class TBlockBuilder;
};

// What a client does with a change report: repaint rows, or scroll part of the text area.
struct TScreenUpdatePlan {
    bool RepaintAll = false;       // more rows changed than are visible
    int InvalidateFirst = 0;       // rows to repaint: InvalidateFirst .. InvalidateLast
    int InvalidateLast = -1;
    int ScrollFrom = 0;            // scroll rows from here by ScrollBy rows (0: no scroll)
    int ScrollBy = 0;
    int ExtraFirst = 0, ExtraLast = -1; // rows to repaint beyond the last row after a scroll
    int LeftbarFirst = 0, LeftbarLast = -1; // line-number bar rows to repaint
};
enum class TNumberMode { None, Line, Row };
TScreenUpdatePlan PlanScreenUpdate(const TEditorDrawInfo& info, int visibleRows, int rowCount, int topRow,
                                   TNumberMode numbers);

} // namespace qv
