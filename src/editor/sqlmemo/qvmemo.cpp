#include "editor/sqlmemo/qvmemo.h"

#include "editor/edit/edit_messages.h"
#include "editor/search/search_dialogs.h"
#include "editor/search/text_search.h"
#include "editor/undo.h"
#include "editor/sqlmemo/code_assist.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStringDecoder>

namespace qv {

std::function<void(QWidget*, const QString&)> TqvMemo::MessageHook;

bool IsMemoDelimiter(QChar c)
{
    static const QString set = QStringLiteral(" (){}[]<>%;.,+-\"'\r\n\t");
    return set.contains(c);
}

QString TqvMemo::NotFoundMessage(const QString& value)
{
    return QStringLiteral("検索文字列  「") + value + QStringLiteral("」\r\nは見つかりませんでした。");
}

TqvMemo::TqvMemo(QWidget* parent) : TEditor(parent) {}

TqvMemo::~TqvMemo()
{
    if (m_macroList) {
        if (m_macroList->Status() == msRecording)
            EndMacroRec();
        if (m_macroList->Status() == msRunning)
            CancelMacroExec();
    }
    if (CodeAssist)
        delete CodeAssist.data();
}

void TqvMemo::ScrollToCaret()
{
    if (!LockScrollCaret)
        TEditor::ScrollToCaret();
}

// ---- messages and events ---------------------------------------------------------------------

void TqvMemo::WmUndo(quintptr wParam)
{
    if (ReadOnly())
        return;
    if (wParam == 1)
        Redo();
    else
        Undo();
}

bool TqvMemo::handleEditCommand(EditCommand cmd)
{
    switch (cmd) {
    case EditCommand::Undo:
        WmUndo(0);
        return true;
    case EditCommand::Redo:
        WmUndo(1);
        return true;
    case EditCommand::Cut:
        EditMessage(editmsg::WM_CUT, 0, 0);
        return true;
    case EditCommand::Copy:
        EditMessage(editmsg::WM_COPY, 0, 0);
        return true;
    case EditCommand::Paste:
        EditMessage(editmsg::WM_PASTE, 0, 0);
        return true;
    case EditCommand::Clear:
        EditMessage(editmsg::WM_CLEAR, 0, 0);
        return true;
    case EditCommand::SelectAll:
        EditMessage(editmsg::EM_SETSEL, 0, -1);
        return true;
    }
    return false;
}

void TqvMemo::RecordKey(unsigned msg, int code, int keyData, Qt::KeyboardModifiers mods)
{
    if (!m_macroList || m_macroList->Status() != msRecording)
        return;
    m_macroList->Add(msg, uint16_t(code), keyData, (mods & Qt::ShiftModifier) ? 0x80 : 0,
                     (mods & Qt::ControlModifier) ? 0x80 : 0, (mods & Qt::AltModifier) ? 0x80 : 0);
}

void TqvMemo::resizeEvent(QResizeEvent* e)
{
    CloseCodeAssist();
    TEditor::resizeEvent(e);
}

void TqvMemo::scrollContentsBy(int dx, int dy)
{
    CloseCodeAssist();
    TEditor::scrollContentsBy(dx, dy);
}

void TqvMemo::mousePressEvent(QMouseEvent* e)
{
    CloseCodeAssist();
    TEditor::mousePressEvent(e);
}

void TqvMemo::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton)
        CloseCodeAssist();
    TEditor::mouseReleaseEvent(e);
}

void TqvMemo::mouseDoubleClickEvent(QMouseEvent* e)
{
    SelectWordFromCaret();
    TEditor::mouseDoubleClickEvent(e);
}

void TqvMemo::focusInEvent(QFocusEvent* e)
{
    TEditor::focusInEvent(e);
    // A menu that opened over the editor keeps the editor's state (its box-mode entry sets it).
    if (e->reason() == Qt::PopupFocusReason)
        return;
    SetSelectionMode(DefaultSelectMode);
    Caret().FreeCaret = DefaultCaretFreeCaret;
    KeyDownAltKey = false;
}

void TqvMemo::focusOutEvent(QFocusEvent* e)
{
    if (CodeAssist && !CodeAssist->hasFocus())
        CloseCodeAssist();
    if (e->reason() != Qt::PopupFocusReason) {
        SetSelectionMode(DefaultSelectMode);
        Caret().FreeCaret = DefaultCaretFreeCaret;
        KeyDownAltKey = false;
    }
    TEditor::focusOutEvent(e);
}

