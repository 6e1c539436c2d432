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
    m_undoList.push_back(std::move(d));
    if (int(m_undoList.size()) > m_listMax)
        m_undoList.pop_front();
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
    if (TEditorStoreClient* c = m_list->ActiveClient()) {
        d.Row = c->Row();
        d.Col = c->Col();
    }
    m_redoList.push_back(std::move(d));
}

void TEditorUndoObj::Clear()
{
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
    if (d.RowAttribute == raInvalid) {
        const TRowMarks marks = m_list->DeleteRows(d.DataRow, r);
        if (m_list->Count() == 0)
            m_list->ExcludeRowMarks(marks);
        else if (marks)
            m_list->SetRowMarks(std::min(d.DataRow, m_list->Count() - 1),
                                m_list->GetRowMarks(std::min(d.DataRow, m_list->Count() - 1)) | marks);
        n = 0;
    } else {
        TEditorStringList list;
        m_list->WrapText(d.InsertStr, list);
        if (d.RowAttribute == raWrapped && list.Count() > 0 && list.Get(list.Count() - 1).isEmpty())
            list.Delete(list.Count() - 1);
        if (list.Count() > 0)
            list.SetRows(list.Count() - 1, d.RowAttribute);
        n = list.Count();
        m_list->PutRowList(d.DataRow, r, list);
    }
    const int invalid = m_list->UpdateBrackets(d.DataRow, true);
    m_list->SetDrawInfo(d.DataRow, r, invalid, n);
}

void TEditorUndoObj::Undo()
{
    if (m_undoList.empty())
        return;
    TUndoData d = m_undoList.back();
    TEditorStoreClient* active = m_list->ActiveClient();
    if (active)
        active->BeginCaretUpdate();
    m_list->BeginUpdate();
    QString t;
    TRowAttribute a;
    int n;
    Apply(d, t, a, n);
    d.DeleteCount = n;
    d.RowAttribute = a;
    d.InsertStr = t;
    AddRedoData(d);
    m_undoList.pop_back();
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
    TUndoData r = m_redoList.back();
    m_redoList.pop_back();
    TEditorStoreClient* active = m_list->ActiveClient();
    if (active)
        active->BeginCaretUpdate();
    m_list->BeginUpdate();
    QString t;
    TRowAttribute a;
    int n;
    Apply(r, t, a, n);
    m_redoing = true;
    TUndoData& u = AddUndoData();
    u.DataRow = r.DataRow;
    u.DeleteCount = n;
    u.RowAttribute = a;
    u.InsertStr = t;
    m_redoing = false;
    m_list->EndUpdate();
    if (active) {
        active->SetRow(r.Row);
        active->SetCol(r.Col);
        active->EndCaretUpdate();
    }
}

} // namespace qv
