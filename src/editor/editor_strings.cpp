#include "editor/editor_strings.h"

namespace qv {

TEditorStrings::TEditorStrings(std::shared_ptr<TEditorScreenStrings>* holder, TEditorStoreClient* editor)
    : m_holder(holder), m_editor(editor)
{
}

TEditorStrings::TEditorStrings(std::shared_ptr<TEditorScreenStrings> store)
    : m_own(std::move(store)), m_holder(&m_own), m_editor(nullptr)
{
}

void TEditorStrings::CaretUpdate(const std::function<void()>& body)
{
    if (m_editor)
        m_editor->BeginCaretUpdate();
    try {
        body();
    } catch (...) {
        if (m_editor)
            m_editor->EndCaretUpdate();
        throw;
    }
    if (m_editor)
        m_editor->EndCaretUpdate();
}

int TEditorStrings::Count() const { return Store().LineCount(); }

QString TEditorStrings::Get(int index) const
{
    const TEditorScreenStrings& s = Store();
    if (!s.WordWrap())
        return s.Get(index);
    return s.LineText(index);
}

int TEditorStrings::LineToRow(int index) const
{
    const TEditorScreenStrings& s = Store();
    if (!s.WordWrap()) {
        if (index < 0 || index > s.Count())
            throw EStringListError(index);
        return index;
    }
    return s.LineToRow(index);
}

QString TEditorStrings::GetTextStr() const { return Store().JoinRows(); }

void TEditorStrings::SetTextStr(QStringView value)
{
    BeginUpdate();
    try {
        Store().SetText(value);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TEditorStrings::Put(int index, const QString& s)
{
    DropSelection();
    TEditorScreenStrings& st = Store();
    const int a = LineToRow(index);
    if (a >= st.Count())
        throw EStringListError(index);
    const int e = st.LineEndRow(a);
    const QString text = st.GetRows(e) == raCrlf ? s + QStringLiteral("\r\n") : s;
    CaretUpdate([&] {
        st.ReplaceRows(a, e - a + 1, text);
        if (m_editor)
            m_editor->SetCaretByOffset(a, int(text.size()));
    });
}

void TEditorStrings::Insert(int index, const QString& s)
{
    TEditorScreenStrings& st = Store();
    const int a = LineToRow(index);
    if (a == st.Count()) {
        Add(s);
        return;
    }
    DropSelection();
    CaretUpdate([&] {
        st.ReplaceRows(a, 0, s + QStringLiteral("\r\n"));
        if (m_editor)
            m_editor->SetCaretByOffset(a, int(s.size()) + 2);
    });
}

int TEditorStrings::Add(const QString& s)
{
    const int result = Count();
    DropSelection();
    TEditorScreenStrings& st = Store();
    CaretUpdate([&] {
        const int n = st.Count();
        if (n > 0 && st.GetRows(n - 1) != raCrlf) {
            const int last = n - 1;
            const QString text = st.Get(last) + QStringLiteral("\r\n") + s;
            st.ReplaceRows(last, 1, text);
            if (m_editor)
                m_editor->SetCaretByOffset(last, int(text.size()));
        } else {
            st.ReplaceRows(n, 0, s + QStringLiteral("\r\n"));
            if (m_editor)
                m_editor->SetCaretByOffset(n, int(s.size()) + 2);
        }
    });
    return result;
}

void TEditorStrings::Delete(int index)
{
    DropSelection();
    TEditorScreenStrings& st = Store();
    const int a = LineToRow(index);
    if (a >= st.Count())
        throw EStringListError(index);
    CaretUpdate([&] {
        st.ReplaceRows(a, st.LineEndRow(a) - st.LineStartRow(a) + 1, QString());
        if (m_editor)
            m_editor->SetCaretByOffset(a, 0);
    });
}

void TEditorStrings::Clear() { Store().Clear(); }

void TEditorStrings::Assign(const QStringList& lines)
{
    QString text;
    for (const QString& l : lines) {
        text.append(l);
        text.append(u"\r\n");
    }
    SetTextStr(text);
    if (m_editor) {
        m_editor->SetRow(Store().Count());
        m_editor->SetCol(0);
    }
}

QStringList TEditorStrings::ToStringList() const
{
    QStringList out;
    const TEditorScreenStrings& st = Store();
    const int n = st.LineCount();
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(st.LineText(i));
    return out;
}

void TEditorStrings::ReadStrings(const QStringList& lines)
{
    TEditorScreenStrings& st = Store();
    st.BeginUpdate();
    st.Clear();
    for (const QString& l : lines)
        st.Add(l);
    st.EndUpdate();
}

void TEditorStrings::BeginUpdate()
{
    ++m_updateCount;
    Store().BeginUpdate();
    if (m_editor)
        m_editor->BeginCaretUpdate();
}

void TEditorStrings::EndUpdate()
{
    --m_updateCount;
    TEditorScreenStrings& st = Store();
    st.EndUpdate();
    if (m_editor)
        m_editor->EndCaretUpdate();
    if (m_updateCount == 0)
        st.RelayoutClients();
}

} // namespace qv