void TqvMemo::SelectTokenAtPos(QPoint pos, const TFountain*, bool)
{
    TEditorStrInfo info;
    if (!PosToStrInfo(pos, info) || ListCount() == 0)
        return;
    const QString t = GetRowString(info.Line);
    const int b = info.CharIndex;
    if (t.isEmpty() || b < 1 || b > t.size())
        return;
    if (IsMemoDelimiter(t[b - 1]))
        return;
    int s = b - 1;
    while (s > 0 && !IsMemoDelimiter(t[s - 1]))
        --s;
    int e = s;
    while (e < t.size() && !IsMemoDelimiter(t[e]))
        ++e;
    SetSelIndex(info.Line, s);
    SetSelLength(e - s);
}

// ---- positions -------------------------------------------------------------------------------

void TqvMemo::SetSelIndex(int startRow, int selIndex)
{
    CleanSelection();
    const int n = ListCount();
    BeginCaretUpdate();
    SetCaretByOffset(std::max(0, std::min(startRow, n)), selIndex);
    EndCaretUpdate();
}

void TqvMemo::MultiLineSelect(int sp, int ep)
{
    CleanSelection();
    StartRowSelection(sp);
    UpdateRowSelection(ep);
}

void TqvMemo::Jump(int line)
{
    setFocus();
    int r = Leftbar().ZeroBase() ? line : line - 1;
    const int count = GetLineNumberCount();
    r = std::max(0, std::min(r, count - 1));
    // Line numbers count logical lines; rows are screen rows.
    auto rowOf = [&](int l) {
        const int n = Lines().Count();
        if (l >= n)
            return ListCount() + (l - n);
        return Lines().LineToRow(l);
    };
    try {
        SetSelIndex(rowOf(std::min(r + 10, count - 1)), 0);
        ScrollToCaret();
        SetSelIndex(rowOf(std::max(0, r - 10)), 0);
        ScrollToCaret();
    } catch (...) {
    }
    SetSelIndex(rowOf(r), 0);
    StartSelection();
}

// ---- search ----------------------------------------------------------------------------------

void TqvMemo::NotFound()
{
    if (!m_notFindMsg)
        return;
    if (MessageHook)
        MessageHook(this, NotFoundMessage(m_searchValue));
    else
        QMessageBox::information(this, QApplication::applicationDisplayName(), NotFoundMessage(m_searchValue));
}

void TqvMemo::ClearSearch(bool clearValue)
{
    SetHitText(QString());
    SetHitSelLength(0);
    CleanSelection();
    if (clearValue)
        m_searchValue.clear();
}

void TqvMemo::MoveToSearchStart(bool down)
{
    CleanSelection();
    BeginCaretUpdate();
    const int n = ListCount();
    if (down || n == 0)
        SetRowCol(0, 0);
    else if (GetRowAttribute(n - 1) == raCrlf)
        SetRowCol(n, 0);
    else
        SetRowCol(n - 1, GetRowWidth(n - 1));
    EndCaretUpdate();
}

bool TqvMemo::SearchCopyFromStart(bool down)
{
    TEditor scratch;
    scratch.Lines().SetTextStr(Lines().GetTextStr());
    const int n = scratch.ListCount();
    if (down || n == 0)
        scratch.SetRowCol(0, 0);
    else if (scratch.GetRowAttribute(n - 1) == raCrlf)
        scratch.SetRowCol(n, 0);
    else
        scratch.SetRowCol(n - 1, scratch.GetRowWidth(n - 1));
    scratch.CleanSelection();
    TSearchOptions o = m_searchOptions;
    o = down ? TSearchOptions(o | sfrDown) : TSearchOptions(o & ~sfrDown);
    return scratch.Search(m_searchValue, o);
}

bool TqvMemo::FoundElsewhere(bool down)
{
    try {
        return SearchCopyFromStart(down);
    } catch (...) {
        return false;
    }
}

// Searches in the stored direction; on a miss with wrap-around on, restarts once from the top
// (down) or the true end of the text (up).
bool TqvMemo::SearchWithWrap(bool down, bool* wrapped)
{
    if (wrapped)
        *wrapped = false;
    if (Search(m_searchValue, m_searchOptions))
        return true;
    if (!m_research || !FoundElsewhere(down))
        return false;
    MoveToSearchStart(down);
    m_searchOptions = down ? TSearchOptions(m_searchOptions | sfrDown) : TSearchOptions(m_searchOptions & ~sfrDown);
    if (wrapped)
        *wrapped = true;
    return Search(m_searchValue, m_searchOptions);
}

