#pragma once
// Undo and redo of the row store: every replace records one step (the rows it touched, how
// many rows the new text occupies and the old text); undo puts the old text back and turns
// the step into a redo step. Shared by every editor of the store.
#include "editor/rowattr.h"

#include <deque>

namespace qv {

class TEditorScreenStrings;

struct TUndoData {
    int Row = 0;
    int Col = 0;
    int DataRow = -1;
    int DeleteCount = 0;
    TRowAttribute RowAttribute = raInvalid;
    // The old text of the rows, or only the part of it that the step changed: the first
    // KeepHead and the last KeepTail units are the same before and after the step and are read
    // back from the rows when the step is applied (typing in a long line keeps one character,
    // not the line).
    QString InsertStr;
    int KeepHead = 0;
    int KeepTail = 0;
    // Steps made between BeginGroup and EndGroup share a group number and are undone and
    // redone together (0: a step of its own).
    int Group = 0;
};

class TEditorUndoObj {
public:
    explicit TEditorUndoObj(TEditorScreenStrings* list) : m_list(list) {}
    virtual ~TEditorUndoObj() = default;

    // A new step with the active editor's caret; drops the oldest past the limit and, unless
    // a redo is recording it, clears the redo list. The caller fills the data fields.
    virtual TUndoData& AddUndoData();
    virtual bool CanRedo() const { return !m_redoList.empty(); }
    virtual bool CanUndo() const { return !m_undoList.empty(); }
    virtual void Redo();
    virtual void Undo();
    virtual void AddRedoData(const TUndoData& data);
    virtual void Clear();

    // Everything replaced until the matching EndGroup is one undo step (for example a
    // replace of many search hits). Groups nest; the outermost pair counts.
    void BeginGroup();
    void EndGroup();

    int ListMax() const { return m_listMax; }
    // The limit is at least 64.
    void SetListMax(int value) { m_listMax = std::max(64, value); }
    // Undo and redo steps (a group counts once).
    int UndoCount() const { return m_undoSteps; }
    int RedoCount() const { return StepCount(m_redoList); }
    const TUndoData& UndoAt(int i) const { return m_undoList[size_t(i)]; }

private:
    // Puts D's text back over its rows; returns the rows' current text (without D's kept
    // head and tail), attribute and the new row count.
    void Apply(const TUndoData& d, QString& t, TRowAttribute& a, int& n);
    static int StepCount(const std::deque<TUndoData>& list);
    int m_undoSteps = 0;
    int m_groupDepth = 0;
    int m_groupId = 0;      // group of the open outermost pair
    int m_nextGroup = 1;
    TEditorScreenStrings* m_list;
    int m_listMax = 64;
    bool m_redoing = false;
    std::deque<TUndoData> m_undoList;
    std::deque<TUndoData> m_redoList;
};

} // namespace qv
