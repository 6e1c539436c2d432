#include "editor/undo.h"
#include "editor/screen_strings.h"

namespace qv {

TUndoData& TEditorUndoObj::AddUndoData()
{
    TUndoData d;
    if (TEditorStoreClient* c = m_list->ActiveClient()) {
        d.Row = c->Row();
        d.Col = c->Col();
    }
    d.Group = m_groupDepth > 0 ? m_groupId : 0;
    if (d.Group == 0 || m_undoList.empty() || m_undoList.back().Group != d.Group)
        ++m_undoSteps;
    m_undoList.push_back(std::move(d));
    while (m_undoSteps > m_listMax) {
        const int g = m_undoList.front().Group;
        m_undoList.pop_front();
        while (g != 0 && !m_undoList.empty() && m_undoList.front().Group == g)
            m_undoList.pop_front();
        --m_undoSteps;
    }
    if (!m_redoing)
        m_redoList.clear();
    return m_undoList.back();
}

void TEditorUndoObj::AddRedoData(const TUndoData& data)
{
    TUndoData d;
    d.DataRow = data.DataRow;
    d.DeleteCount = data.DeleteCount;
    d.RowAttribute = data.RowAttribute;
    d.InsertStr = data.InsertStr;
    d.KeepHead = data.KeepHead;
    d.KeepTail = data.KeepTail;
    d.Group = data.Group;
    if (TEditorStoreClient* c = m_list->ActiveClient()) {
        d.Row = c->Row();
        d.Col = c->Col();
    }
    m_redoList.push_back(std::move(d));
}

void TEditorUndoObj::Clear()
{
    m_undoSteps = 0;
    m_undoList.clear();
    m_redoList.clear();
}

void TEditorUndoObj::Apply(const TUndoData& d, QString& t, TRowAttribute& a, int& n)
{
    int r = 0;
    if (d.DeleteCount != 0) {
        m_list->GetLineData(d.DataRow, d.DeleteCount, a, r, t);
    } else {
        t.clear();
        a = raInvalid;
    }
    const int head = std::min<int>(d.KeepHead, int(t.size()));
    const int tail = std::min<int>(d.KeepTail, int(t.size()) - head);
    if (d.RowAttribute == raInvalid) {
        const TRowMarks marks = m_list->DeleteRows(d.DataRow, r);
        if (m_list->Count() == 0)
            m_list->ExcludeRowMarks(marks);
        else if (marks)
            m_list->SetRowMarks(std::min(d.DataRow, m_list->Count() - 1),
                                m_list->GetRowMarks(std::min(d.DataRow, m_list->Count() - 1)) | marks);
        n = 0;
    } else if (head == 0 && tail == 0) {
        n = m_list->PutTextRows(d.DataRow, r, d.InsertStr, d.RowAttribute, true);
    } else {
        QString old;
        old.reserve(head + d.InsertStr.size() + tail);
        old.append(QStringView(t).left(head));
        old.append(d.InsertStr);
        old.append(QStringView(t).right(tail));
        n = m_list->PutTextRows(d.DataRow, r, old, d.RowAttribute, true);
    }
    if (head != 0 || tail != 0)
        t = t.mid(head, t.size() - head - tail);
    const int invalid = m_list->UpdateBrackets(d.DataRow, true);
    m_list->SetDrawInfo(d.DataRow, r, invalid, n);
}

int TEditorUndoObj::StepCount(const std::deque<TUndoData>& list)
{
    int n = 0;
    int prev = 0;
    for (const TUndoData& d : list) {
        if (d.Group == 0 || d.Group != prev)
            ++n;
        prev = d.Group;
    }
    return n;
}

void TEditorUndoObj::BeginGroup()
{
    if (m_groupDepth++ == 0)
        m_groupId = m_nextGroup++;
}

void TEditorUndoObj::EndGroup()
{
    if (m_groupDepth > 0 && --m_groupDepth == 0)
        m_groupId = 0;
}

void TEditorUndoObj::Undo()
{
    if (m_undoList.empty())
        return;
    TEditorStoreClient* active = m_list->ActiveClient();
    if (active)
        active->BeginCaretUpdate();
    m_list->BeginUpdate();
    const int group = m_undoList.back().Group;
    TUndoData d;
    do {
        d = m_undoList.back();
        QString t;
        TRowAttribute a;
        int n;
        Apply(d, t, a, n);
        TUndoData redo = d;
        redo.DeleteCount = n;
        redo.RowAttribute = a;
        redo.InsertStr = t;
        AddRedoData(redo);
        m_undoList.pop_back();
    } while (group != 0 && !m_undoList.empty() && m_undoList.back().Group == group);
    --m_undoSteps;
    m_list->EndUpdate();
    if (active) {
        active->SetRow(d.Row);
        active->SetCol(d.Col);
        active->EndCaretUpdate();
    }
}

void TEditorUndoObj::Redo()
{
    if (m_redoList.empty())
        return;
    TEditorStoreClient* active = m_list->ActiveClient();
    if (active)
        active->BeginCaretUpdate();
    m_list->BeginUpdate();
    const int group = m_redoList.back().Group;
    TUndoData r;
    do {
        r = m_redoList.back();
        m_redoList.pop_back();
        QString t;
        TRowAttribute a;
        int n;
        Apply(r, t, a, n);
        m_redoing = true;
        const int savedDepth = m_groupDepth, savedId = m_groupId;
        m_groupDepth = group != 0 ? 1 : 0;
        m_groupId = group;
        TUndoData& u = AddUndoData();
        m_groupDepth = savedDepth;
        m_groupId = savedId;
        u.DataRow = r.DataRow;
        u.DeleteCount = n;
        u.RowAttribute = a;
        u.InsertStr = t;
        u.KeepHead = r.KeepHead;
        u.KeepTail = r.KeepTail;
        m_redoing = false;
    } while (group != 0 && !m_redoList.empty() && m_redoList.back().Group == group);
    m_list->EndUpdate();
    if (active) {
        active->SetRow(r.Row);
        active->SetCol(r.Col);
        active->EndCaretUpdate();
    }
}

} // namespace qv