void TqvMemo::ShowSearchDialog()
{
    const QString before = m_searchValue;
    if (Selected())
        m_searchValue = SelText();
    TSearchOptions o = m_searchOptions;
    QString value = m_searchValue;
    if (!TfrmEditSearch::Execute(value, o, m_research, m_notFindMsg, this)) {
        m_searchValue = before;
        return;
    }
    m_searchValue = value;
    ClearSearch(false);
    if (!(o & (sfrWholeWord | sfrMatchCase)))
        SetHitText(m_searchValue);
    m_searchOptions = o;
    if (!SearchWithWrap(o & sfrDown))
        NotFound();
}

int TqvMemo::NextSearch()
{
    m_searchOptions |= sfrDown;
    if (m_searchValue.isEmpty())
        return 7;
    if (SearchWithWrap(true))
        return 6;
    NotFound();
    return 7;
}

int TqvMemo::PrevSearch()
{
    m_searchOptions &= ~sfrDown;
    if (m_searchValue.isEmpty())
        return 7;
    if (SearchWithWrap(false))
        return 6;
    NotFound();
    return 7;
}

void TqvMemo::ReplaceOne()
{
    if (HitStyle() != hsSelect)
        HitToSelected();
    SetSelText(m_replaceValue);
    SetSelStart(SelStart() - int(m_replaceValue.size()));
    if (SelLength() == 0)
        SetSelLength(int(m_replaceValue.size()));
}

TReplaceAllResult ReplaceAllInText(QStringView text, const QString& value, const QString& replacement,
                                   TSearchOptions options)
{
    TReplaceAllResult r;
    options = TSearchOptions(options | sfrDown);
    const bool wholeWord = options & sfrWholeWord;
    // For whole words the character before the next search start must be the one the new
    // text shows there: a copy of the text gets it written in.
    QString work;
    QStringView buf = text;
    if (wholeWord) {
        work = text.toString();
        buf = work;
    }
    int pos = 0;
    for (;;) {
        int len = 0;
        const int p = FindInBuffer(buf, pos, len, value, options);
        if (p < 0 || len <= 0)
            break;
        if (r.Count == 0) {
            r.FirstHit = p;
            r.Text.reserve(text.size() + std::max<qsizetype>(0, replacement.size() - value.size()) * 16);
        }
        r.Text.append(text.mid(pos, p - pos));
        r.LastReplaced = int(r.Text.size());
        r.Text.append(replacement);
        pos = p + len;
        r.LastHitEnd = pos;
        ++r.Count;
        if (wholeWord)
            work.data()[pos - 1] = r.Text.isEmpty() ? QChar(u' ') : r.Text.back();
    }
    if (r.Count > 0)
        r.Text.append(text.mid(pos));
    return r;
}

int TqvMemo::ReplaceAll()
{
    BeginCaretUpdate();
    SetRowCol(0, 0);
    CleanSelection();
    EndCaretUpdate();
    // Line breaks count two units, wrapped rows none: the offsets of SelStart.
    const QString text = Lines().GetTextStr();
    const TReplaceAllResult r = ReplaceAllInText(text, m_searchValue, m_replaceValue, m_searchOptions);
    if (r.Count == 0 || ReadOnly())
        return r.Count;
    // The logical lines that hold the hits.
    TEditorScreenStrings& store = InternalList();
    const int n = store.Count();
    int first = -1, last = n - 1;
    qsizetype firstOff = 0, lastEnd = text.size();
    qsizetype off = 0, lineOff = 0;
    int lineStart = 0;
    for (int row = 0; row < n; ++row) {
        const TRowAttribute a = store.GetRows(row);
        off += store.RowView(row).size() + (a == raCrlf ? 2 : 0);
        if (a == raWrapped && row < n - 1)
            continue;
        if (first < 0 && r.FirstHit < off) {
            first = lineStart;
            firstOff = lineOff;
        }
        if (r.LastHitEnd <= off) {
            last = row;
            lastEnd = off;
            break;
        }
        lineStart = row + 1;
        lineOff = off;
    }
    if (first < 0)
        return 0;
    const qsizetype grow = r.Text.size() - text.size();
    const QString range = r.Text.mid(firstOff, lastEnd - firstOff + grow);
    TEditorUndoObj& undo = store.UndoObj();
    undo.BeginGroup();
    ReplaceRowsAt(first, last - first + 1, range, first, int(r.LastReplaced - firstOff));
    undo.EndGroup();
    if (!m_replaceValue.isEmpty())
        SetSelLength(int(m_replaceValue.size()));
    return r.Count;
}

void TqvMemo::ShowReplaceDialog()
{
    m_searchOptions = sfrDown;
    m_replaceValue.clear();
    bool first = true;
    const QString before = m_searchValue;
    if (Selected())
        m_searchValue = SelText();
    for (;;) {
        const bool ask = !((m_searchOptions & sfrReplaceAll)
                           || ((m_searchOptions & sfrReplace) && !(m_searchOptions & sfrReplaceConfirm)));
        if (ask
            && !TfrmEditReplace::Execute(m_searchValue, m_replaceValue, m_research, m_notFindMsg, m_searchOptions,
                                         this)) {
            if (first)
                m_searchValue = before;
            break;
        }
        SetHitText((m_searchOptions & (sfrMatchCase | sfrWholeWord)) ? QString() : m_searchValue);
        if (m_searchOptions & sfrReplaceAll) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const int count = ReplaceAll();
            QApplication::restoreOverrideCursor();
            if (count == 0)
                NotFound();
            ClearSearch(false);
            break;
        }
        if (m_searchOptions & sfrReplace) {
            if (first) {
                if (!Selected()) {
                    if (NextSearch() == 7)
                        break;
                }
                SetSelLength(int(m_searchValue.size()));
                first = false;
            }
            ReplaceOne();
            const bool down = m_searchOptions & sfrDown;
            if (Search(m_searchValue, m_searchOptions))
                continue;
            if (m_research && FoundElsewhere(down)) {
                MoveToSearchStart(down);
                if (Search(m_searchValue, m_searchOptions))
                    continue;
                break;
            }
            NotFound();
            break;
        }
        const int r = (m_searchOptions & sfrDown) ? NextSearch() : PrevSearch();
        if (r == 6) {
            first = false;
            SetSelLength(int(m_searchValue.size()));
        }
    }
}

// ---- row marks -------------------------------------------------------------------------------

bool TqvMemo::UsingRowMark() const
{
    for (bool b : m_useRowMark)
        if (b)
            return true;
    return false;
}

void TqvMemo::SetRowMark()
{
    const int r = Row();
    const TRowMarks marks = GetListRowMarks(r);
    for (int m = 0; m < 10; ++m)
        if (marks & RowMark(m)) {
            DeleteRowMark(r, m);
            m_useRowMark[size_t(m)] = false;
            return;
        }
    int m = 0;
    while (m < 10 && m_useRowMark[size_t(m)])
        ++m;
    if (m == 10)
        m = 0;
    PutRowMark(r, m);
    m_useRowMark[size_t(m)] = true;
}

void TqvMemo::NextRowMark()
{
    for (int r = Row() + 1; r < ListCount(); ++r)
        if (GetListRowMarks(r) & 0x3FF) {
            SetRowCol(r, 0);
            return;
        }
}

void TqvMemo::PrevRowMark()
{
    for (int r = std::min(Row(), ListCount()) - 1; r >= 0; --r)
        if (GetListRowMarks(r) & 0x3FF) {
            SetRowCol(r, 0);
            return;
        }
}

// ---- completion ------------------------------------------------------------------------------

QString TqvMemo::GetCodeAssistToken() const
{
    if (ListCount() == 0 || Row() >= ListCount())
        return QString();
    const QString t = GetRowString(Row());
    if (t.isEmpty())
        return QString();
    // The boundary just before the caret's character: the last character typed.
    const int b = ColumnToStartChar(Row(), Col()) - 1;
    auto at = [&](int i) -> QChar { return i >= 0 && i < t.size() ? t[i] : QChar(); };
    auto none = [&](int i) { return i < 0 || i >= t.size(); };
    auto stops = [](QChar c) { return IsMemoDelimiter(c) && c != u'.' && c != u'[' && c != u']'; };
    if (b < 0)
        return QString();
    if (!none(b - 1) && QString(at(b - 1)).trimmed().isEmpty() && at(b) == u'.')
        return QStringLiteral(".");
    if (t.contains(QStringLiteral("csv"), Qt::CaseInsensitive) && !none(b - 1)
        && QStringLiteral("'.[").contains(at(b - 1)) && at(b) == u'.')
        return QStringLiteral(".");
    if (!none(b) && at(b) != u'.' && IsMemoDelimiter(at(b)))
        return QString();
    int i = b;
    while (i > 0 && !stops(t[i - 1]))
        --i;
    return t.mid(i, b - i + 1);
}

void TqvMemo::CloseCodeAssist()
{
    if (!CodeAssist)
        return;
    TqvCodeAssist* list = CodeAssist.data();
    CodeAssist = nullptr;
    CASize.Width = list->width();
    CASize.Height = list->height();
    CASize.ColumnWidth = {list->columnWidth(0), list->columnWidth(1)};
    list->setEnabled(false);
    list->hide();
    // The list may be closing from inside its own event handler.
    list->deleteLater();
    setFocus();
}

// ---- macros ----------------------------------------------------------------------------------

void TqvMemo::BeginMacroRec()
{
    if (!m_macroList || m_macroList->Status() == msRecording || m_macroList->Status() == msRunning)
        return;
    m_macroList->Clear();
    m_macroList->SetStatus(msRecording);
}

void TqvMemo::EndMacroRec()
{
    if (m_macroList && m_macroList->Status() == msRecording)
        m_macroList->SetStatus(msWaiting);
}

void TqvMemo::CancelMacroRec()
{
    if (!m_macroList || m_macroList->Status() != msRecording)
        return;
    EndMacroRec();
    m_macroList->Clear();
    m_macroList->SetStatus(msNone);
}

void TqvMemo::CancelMacroExec()
{
    if (m_macroList && m_macroList->Status() == msRunning)
        m_macroList->SetStatus(msWaiting);
}

void TqvMemo::ExecMacro()
{
    TqvMacroList* list = m_macroList;
    if (!list || list->Status() != msWaiting || list->Count() == 0)
        return;
    QPointer<TqvMemo> self(this);
    list->SetStatus(msRunning);
    // Only key, character and input-method records are played; each carries its own
    // modifier state, so nothing stays pressed afterwards.
    try {
        for (int i = 0; i < list->Count() && self && list->Status() == msRunning; ++i) {
            const TKeyMacroData d = list->Item(i);
            Qt::KeyboardModifiers mods;
            if (d.Shift & 0x80)
                mods |= Qt::ShiftModifier;
            if (d.Ctrl & 0x80)
                mods |= Qt::ControlModifier;
            if (d.Alt & 0x80)
                mods |= Qt::AltModifier;
            switch (d.Msg) {
            case WM_IME_CHAR:
                if (!ReadOnly())
                    PutStringToLine(QString(QChar(d.CharCode)));
                break;
            case CN_KEYDOWN:
                switch (d.CharCode) {
                case 33: case 34: case 35: case 36: case 37: case 38: case 39: case 40: case 46: case 0x75:
                    EditKeyDown(d.CharCode, mods, (d.KeyData & (1 << 30)) != 0);
                    break;
                default:
                    break; // the character record that follows does the typing
                }
                break;
            case CN_CHAR:
                EditKeyChar(QChar(d.CharCode), mods);
                break;
            default:
                break;
            }
        }
    } catch (...) {
        if (list->Status() == msRunning)
            list->SetStatus(msWaiting);
        throw;
    }
    if (list->Status() == msRunning)
        list->SetStatus(msWaiting);
}

void TqvMemo::SaveMacroFile(const QString& path)
{
    if (!m_macroList || m_macroList->Count() == 0)
        return;
    EndMacroRec();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(("cannot write " + path).toStdString());
    f.write(m_macroList->ToText().toLatin1());
}

bool TqvMemo::LoadMacroFile(const QString& path)
{
    if (!m_macroList)
        return false;
    BeginMacroRec();
    QString text;
    bool ok = false;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray raw = f.readAll();
        if (auto enc = QStringConverter::encodingForData(raw)) {
            QStringDecoder dec(*enc);
            text = dec.decode(raw);
        } else {
            text = QString::fromLocal8Bit(raw);
        }
        ok = true;
    }
    std::vector<TKeyMacroData> records;
    if (ok && TqvMacroList::ParseText(text, records)) {
        for (const TKeyMacroData& d : records)
            m_macroList->Add(d);
    } else {
        m_macroList->Clear();
    }
    EndMacroRec();
    return m_macroList->Count() > 0;
}

} // namespace qv
