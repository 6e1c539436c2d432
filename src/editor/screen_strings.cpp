#include "editor/screen_strings.h"
#include "editor/charclass.h"
#include "editor/undo.h"

#include <algorithm>

namespace qv {

namespace {
constexpr int kLoadRows = 512;   // rows per block when a text is loaded
constexpr int kMaxRows = 1024;   // a block that grows beyond this is split
constexpr uint32_t kBracketBits = 0xF0u;

inline bool IsComputed(uint32_t item) { return (item & kBracketBits) != 0; }
inline bool IsWrappedItem(uint32_t item) { return (item & 3u) == raWrapped; }

TRowAttributeData InitialState()
{
    TRowAttributeData d;
    d.RowAttribute = raCrlf;
    d.PrevRowAttribute = raCrlf;
    d.BracketIndex = -1;
    return d;
}
} // namespace

struct TEditorScreenStrings::Block {
    QString text;
    std::vector<uint32_t> ends;
    std::vector<uint32_t> item, item2;
    std::unique_ptr<std::vector<quintptr>> data;
    std::unique_ptr<std::vector<QString>> dataStr;
    int lineEnds = 0; // rows that are not raWrapped
    int computed = 0; // rows whose stored state is computed
    // Every row of the block is "not computed" whatever its stored words say: marking the
    // rows below an edit costs one flag per block instead of one write per row.
    bool stale = false;
    // The open bracket pair at the start of the first row when nothing else carries over
    // (found for the whole text by the quick row scan, so that a far jump parses from the
    // block start instead of from the top); -2 unknown. Doubtful after a change above it
    // until the re-parse of that change settles it.
    int hint = -2;
    bool doubtful = false;
    bool hintUsable() const { return hint >= -1 && !doubtful; }

    void materialize()
    {
        if (!stale)
            return;
        for (size_t r = 0; r < item.size(); ++r) {
            item[r] &= 3u;
            item2[r] &= 0xFFFF0000u;
        }
        dataStr.reset();
        computed = 0;
        stale = false;
    }
    uint32_t itemAt(int r) const { return stale ? item[size_t(r)] & 3u : item[size_t(r)]; }
    uint32_t item2At(int r) const { return stale ? item2[size_t(r)] & 0xFFFF0000u : item2[size_t(r)]; }

    int rows() const { return int(ends.size()); }
    uint32_t start(int r) const { return r ? ends[size_t(r - 1)] : 0; }
    QStringView view(int r) const
    {
        const uint32_t s = start(r);
        return QStringView(text).mid(s, ends[size_t(r)] - s);
    }
    void setItem(int r, uint32_t v)
    {
        materialize();
        const uint32_t old = item[size_t(r)];
        lineEnds += int(!IsWrappedItem(v)) - int(!IsWrappedItem(old));
        computed += int(IsComputed(v)) - int(IsComputed(old));
        item[size_t(r)] = v;
    }
};

// Appends rows to a fresh list of blocks (loading and whole-text re-wrapping).
class TBlockBuilder {
public:
    using Block = TEditorScreenStrings::Block;
    explicit TBlockBuilder(std::vector<std::unique_ptr<Block>>& out) : m_out(out) {}
    ~TBlockBuilder() { Flush(); }
    void AddRow(QStringView text, uint32_t item, uint32_t item2)
    {
        if (!m_cur) {
            m_cur = std::make_unique<Block>();
            m_cur->ends.reserve(kLoadRows);
            m_cur->item.reserve(kLoadRows);
            m_cur->item2.reserve(kLoadRows);
        }
        m_pieces.push_back(text);
        m_len += uint32_t(text.size());
        m_cur->ends.push_back(m_len);
        m_cur->item.push_back(item);
        m_cur->item2.push_back(item2);
        if (!IsWrappedItem(item))
            ++m_cur->lineEnds;
        if (IsComputed(item))
            ++m_cur->computed;
        if (m_cur->rows() >= kLoadRows)
            Flush();
    }
    // Pieces are views; the builder copies them when a block is complete, so the viewed
    // text must live until Flush.
    void Flush()
    {
        if (!m_cur)
            return;
        QString text(qsizetype(m_len), Qt::Uninitialized);
        QChar* dst = text.data();
        for (QStringView p : m_pieces) {
            std::copy(p.begin(), p.end(), dst);
            dst += p.size();
        }
        m_cur->text = std::move(text);
        m_out.push_back(std::move(m_cur));
        m_pieces.clear();
        m_len = 0;
    }
    int PendingRows() const { return m_cur ? m_cur->rows() : 0; }
    // Changes how the row added last ends.
    void SetLastRowEnd(TRowAttribute a)
    {
        Block* b = m_cur && m_cur->rows() > 0 ? m_cur.get() : (m_out.empty() ? nullptr : m_out.back().get());
        if (!b || b->rows() == 0)
            return;
        uint32_t& it = b->item.back();
        b->lineEnds -= int(!IsWrappedItem(it));
        it = (it & ~3u) | uint32_t(a);
        b->lineEnds += int(!IsWrappedItem(it));
    }
    // Drops the row added last when it is empty; true when it did.
    bool DropLastEmptyRow()
    {
        Flush();
        if (m_out.empty())
            return false;
        Block& b = *m_out.back();
        if (b.rows() == 0 || b.start(b.rows() - 1) != b.ends.back())
            return false;
        b.lineEnds -= int(!IsWrappedItem(b.item.back()));
        b.computed -= int(IsComputed(b.item.back()));
        b.ends.pop_back();
        b.item.pop_back();
        b.item2.pop_back();
        if (b.rows() == 0)
            m_out.pop_back();
        return true;
    }

private:
    std::vector<std::unique_ptr<Block>>& m_out;
    std::unique_ptr<Block> m_cur;
    std::vector<QStringView> m_pieces;
    uint32_t m_len = 0;
};

TEditorScreenStrings::TEditorScreenStrings()
    : m_undoObj(std::make_unique<TEditorUndoObj>(this)), m_wrapOption(std::make_unique<TEditorWrapOption>())
{
    m_rowPrefix.assign(1, 0);
    m_linePrefix.assign(1, 0);
    m_wrapOption->OnChange = TNotifyEvent::Fn(this, [this](TPersistent*) {
        if (!m_wordWrap || RefLoading())
            return;
        m_undoObj->Clear();
        WrapAll();
        InitBrackets();
        RelayoutClients();
        AdjustClientRows();
        ResetClientCols();
    });
    OnChange = TNotifyEvent::Fn(this, [this](TPersistent*) { NotifyClients(); });
}

TEditorScreenStrings::~TEditorScreenStrings()
{
    OnChange = TNotifyEvent();
    OnChanging = TNotifyEvent();
}

// ---- block index -------------------------------------------------------------------------

void TEditorScreenStrings::EnsurePrefix() const
{
    const int nb = int(m_blocks.size());
    if (m_prefixValid >= nb && int(m_rowPrefix.size()) == nb + 1)
        return;
    m_rowPrefix.resize(size_t(nb) + 1);
    m_linePrefix.resize(size_t(nb) + 1);
    m_rowPrefix[0] = 0;
    m_linePrefix[0] = 0;
    for (int b = std::max(0, std::min(m_prefixValid, nb)); b < nb; ++b) {
        m_rowPrefix[size_t(b) + 1] = m_rowPrefix[size_t(b)] + m_blocks[size_t(b)]->rows();
        m_linePrefix[size_t(b) + 1] = m_linePrefix[size_t(b)] + m_blocks[size_t(b)]->lineEnds;
    }
    m_prefixValid = nb;
}

TEditorScreenStrings::Loc TEditorScreenStrings::Locate(int row) const
{
    EnsurePrefix();
    const int nb = int(m_blocks.size());
    int b = m_lastBlock;
    if (b < 0 || b >= nb || row < m_rowPrefix[size_t(b)] || row >= m_rowPrefix[size_t(b) + 1]) {
        const auto it = std::upper_bound(m_rowPrefix.begin(), m_rowPrefix.end(), row);
        b = int(it - m_rowPrefix.begin()) - 1;
        b = std::clamp(b, 0, std::max(0, nb - 1));
        m_lastBlock = b;
    }
    return {b, row - m_rowPrefix[size_t(b)]};
}

// ---- row list ----------------------------------------------------------------------------

QString TEditorScreenStrings::Get(int index) const { return RowView(index).toString(); }

QStringView TEditorScreenStrings::RowView(int index) const
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    return m_blocks[size_t(l.block)]->view(l.row);
}

void TEditorScreenStrings::Put(int index, const QString& s)
{
    CheckIndex(index, m_rowCount);
    if (m_updateCount == 0 && OnChanging)
        OnChanging(this);
    const Loc l = Locate(index);
    Block& b = *m_blocks[size_t(l.block)];
    b.materialize();
    HintsDoubtfulFrom(l.block + 1);
    const uint32_t st = b.start(l.row), en = b.ends[size_t(l.row)];
    b.text.replace(qsizetype(st), qsizetype(en - st), s);
    const int64_t delta = int64_t(s.size()) - int64_t(en - st);
    for (size_t r = size_t(l.row); r < b.ends.size(); ++r)
        b.ends[r] = uint32_t(int64_t(b.ends[r]) + delta);
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
}

void TEditorScreenStrings::InsertRowsAt(int index, int n)
{
    if (n <= 0)
        return;
    if (m_blocks.empty()) {
        m_blocks.push_back(std::make_unique<Block>());
        Touch(0);
    }
    int bi;
    int r;
    if (index >= m_rowCount) {
        bi = int(m_blocks.size()) - 1;
        r = m_blocks[size_t(bi)]->rows();
    } else {
        const Loc l = Locate(index);
        bi = l.block;
        r = l.row;
    }
    Block& b = *m_blocks[size_t(bi)];
    b.materialize();
    if (r == 0)
        b.hint = -2;
    HintsDoubtfulFrom(bi + 1);
    const uint32_t pos = b.start(r);
    b.ends.insert(b.ends.begin() + r, size_t(n), pos);
    b.item.insert(b.item.begin() + r, size_t(n), 0u);
    b.item2.insert(b.item2.begin() + r, size_t(n), 0u);
    if (b.data)
        b.data->insert(b.data->begin() + r, size_t(n), 0);
    if (b.dataStr)
        b.dataStr->insert(b.dataStr->begin() + r, size_t(n), QString());
    b.lineEnds += n;
    m_rowCount += n;
    Touch(bi);
    // Split an overgrown block into pieces of kLoadRows rows.
    if (b.rows() > kMaxRows) {
        std::vector<std::unique_ptr<Block>> pieces;
        int from = 0;
        while (from < b.rows()) {
            const int k = std::min(kLoadRows, b.rows() - from);
            auto p = std::make_unique<Block>();
            const uint32_t base = b.start(from);
            const uint32_t stop = b.ends[size_t(from + k - 1)];
            p->text = b.text.mid(base, stop - base);
            for (int i = 0; i < k; ++i) {
                p->ends.push_back(b.ends[size_t(from + i)] - base);
                p->item.push_back(b.item[size_t(from + i)]);
                p->item2.push_back(b.item2[size_t(from + i)]);
                if (!IsWrappedItem(p->item.back()))
                    ++p->lineEnds;
                if (IsComputed(p->item.back()))
                    ++p->computed;
            }
            if (b.data)
                p->data = std::make_unique<std::vector<quintptr>>(b.data->begin() + from, b.data->begin() + from + k);
            if (b.dataStr)
                p->dataStr = std::make_unique<std::vector<QString>>(b.dataStr->begin() + from,
                                                                    b.dataStr->begin() + from + k);
            pieces.push_back(std::move(p));
            from += k;
        }
        m_blocks.erase(m_blocks.begin() + bi);
        m_blocks.insert(m_blocks.begin() + bi, std::make_move_iterator(pieces.begin()),
                        std::make_move_iterator(pieces.end()));
        m_lastBlock = bi;
    }
}

void TEditorScreenStrings::DeleteRowsAt(int index, int n)
{
    while (n > 0 && index < m_rowCount) {
        const Loc l = Locate(index);
        Block& b = *m_blocks[size_t(l.block)];
        b.materialize();
        if (l.row == 0)
            b.hint = -2;
        HintsDoubtfulFrom(l.block + 1);
        const int k = std::min(n, b.rows() - l.row);
        const uint32_t st = b.start(l.row), en = b.ends[size_t(l.row + k - 1)];
        for (int i = 0; i < k; ++i) {
            const uint32_t it = b.item[size_t(l.row + i)];
            b.lineEnds -= int(!IsWrappedItem(it));
            b.computed -= int(IsComputed(it));
        }
        b.text.remove(qsizetype(st), qsizetype(en - st));
        b.ends.erase(b.ends.begin() + l.row, b.ends.begin() + l.row + k);
        for (size_t r = size_t(l.row); r < b.ends.size(); ++r)
            b.ends[r] -= en - st;
        b.item.erase(b.item.begin() + l.row, b.item.begin() + l.row + k);
        b.item2.erase(b.item2.begin() + l.row, b.item2.begin() + l.row + k);
        if (b.data)
            b.data->erase(b.data->begin() + l.row, b.data->begin() + l.row + k);
        if (b.dataStr)
            b.dataStr->erase(b.dataStr->begin() + l.row, b.dataStr->begin() + l.row + k);
        m_rowCount -= k;
        n -= k;
        Touch(l.block);
        if (b.rows() == 0) {
            m_blocks.erase(m_blocks.begin() + l.block);
            m_lastBlock = 0;
        } else if (b.text.capacity() > 4 * (b.text.size() + 256)) {
            b.text.squeeze();
        }
    }
}

void TEditorScreenStrings::Insert(int index, const QString& s)
{
    if (index < 0 || index > m_rowCount)
        throw EStringListError(index);
    if (m_updateCount == 0 && OnChanging)
        OnChanging(this);
    const int saved = m_updateCount;
    m_updateCount = 1; // Put must not notify on its own
    InsertRowsAt(index, 1);
    Put(index, s);
    m_updateCount = saved;
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
}

void TEditorScreenStrings::Delete(int index)
{
    CheckIndex(index, m_rowCount);
    if (m_updateCount == 0 && OnChanging)
        OnChanging(this);
    DeleteRowsAt(index, 1);
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
}

void TEditorScreenStrings::ClearStorage()
{
    ++m_layoutVersion;
    m_blocks.clear();
    m_rowCount = 0;
    m_prefixValid = 0;
    m_lastBlock = 0;
    m_rowPrefix.assign(1, 0);
    m_linePrefix.assign(1, 0);
}

void TEditorScreenStrings::Clear()
{
    CleanSelections();
    m_undoObj->Clear();
    SetDrawInfo(0, m_rowCount, 0, 0);
    if (m_rowCount > 0 || !m_blocks.empty()) {
        if (m_updateCount == 0 && OnChanging)
            OnChanging(this);
        ClearStorage();
        if (m_updateCount == 0 && OnChange)
            OnChange(this);
    }
    m_drawInfo = TEditorDrawInfo();
    for (TEditorStoreClient* c : m_clients) {
        c->SetRow(0);
        c->SetCol(0);
    }
    m_validRowMarks = 0;
}

uint32_t TEditorScreenStrings::GetItem(int index) const
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    return m_blocks[size_t(l.block)]->itemAt(l.row);
}

void TEditorScreenStrings::PutItem(int index, uint32_t value)
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    Block& b = *m_blocks[size_t(l.block)];
    const bool lineChange = IsWrappedItem(b.item[size_t(l.row)]) != IsWrappedItem(value);
    if (((b.item[size_t(l.row)] ^ value) & 3u) != 0)
        HintsDoubtfulFrom(l.block + 1);
    b.setItem(l.row, value);
    if (lineChange)
        Touch(l.block);
}

uint32_t TEditorScreenStrings::GetItem2(int index) const
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    return m_blocks[size_t(l.block)]->item2At(l.row);
}

void TEditorScreenStrings::PutItem2(int index, uint32_t value)
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    Block& b = *m_blocks[size_t(l.block)];
    b.materialize();
    b.item2[size_t(l.row)] = value;
}

quintptr TEditorScreenStrings::GetData(int index) const
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    const Block& b = *m_blocks[size_t(l.block)];
    return b.data ? (*b.data)[size_t(l.row)] : 0;
}

void TEditorScreenStrings::PutData(int index, quintptr value)
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    Block& b = *m_blocks[size_t(l.block)];
    if (!b.data) {
        if (value == 0)
            return;
        b.data = std::make_unique<std::vector<quintptr>>(size_t(b.rows()), 0);
    }
    (*b.data)[size_t(l.row)] = value;
}

QString TEditorScreenStrings::GetDataStr(int index) const
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    const Block& b = *m_blocks[size_t(l.block)];
    return b.dataStr && !b.stale ? (*b.dataStr)[size_t(l.row)] : QString();
}

void TEditorScreenStrings::PutDataStr(int index, const QString& value)
{
    CheckIndex(index, m_rowCount);
    const Loc l = Locate(index);
    Block& b = *m_blocks[size_t(l.block)];
    b.materialize();
    if (!b.dataStr) {
        if (value.isEmpty())
            return;
        b.dataStr = std::make_unique<std::vector<QString>>(size_t(b.rows()));
    }
    (*b.dataStr)[size_t(l.row)] = value;
}

void TEditorScreenStrings::SetUpdateState(bool updating)
{
    if (updating) {
        if (m_updateCount == 0 && OnChanging)
            OnChanging(this);
        ++m_updateCount;
        return;
    }
    --m_updateCount;
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
    m_drawInfo = TEditorDrawInfo();
    AdjustClientRows();
}

// ---- clients -----------------------------------------------------------------------------

void TEditorScreenStrings::AddClient(TEditorStoreClient* client)
{
    if (client && std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end())
        m_clients.push_back(client);
}

void TEditorScreenStrings::RemoveClient(TEditorStoreClient* client)
{
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
}

TEditorStoreClient* TEditorScreenStrings::ActiveClient() const
{
    for (TEditorStoreClient* c : m_clients)
        if (c->Focused())
            return c;
    return FirstClient();
}

void TEditorScreenStrings::ExchangeStore(TEditorStoreClient* client, std::shared_ptr<TEditorScreenStrings>& holder,
                                         const std::shared_ptr<TEditorScreenStrings>& target)
{
    if (!target || holder == target)
        return;
    if (holder)
        holder->RemoveClient(client);
    holder = target;
    target->AddClient(client);
}

TColumnMapSettings TEditorScreenStrings::ColumnSettings() const
{
    TColumnMapSettings s = FirstClient() ? FirstClient()->ColumnMapSettings() : m_defaultColumns;
    s.WordWrap = m_wordWrap;
    s.WrapByte = m_wrapOption->WrapByte();
    s.TabSpaceCount = std::max(1, s.TabSpaceCount);
    return s;
}

const TFountain* TEditorScreenStrings::ReferenceFountain() const
{
    if (TEditorStoreClient* c = FirstClient())
        return c->ActiveFountain();
    return m_defaultFountain;
}

int TEditorScreenStrings::ScreenRows() const
{
    return std::max(1, FirstClient() ? FirstClient()->ScreenRows() : m_defaultScreenRows);
}

bool TEditorScreenStrings::RefLoading() const
{
    TEditorStoreClient* c = FirstClient();
    return c && (c->Loading() || c->Destroying());
}

void TEditorScreenStrings::NotifyClients()
{
    const TEditorDrawInfo info = m_drawInfo;
    for (TEditorStoreClient* c : std::vector<TEditorStoreClient*>(m_clients))
        c->DoChange(info);
}

void TEditorScreenStrings::CleanSelections()
{
    for (TEditorStoreClient* c : m_clients)
        c->CleanSelection();
}

void TEditorScreenStrings::AdjustClientRows()
{
    int last = 0;
    if (m_rowCount > 0)
        last = GetRows(m_rowCount - 1) == raEof ? m_rowCount - 1 : m_rowCount;
    for (TEditorStoreClient* c : m_clients) {
        if (c->Row() > last)
            c->SetRow(last);
        if (c->TopRow() > last)
            c->SetTopRow(last);
    }
}

void TEditorScreenStrings::ResetClientCols()
{
    for (TEditorStoreClient* c : m_clients)
        c->SetCol(0);
}

void TEditorScreenStrings::RelayoutClients()
{
    for (TEditorStoreClient* c : m_clients)
        c->Relayout();
}

void TEditorScreenStrings::SetDrawInfo(int start, int del, int invalid, int ins)
{
    m_drawInfo.Start = start;
    m_drawInfo.Delete = del;
    m_drawInfo.Invalid = invalid;
    m_drawInfo.Insert = ins;
    m_drawInfo.NeedUpdate = true;
}

// ---- line helpers ------------------------------------------------------------------------

int TEditorScreenStrings::LineStartRow(int index) const
{
    while (index > 0 && index - 1 < m_rowCount && GetRows(index - 1) == raWrapped)
        --index;
    return index;
}

int TEditorScreenStrings::LineEndRow(int index) const
{
    if (index < 0 || index >= m_rowCount)
        return index;
    while (index < m_rowCount - 1 && GetRows(index) == raWrapped)
        ++index;
    return index;
}

void TEditorScreenStrings::GetLineData(int index, int rowCount, TRowAttribute& rowAttribute, int& count,
                                       QString& s) const
{
    s.clear();
    count = 0;
    rowAttribute = raInvalid;
    if (index < 0 || index >= m_rowCount || rowCount == 0)
        return;
    const int last = rowCount < 0 ? LineEndRow(index) : std::min(index + rowCount - 1, m_rowCount - 1);
    qsizetype len = 0;
    for (int r = index; r <= last; ++r)
        len += RowView(r).size() + 2;
    s.reserve(len);
    for (int r = index; r <= last; ++r) {
        s.append(RowView(r));
        if (GetRows(r) == raCrlf)
            s.append(u"\r\n");
    }
    rowAttribute = GetRows(last);
    count = last - index + 1;
}

void TEditorScreenStrings::AddRowBreak(int index, QString& s) const
{
    if (index >= 0 && index < m_rowCount && GetRows(index) == raCrlf)
        s.append(u"\r\n");
}

int TEditorScreenStrings::LineCount() const
{
    if (m_rowCount == 0)
        return 0;
    EnsurePrefix();
    return m_linePrefix.back() + (GetRows(m_rowCount - 1) == raWrapped ? 1 : 0);
}

int TEditorScreenStrings::LineToRow(int line) const
{
    const int lc = LineCount();
    if (line == lc)
        return m_rowCount;
    if (line < 0 || line > lc)
        throw EStringListError(line);
    if (line == 0)
        return 0;
    // Reading the lines in order: the next line starts after the end of the last one.
    if (m_cacheLine >= 0 && m_cacheVersion == m_layoutVersion) {
        if (line == m_cacheLine)
            return m_cacheRow;
        if (line == m_cacheLine + 1 && m_cacheRow < m_rowCount) {
            m_cacheRow = LineEndRow(m_cacheRow) + 1;
            m_cacheLine = line;
            return m_cacheRow;
        }
    }
    EnsurePrefix();
    m_cacheVersion = m_layoutVersion;
    m_cacheLine = line;
    // Row of the line-th line end (1-based), then the row after it.
    const auto it = std::lower_bound(m_linePrefix.begin(), m_linePrefix.end(), line);
    const int b = int(it - m_linePrefix.begin()) - 1;
    const Block& blk = *m_blocks[size_t(b)];
    int k = m_linePrefix[size_t(b)];
    for (int r = 0; r < blk.rows(); ++r) {
        if (!IsWrappedItem(blk.item[size_t(r)]) && ++k == line)
            return m_cacheRow = m_rowPrefix[size_t(b)] + r + 1;
    }
    return m_cacheRow = m_rowCount;
}

int TEditorScreenStrings::RowToLine(int row) const
{
    if (row <= 0 || m_rowCount == 0)
        return 0;
    if (row >= m_rowCount)
        return LineCount();
    const Loc l = Locate(row);
    const Block& blk = *m_blocks[size_t(l.block)];
    int k = m_linePrefix[size_t(l.block)];
    for (int r = 0; r < l.row; ++r)
        if (!IsWrappedItem(blk.item[size_t(r)]))
            ++k;
    return k;
}

QString TEditorScreenStrings::LineText(int line) const
{
    const int row = LineToRow(line);
    if (row >= m_rowCount)
        throw EStringListError(line);
    const int last = LineEndRow(row);
    if (last == row)
        return RowView(row).toString();
    QString s;
    for (int r = row; r <= last; ++r)
        s.append(RowView(r));
    return s;
}

QString TEditorScreenStrings::JoinRows() const
{
    qsizetype len = 0;
    for (const auto& b : m_blocks)
        len += b->text.size() + 2 * b->rows();
    QString s;
    s.reserve(len);
    for (const auto& b : m_blocks) {
        for (int r = 0; r < b->rows(); ++r) {
            s.append(b->view(r));
            if ((b->item[size_t(r)] & 3u) == raCrlf)
                s.append(u"\r\n");
        }
    }
    return s;
}

void TEditorScreenStrings::ForEachTextChunk(int chunkUnits, const std::function<void(QStringView)>& chunk) const
{
    QString s;
    s.reserve(chunkUnits + 1024);
    for (const auto& b : m_blocks) {
        for (int r = 0; r < b->rows(); ++r) {
            s.append(b->view(r));
            if ((b->item[size_t(r)] & 3u) == raCrlf)
                s.append(u"\r\n");
        }
        if (s.size() >= chunkUnits) {
            chunk(s);
            s.resize(0);
        }
    }
    if (!s.isEmpty())
        chunk(s);
}

int TEditorScreenStrings::GetTextLen() const
{
    if (m_rowCount == 0)
        return 0;
    EnsurePrefix();
    qint64 len = 0;
    for (const auto& b : m_blocks)
        len += b->text.size();
    // Line ends are raCrlf rows and the raEof last row.
    const int breaks = m_linePrefix.back() - (GetRows(m_rowCount - 1) == raEof ? 1 : 0);
    return int(len + 2 * qint64(breaks));
}

int TEditorScreenStrings::GetLineNumberCount() const
{
    if (m_rowCount == 0)
        return 1;
    return m_rowCount + (GetRows(m_rowCount - 1) != raEof ? 1 : 0);
}

int TEditorScreenStrings::ColToChar(int row, int col) const
{
    if (row < 0 || row > m_rowCount || col < 0)
        return -1;
    if (row == m_rowCount)
        return 0;
    const QStringView text = RowView(row);
    const QString map = GetColumnMap(text, ColumnSettings());
    int c = col;
    if (c < map.size() && map[c] == u'5')
        --c;
    while (c > 0 && c < map.size() && map[c] == u'3')
        --c;
    int index = std::min<int>(int(text.size()), c - ColumnMapExtra(map, c + 1));
    for (int r = row - 1; r >= 0 && GetRows(r) == raWrapped; --r)
        index += int(RowView(r).size());
    return index;
}

// ---- editing -----------------------------------------------------------------------------

TRowMarks TEditorScreenStrings::DeleteRows(int index, int count)
{
    if (index < 0 || index >= m_rowCount || count <= 0)
        return 0;
    count = std::min(count, m_rowCount - index);
    TRowMarks marks = 0;
    for (int r = index; r < index + count; ++r)
        marks |= GetRowMarks(r);
    if (m_updateCount == 0 && OnChanging)
        OnChanging(this);
    DeleteRowsAt(index, count);
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
    return marks;
}

int TEditorScreenStrings::SplitBlockAt(int index)
{
    if (index >= m_rowCount)
        return int(m_blocks.size());
    const Loc l = Locate(index);
    if (l.row == 0)
        return l.block;
    Block& b = *m_blocks[size_t(l.block)];
    b.materialize();
    auto tail = std::make_unique<Block>();
    const uint32_t base = b.start(l.row);
    tail->text = b.text.mid(base);
    for (int r = l.row; r < b.rows(); ++r) {
        tail->ends.push_back(b.ends[size_t(r)] - base);
        tail->item.push_back(b.item[size_t(r)]);
        tail->item2.push_back(b.item2[size_t(r)]);
        if (!IsWrappedItem(b.item[size_t(r)]))
            ++tail->lineEnds;
        if (IsComputed(b.item[size_t(r)]))
            ++tail->computed;
    }
    if (b.data)
        tail->data = std::make_unique<std::vector<quintptr>>(b.data->begin() + l.row, b.data->end());
    if (b.dataStr)
        tail->dataStr = std::make_unique<std::vector<QString>>(b.dataStr->begin() + l.row, b.dataStr->end());
    b.text.truncate(base);
    b.text.squeeze();
    b.ends.resize(size_t(l.row));
    b.item.resize(size_t(l.row));
    b.item2.resize(size_t(l.row));
    if (b.data)
        b.data->resize(size_t(l.row));
    if (b.dataStr)
        b.dataStr->resize(size_t(l.row));
    b.lineEnds -= tail->lineEnds;
    b.computed -= tail->computed;
    m_blocks.insert(m_blocks.begin() + l.block + 1, std::move(tail));
    Touch(l.block);
    m_lastBlock = 0;
    return l.block + 1;
}

namespace {

// Cuts one logical line into rows; sink(text, wrapped) gets each piece, and
// sink_last_crlf() turns the previous piece into the line's end (FollowRetMark).
template <class Sink, class MarkLast>
void WrapLine(QStringView line, const TColumnMapSettings& cs, const TEditorWrapOption& o, Sink&& sink,
              MarkLast&& markLastCrlf)
{
    const int wrapByte = o.WrapByte();
    QString map = GetColumnMap(line, cs);
    if (map.size() < wrapByte) {
        sink(line, false);
        return;
    }
    QStringView rest = line;
    TEditorAttributeArray cur(rest, map);
    cur.SetPosition(wrapByte);
    const int leadLimit = (wrapByte / 5) * 4;
    for (;;) {
        if (cur.Attribute() == u'0') {
            if (!rest.isEmpty())
                sink(rest, false);
            else if (!o.FollowRetMark())
                sink(rest, false);
            else
                markLastCrlf();
            return;
        }
        if (cur.Attribute() == u'4') {
            cur.Prior();
        } else if (o.WordBreak() && wrapByte < cur.Size()) {
            while (!(cur.Attribute() == u'2' || cur.Attribute() == u'3' || cur.Attribute() == u'5')
                   && cur.Position() > wrapByte / 3) {
                const int before = cur.Position();
                cur.StepBack();
                if (cur.Position() == before)
                    break;
            }
        }
        if (o.FollowPunctuation()) {
            while (cur.Position() < wrapByte + 2 && ContainsMBStr(cur.NextPositionString(), o.PunctuationStr())) {
                cur.Next();
                if (cur.Attribute() == u'4')
                    cur.Next();
            }
        }
        if (o.Leading() && cur.Position() < cur.Size()) {
            while (cur.Position() > leadLimit && ContainsMBStr(cur.PositionString(), o.LeadStr()))
                cur.StepBack();
            if (cur.Position() + 1 < cur.Size()) {
                QString n = cur.NextPositionString();
                QString c = cur.PositionString();
                if (ContainsMBStr(n, o.FollowStr())) {
                    while (cur.Position() > leadLimit
                           && (ContainsMBStr(c, o.LeadStr()) || ContainsMBStr(n, o.FollowStr()))) {
                        cur.StepBack();
                        n = c;
                        c = cur.PositionString();
                    }
                }
            }
        }
        const int cut = std::max(1, std::min<int>(cur.SourcePos(), int(rest.size())));
        sink(rest.left(cut), true);
        rest = rest.mid(cut);
        map = GetColumnMap(rest, cs);
        cur.NewData(rest, map);
        cur.SetPosition(wrapByte);
    }
}

void SetFreshMarks(std::vector<std::unique_ptr<TEditorScreenStrings::Block>>& fresh, int row, TRowMarks m)
{
    for (auto& b : fresh) {
        if (row < b->rows()) {
            uint32_t& it2 = b->item2[size_t(row)];
            it2 = (it2 & 0xFFFFu) | (uint32_t(m) << 16);
            return;
        }
        row -= b->rows();
    }
}

} // namespace

std::vector<std::pair<int, TRowMarks>> TEditorScreenStrings::MarksOfNewRows(int index, int count, int l)
{
    // Row marks of the new rows, from the old rows they replace (only rows that carry any).
    std::vector<std::pair<int, TRowMarks>> out;
    auto give = [&](int newRow, TRowMarks m) {
        if (m)
            out.emplace_back(newRow, m);
    };
    if (l < count) {
        // The first surplus rows go; new row i takes the marks of the old row after them.
        TRowMarks surplus = 0;
        for (int r = index; r < index + count - l; ++r)
            surplus |= GetRowMarks(r);
        if (l == 0)
            ExcludeRowMarks(surplus);
        else
            give(0, TRowMarks(surplus | GetRowMarks(index + count - l)));
        for (int i = 1; i < l; ++i)
            give(i, GetRowMarks(index + count - l + i));
    } else if (l > count) {
        if (count > 0) {
            TEditorStoreClient* a = ActiveClient();
            const bool caretInside = a && a->Col() != 0;
            give(caretInside ? 0 : l - count, GetRowMarks(index));
        }
        for (int i = 1; i < count; ++i)
            give(l - count + i, GetRowMarks(index + i));
    } else {
        for (int i = 0; i < l; ++i)
            give(i, GetRowMarks(index + i));
    }
    return out;
}

void TEditorScreenStrings::SpliceBlocks(int index, int count, std::vector<std::unique_ptr<Block>> fresh)
{
    if (m_updateCount == 0 && OnChanging)
        OnChanging(this);
    const int bi = SplitBlockAt(index);
    DeleteRowsAt(index, count);
    for (const auto& b : fresh)
        m_rowCount += b->rows();
    const int after = bi + int(fresh.size());
    m_blocks.insert(m_blocks.begin() + bi, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    HintsDoubtfulFrom(after);
    Touch(bi);
    m_lastBlock = 0;
}

void TEditorScreenStrings::PutRowList(int index, int count, const TRowStrings& list)
{
    const int l = list.Count();
    BeginUpdate();
    const std::vector<std::pair<int, TRowMarks>> marks = MarksOfNewRows(index, count, l);

    if (l > 256 || count > 256) {
        // Many rows: splice whole blocks instead of writing row by row.
        std::vector<std::unique_ptr<Block>> fresh;
        {
            TBlockBuilder builder(fresh);
            for (int i = 0; i < l; ++i)
                builder.AddRow(list.RowView(i), list.GetItem(i), list.GetItem2(i) & 0xFFFFu);
        }
        for (const auto& [row, m] : marks)
            SetFreshMarks(fresh, row, m);
        SpliceBlocks(index, count, std::move(fresh));
        for (int i = 0; i < l; ++i) {
            if (const quintptr d = list.GetData(i))
                PutData(index + i, d);
            const QString ds = list.GetDataStr(i);
            if (!ds.isEmpty())
                PutDataStr(index + i, ds);
        }
        EndUpdate();
        return;
    }

    if (l < count)
        DeleteRows(index, count - l);
    else if (l > count)
        InsertRowsAt(index + count, l - count);
    size_t k = 0;
    for (int i = 0; i < l; ++i) {
        const int row = index + i;
        TRowMarks m = 0;
        if (k < marks.size() && marks[k].first == i)
            m = marks[k++].second;
        Put(row, list.Get(i));
        PutItem(row, list.GetItem(i));
        PutItem2(row, (list.GetItem2(i) & 0xFFFFu) | (uint32_t(m) << 16));
        PutData(row, list.GetData(i));
        PutDataStr(row, list.GetDataStr(i));
    }
    EndUpdate();
}

int TEditorScreenStrings::PutTextRows(int index, int count, QStringView text, TRowAttribute last, bool dropEmptyWrapped)
{
    if (text.size() <= 65536 && count <= 256) {
        TEditorStringList list;
        WrapText(text, list);
        if (dropEmptyWrapped && last == raWrapped && list.Count() > 0 && list.Get(list.Count() - 1).isEmpty())
            list.Delete(list.Count() - 1);
        if (list.Count() > 0)
            list.SetRows(list.Count() - 1, last);
        PutRowList(index, count, list);
        return list.Count();
    }
    // A long text goes straight into blocks: no list of row strings in between.
    std::vector<std::unique_ptr<Block>> fresh;
    {
        TBlockBuilder builder(fresh);
        if (text.isEmpty()) {
            builder.AddRow(text, raCrlf, 0);
        } else if (!m_wordWrap) {
            ForEachTextLine(text, [&](QStringView line) { builder.AddRow(line, raCrlf, 0); });
        } else {
            const TColumnMapSettings cs = ColumnSettings();
            ForEachTextLine(text, [&](QStringView line) {
                WrapLine(
                    line, cs, *m_wrapOption,
                    [&](QStringView piece, bool wrapped) { builder.AddRow(piece, wrapped ? raWrapped : raCrlf, 0); },
                    [&] { builder.SetLastRowEnd(raCrlf); });
            });
        }
        builder.Flush();
        if (dropEmptyWrapped && last == raWrapped)
            builder.DropLastEmptyRow();
        builder.SetLastRowEnd(last);
    }
    int l = 0;
    for (const auto& b : fresh)
        l += b->rows();
    BeginUpdate();
    for (const auto& [row, m] : MarksOfNewRows(index, count, l))
        SetFreshMarks(fresh, row, m);
    SpliceBlocks(index, count, std::move(fresh));
    EndUpdate();
    return l;
}

void TEditorScreenStrings::ReplaceRows(int index, int count, const QString& s)
{
    if (index < 0 || count < 0 || index + count - 1 > m_rowCount - 1 || (count == 0 && s.isEmpty()))
        return;
    BeginUpdate();
    int startRow = std::max(LineStartRow(index), index - 1);
    // Text put after a last row without line break continues that row's line (a new row
    // behind it would leave an end-of-text row in the middle).
    if (index == m_rowCount && m_rowCount > 0 && GetRows(m_rowCount - 1) != raCrlf)
        startRow = LineStartRow(m_rowCount - 1);
    const int endRow = index + count - 1;
    int lineEnd = LineEndRow(endRow);
    if (index == startRow && lineEnd == endRow && s.isEmpty() && count > 0) {
        TUndoData& u = m_undoObj->AddUndoData();
        u.DataRow = index;
        int n;
        GetLineData(index, count, u.RowAttribute, n, u.InsertStr);
        const TRowMarks m = DeleteRows(index, count);
        if (m_rowCount == 0)
            ExcludeRowMarks(m);
        else if (m) {
            const int target = std::min(index, m_rowCount - 1);
            SetRowMarks(target, GetRowMarks(target) | m);
        }
        const int invalid = UpdateBrackets(index, true);
        SetDrawInfo(index, count, invalid, 0);
        EndUpdate();
        return;
    }
    TRowAttribute e;
    if (endRow < lineEnd) {
        e = GetRows(lineEnd);
    } else if (lineEnd + 1 < m_rowCount) {
        lineEnd = LineEndRow(lineEnd + 1);
        e = GetRows(lineEnd);
    } else {
        e = s.endsWith(u'\n') ? raCrlf : raEof;
    }
    TUndoData& u = m_undoObj->AddUndoData();
    u.DataRow = startRow;
    int r;
    QString old;
    GetLineData(startRow, lineEnd - startRow + 1, u.RowAttribute, r, old);

    QString t;
    for (int row = startRow; row < index; ++row) {
        t.append(RowView(row));
        AddRowBreak(row, t);
    }
    t.append(s);
    for (int row = endRow + 1; row <= lineEnd; ++row) {
        t.append(RowView(row));
        AddRowBreak(row, t);
    }
    const int n = PutTextRows(startRow, lineEnd - startRow + 1, t, e);
    u.DeleteCount = n;
    // The step keeps only what changed: the head and tail that the old and the new rows share
    // are read back from the rows when the step is applied. The new rows are compared where
    // they lie, without joining them.
    {
        qsizetype newLen = 0;
        for (int row = startRow; row < startRow + n; ++row)
            newLen += RowView(row).size() + (GetRows(row) == raCrlf ? 2 : 0);
        const qsizetype m = std::min(old.size(), newLen);
        static const QChar crlf[2] = {QChar(u'\r'), QChar(u'\n')};
        qsizetype head = 0;
        for (int row = startRow; row < startRow + n && head < m; ++row) {
            QStringView v = RowView(row);
            qsizetype k = 0;
            while (k < v.size() && head < m && old[head] == v[k])
                ++k, ++head;
            if (k < v.size())
                break;
            if (GetRows(row) == raCrlf) {
                qsizetype j = 0;
                while (j < 2 && head < m && old[head] == crlf[j])
                    ++j, ++head;
                if (j < 2)
                    break;
            }
        }
        qsizetype tail = 0;
        for (int row = startRow + n - 1; row >= startRow && tail < m - head; --row) {
            if (GetRows(row) == raCrlf) {
                int j = 1;
                while (j >= 0 && tail < m - head && old[old.size() - 1 - tail] == crlf[j])
                    --j, ++tail;
                if (j >= 0)
                    break;
            }
            QStringView v = RowView(row);
            qsizetype k = v.size() - 1;
            while (k >= 0 && tail < m - head && old[old.size() - 1 - tail] == v[k])
                --k, ++tail;
            if (k >= 0)
                break;
        }
        if (head + tail > 0) {
            u.KeepHead = int(head);
            u.KeepTail = int(tail);
            u.InsertStr = old.mid(head, old.size() - head - tail);
        } else {
            u.InsertStr = std::move(old);
        }
    }
    const int invalid = UpdateBrackets(startRow, true);
    SetDrawInfo(startRow, r, invalid, n);
    EndUpdate();
}

void TEditorScreenStrings::Undo() { m_undoObj->Undo(); }
void TEditorScreenStrings::Redo() { m_undoObj->Redo(); }

// ---- highlighting states -----------------------------------------------------------------

bool TEditorScreenStrings::StoredEquals(int row, const TRowAttributeData& d) const
{
    const Loc l = Locate(row);
    const Block& b = *m_blocks[size_t(l.block)];
    if (b.stale)
        return false;
    const uint32_t it = b.item[size_t(l.row)], it2 = b.item2[size_t(l.row)];
    if ((it >> 2) != (PackRowItem(raCrlf, d) >> 2))
        return false;
    if ((it2 & 0xFFFFu) != (PackRowItem2(d, 0) & 0xFFFFu))
        return false;
    const QString stored = b.dataStr ? (*b.dataStr)[size_t(l.row)] : QString();
    return stored == d.DataStr;
}

void TEditorScreenStrings::MarkAllNotComputed(int fromRow)
{
    if (fromRow >= m_rowCount)
        return;
    EnsurePrefix();
    const Loc first = Locate(std::max(0, fromRow));
    for (size_t bi = size_t(first.block); bi < m_blocks.size(); ++bi) {
        Block& b = *m_blocks[bi];
        if (b.stale || (b.computed == 0 && !b.dataStr))
            continue;
        if (bi == size_t(first.block) && first.row > 0) {
            for (int r = first.row; r < b.rows(); ++r) {
                b.setItem(r, b.item[size_t(r)] & 3u);
                b.item2[size_t(r)] &= 0xFFFF0000u;
                if (b.dataStr)
                    (*b.dataStr)[size_t(r)].clear();
            }
            continue;
        }
        b.stale = true;
        b.computed = 0;
    }
}

int TEditorScreenStrings::RunStates(int begin, TRowAttributeData state, int horizon, bool stopOnMatch, bool notify,
                                    TFountainParser& parser)
{
    int changed = 0;
    int i = begin;
    bool stopped = false;
    for (; i <= horizon; ++i) {
        state.RowAttribute = GetRows(i);
        if (stopOnMatch && StoredEquals(i, state)) {
            stopped = true;
            break;
        }
        PutRowState(i, state);
        if (notify)
            for (TEditorStoreClient* c : m_clients)
                c->InvalidateRow(i);
        ++changed;
        parser.LastTokenBracket(i, *this, state);
        ++m_parsedRows;
        state.PrevRowAttribute = GetRows(i);
    }
    if (!stopped && stopOnMatch)
        MarkAllNotComputed(horizon + 1);
    if (stopOnMatch)
        SettleHints(stopped ? i : -1);
    return changed;
}

void TEditorScreenStrings::HintsDoubtfulFrom(int block)
{
    for (size_t bi = size_t(std::max(0, block)); bi < m_blocks.size(); ++bi) {
        Block& b = *m_blocks[bi];
        if (b.hint >= -1 && !b.doubtful) {
            b.doubtful = true;
            m_doubtfulHints = true;
        }
    }
}

// The states from StopRow on are the ones stored before the change (-1: not shown): hints of
// blocks starting there stay, the others go.
void TEditorScreenStrings::SettleHints(int stopRow)
{
    if (!m_doubtfulHints)
        return;
    EnsurePrefix();
    for (size_t bi = 0; bi < m_blocks.size(); ++bi) {
        Block& b = *m_blocks[bi];
        if (!b.doubtful)
            continue;
        b.doubtful = false;
        if (stopRow < 0 || m_rowPrefix[bi] < stopRow)
            b.hint = -2;
    }
    m_doubtfulHints = false;
}

// The start state of every block by the quick row scan, from the top as long as every row
// ends its line and the parser has the scan; the rest stay unknown.
void TEditorScreenStrings::ComputeHints()
{
    m_doubtfulHints = false;
    for (auto& b : m_blocks) {
        b->hint = -2;
        b->doubtful = false;
    }
    const TFountain* fountain = ReferenceFountain();
    if (!fountain || m_rowCount == 0)
        return;
    std::unique_ptr<TFountainParser> parser = fountain->CreateParser();
    int bracket = -1;
    if (!parser->QuickRowEnd(QStringView(), bracket))
        return;
    for (auto& bp : m_blocks) {
        Block& b = *bp;
        b.hint = bracket;
        const int rows = b.rows();
        for (int r = 0; r < rows; ++r) {
            if (IsWrappedItem(b.item[size_t(r)]) || !parser->QuickRowEnd(b.view(r), bracket))
                return;
        }
    }
}

// Rows Begin .. Last from State (the state at Begin's start) by the parser's quick row scan,
// written as the full parse writes them, as long as only the open bracket pair carries over
// and the rows end their lines. Returns the first row not done, State holding its start state.
int TEditorScreenStrings::QuickStates(int begin, TRowAttributeData& state, int last, bool notify,
                                      TFountainParser& parser)
{
    if (begin > last || state.StartToken != 0 || state.WrappedByte != 0 || state.ElementIndex != 0
        || state.Remain != 0 || state.PrevToken != 0 || !state.DataStr.isEmpty() || state.BracketIndex < -1)
        return begin;
    int bracket = state.BracketIndex;
    if (!parser.QuickRowEnd(QStringView(), bracket))
        return begin;
    TRowAttributeData d;
    d.PrevRowAttribute = state.PrevRowAttribute;
    d.BracketIndex = state.BracketIndex;
    int row = begin;
    const Loc first = Locate(begin);
    for (size_t bi = size_t(first.block); bi < m_blocks.size() && row <= last; ++bi) {
        Block& b = *m_blocks[bi];
        b.materialize();
        for (int r = bi == size_t(first.block) ? first.row : 0; r < b.rows() && row <= last; ++r, ++row) {
            const uint32_t it = b.item[size_t(r)];
            int next = d.BracketIndex;
            if (IsWrappedItem(it) || !parser.QuickRowEnd(b.view(r), next))
                goto done;
            b.setItem(r, PackRowItem(TRowAttribute(it & 3u), d));
            b.item2[size_t(r)] &= 0xFFFF0000u;
            if (b.dataStr)
                (*b.dataStr)[size_t(r)].clear();
            if (notify)
                for (TEditorStoreClient* c : m_clients)
                    c->InvalidateRow(row);
            ++m_parsedRows;
            d.BracketIndex = next;
            d.PrevRowAttribute = TRowAttribute(it & 3u);
        }
    }
done:
    state.PrevRowAttribute = d.PrevRowAttribute;
    state.BracketIndex = d.BracketIndex;
    return row;
}

int TEditorScreenStrings::UpdateBrackets(int row, bool notify)
{
    if (row < 0 || row >= m_rowCount)
        return 0;
    const TFountain* fountain = ReferenceFountain();
    if (!fountain)
        return 0;
    std::unique_ptr<TFountainParser> parser = fountain->CreateParser();
    // The nearest row before Row whose state is computed, or the first row of a block (Row's
    // own included) whose start state is known; whole blocks without either are skipped.
    int hintRow = -1;
    int f = row - 1;
    {
        const Loc l = Locate(row);
        if (l.row == 0 && m_blocks[size_t(l.block)]->hintUsable())
            hintRow = row;
    }
    while (hintRow < 0 && f >= 0) {
        const Loc l = Locate(f);
        const Block& b = *m_blocks[size_t(l.block)];
        if (b.computed != 0 && IsComputed(b.itemAt(l.row)))
            break;
        if (b.computed == 0 || l.row == 0) {
            if (b.hintUsable()) {
                hintRow = f - l.row;
                break;
            }
            f -= l.row + 1;
            continue;
        }
        --f;
    }
    TRowAttributeData state;
    int begin;
    if (hintRow >= 0) {
        state = InitialState();
        state.BracketIndex = m_blocks[size_t(Locate(hintRow).block)]->hint;
        if (hintRow > 0)
            state.PrevRowAttribute = GetRows(hintRow - 1);
        begin = hintRow;
    } else if (f >= 0) {
        state = GetRowData(f);
        parser->LastTokenBracket(f, *this, state);
        ++m_parsedRows;
        state.PrevRowAttribute = GetRows(f);
        begin = f + 1;
    } else {
        state = InitialState();
        begin = 0;
    }
    // The rows up to Row by the quick scan where the parser has one.
    const int quick = QuickStates(begin, state, row - 1, notify, *parser);
    const int horizon = std::min(row + 2 * ScreenRows(), m_rowCount - 1);
    return quick - begin + RunStates(quick, state, horizon, true, notify, *parser);
}

int TEditorScreenStrings::ParseAheadFrom(int row, int rows)
{
    const int end = std::min(m_rowCount, row + rows) - 1;
    const TFountain* fountain = ReferenceFountain();
    if (!fountain || row < 0)
        return end + 1;
    std::unique_ptr<TFountainParser> parser;
    int r = row;
    while (r <= end) {
        const Loc l = Locate(r);
        const Block& b = *m_blocks[size_t(l.block)];
        if (!b.stale && b.computed == b.rows()) {
            r += b.rows() - l.row;
            continue;
        }
        if (IsComputed(b.itemAt(l.row))) {
            ++r;
            continue;
        }
        if (!parser)
            parser = fountain->CreateParser();
        TRowAttributeData state = InitialState();
        if (r > 0) {
            state = GetRowData(r - 1);
            parser->LastTokenBracket(r - 1, *this, state);
            ++m_parsedRows;
            state.PrevRowAttribute = GetRows(r - 1);
        }
        const int q = QuickStates(r, state, end, false, *parser);
        if (q <= end)
            RunStates(q, state, q, false, false, *parser);
        r = q + 1;
    }
    return end + 1;
}

void TEditorScreenStrings::InitBrackets()
{
    if (RefLoading())
        return;
    MarkAllNotComputed(0);
    ComputeHints();
    if (m_rowCount == 0)
        return;
    const TFountain* fountain = ReferenceFountain();
    if (!fountain)
        return;
    const bool full = FirstClient() ? FirstClient()->InitBracketsFull() : m_defaultInitFull;
    const int top = FirstClient() ? FirstClient()->TopRow() : 0;
    const int horizon = full ? m_rowCount - 1 : std::min(m_rowCount - 1, 2 * ScreenRows() + top);
    std::unique_ptr<TFountainParser> parser = fountain->CreateParser();
    RunStates(0, InitialState(), horizon, false, false, *parser);
}

// ---- word wrap ---------------------------------------------------------------------------


void TEditorScreenStrings::WrapText(QStringView s, TRowStrings& rows) const
{
    rows.BeginUpdate();
    rows.Clear();
    if (s.isEmpty()) {
        rows.Add(QString());
    } else if (!m_wordWrap) {
        ForEachTextLine(s, [&](QStringView line) { rows.Add(line.toString()); });
    } else {
        const TColumnMapSettings cs = ColumnSettings();
        ForEachTextLine(s, [&](QStringView line) {
            WrapLine(
                line, cs, *m_wrapOption,
                [&](QStringView piece, bool wrapped) {
                    const int i = rows.Add(piece.toString());
                    rows.SetRows(i, wrapped ? raWrapped : raCrlf);
                },
                [&] {
                    if (rows.Count() > 0)
                        rows.SetRows(rows.Count() - 1, raCrlf);
                });
        });
    }
    rows.EndUpdate();
}

int TEditorScreenStrings::WrapCount(QStringView s) const
{
    if (!m_wordWrap)
        return 1;
    const TColumnMapSettings cs = ColumnSettings();
    if (ExpandTabLength(s, cs) < m_wrapOption->WrapByte())
        return 1;
    int n = 0;
    WrapLine(s, cs, *m_wrapOption, [&](QStringView, bool) { ++n; }, [] {});
    return n;
}

void TEditorScreenStrings::RebuildRows(bool wrap)
{
    const TColumnMapSettings cs = ColumnSettings();
    const int wrapByte = m_wrapOption->WrapByte();
    TRowAttribute lastAttr = GetRows(m_rowCount - 1);
    if (!wrap && lastAttr == raWrapped)
        lastAttr = raEof;
    std::vector<std::unique_ptr<Block>> out;
    {
        TBlockBuilder builder(out);
        std::vector<QString> keep; // joined lines must live until their block is copied
        int row = 0;
        QString joined;
        while (row < m_rowCount) {
            const int last = LineEndRow(row);
            QStringView line;
            if (last == row) {
                line = RowView(row);
            } else {
                joined.clear();
                for (int r = row; r <= last; ++r)
                    joined.append(RowView(r));
                keep.push_back(joined);
                line = keep.back();
            }
            TRowMarks unionMarks = 0;
            for (int r = row; r <= last; ++r)
                unionMarks |= GetRowMarks(r);
            if (!wrap || ExpandTabLength(line, cs) < wrapByte) {
                builder.AddRow(line, raCrlf, uint32_t(unionMarks) << 16);
            } else {
                std::vector<std::pair<QStringView, bool>> pieces;
                WrapLine(
                    line, cs, *m_wrapOption, [&](QStringView p, bool w) { pieces.emplace_back(p, w); },
                    [&] {
                        if (!pieces.empty())
                            pieces.back().second = false;
                    });
                const int oldRows = last - row + 1;
                for (size_t k = 0; k < pieces.size(); ++k) {
                    TRowMarks m = 0;
                    if (int(k) < oldRows)
                        m = GetRowMarks(row + int(k));
                    if (k + 1 == pieces.size())
                        for (int r = row + int(pieces.size()); r <= last; ++r)
                            m |= GetRowMarks(r);
                    builder.AddRow(pieces[k].first, pieces[k].second ? raWrapped : raCrlf, uint32_t(m) << 16);
                }
            }
            if (builder.PendingRows() == 0)
                keep.clear();
            row = last + 1;
        }
        builder.Flush();
    }
    ClearStorage();
    m_blocks = std::move(out);
    for (const auto& b : m_blocks)
        m_rowCount += b->rows();
    if (m_rowCount > 0)
        SetRows(m_rowCount - 1, lastAttr);
}

void TEditorScreenStrings::WrapAll()
{
    if (m_rowCount == 0 || RefLoading())
        return;
    CleanSelections();
    const TNotifyEvent saved = OnChange;
    OnChange = TNotifyEvent();
    BeginUpdate();
    RebuildRows(true);
    EndUpdate();
    OnChange = saved;
}

void TEditorScreenStrings::UnwrapAll()
{
    if (m_rowCount == 0)
        return;
    CleanSelections();
    const TNotifyEvent saved = OnChange;
    OnChange = TNotifyEvent();
    BeginUpdate();
    RebuildRows(false);
    EndUpdate();
    OnChange = saved;
}

void TEditorScreenStrings::SetWordWrap(bool value)
{
    if (m_wordWrap == value)
        return;
    m_wordWrap = value;
    if (RefLoading())
        return;
    m_undoObj->Clear();
    if (value)
        WrapAll();
    else
        UnwrapAll();
    InitBrackets();
    RelayoutClients();
    AdjustClientRows();
    ResetClientCols();
}

// ---- whole text --------------------------------------------------------------------------

void TEditorScreenStrings::BeginLoad()
{
    m_loadOldRows = m_rowCount;
    Clear();
    m_loadEndsWithBreak = false;
    m_loadAny = false;
}

void TEditorScreenStrings::AppendText(QStringView piece)
{
    if (piece.isEmpty())
        return;
    // A CR LF split between two pieces: the LF completes the CR that ended the last one.
    if (m_loadAny && m_loadLastWasCR && piece.front() == u'\n') {
        piece = piece.mid(1);
        m_loadLastWasCR = false;
        if (piece.isEmpty())
            return;
    }
    // A line left open by the previous piece continues here.
    bool continueLast = m_loadAny && !m_loadEndsWithBreak && m_rowCount > 0;
    std::vector<std::unique_ptr<Block>> out;
    {
        TBlockBuilder builder(out);
        ForEachTextLine(piece, [&](QStringView line) {
            if (continueLast) {
                continueLast = false;
                const int last = m_rowCount - 1;
                Put(last, RowView(last).toString() + line.toString());
                return;
            }
            builder.AddRow(line, raCrlf, 0);
        });
    }
    for (auto& b : out) {
        m_rowCount += b->rows();
        m_blocks.push_back(std::move(b));
    }
    Touch(0);
    const char16_t lastCh = piece.back().unicode();
    m_loadEndsWithBreak = lastCh == u'\n' || lastCh == u'\r';
    m_loadLastWasCR = lastCh == u'\r';
    m_loadAny = true;
}

void TEditorScreenStrings::EndLoad()
{
    if (m_loadAny && !m_loadEndsWithBreak && m_rowCount > 0)
        SetRows(m_rowCount - 1, raEof);
    if (m_wordWrap)
        WrapAll();
    InitBrackets();
    // The clients repaint the whole text.
    SetDrawInfo(0, m_loadOldRows, 0, m_rowCount);
}

void TEditorScreenStrings::SetText(QStringView text)
{
    BeginUpdate();
    BeginLoad();
    AppendText(text);
    EndLoad();
    EndUpdate();
}

// ---- repaint plan ------------------------------------------------------------------------

TScreenUpdatePlan PlanScreenUpdate(const TEditorDrawInfo& info, int visibleRows, int rowCount, int topRow,
                                   TNumberMode numbers)
{
    TScreenUpdatePlan p;
    if (!info.NeedUpdate)
        return p;
    const int d = info.Insert - info.Delete;
    if (std::abs(d) > visibleRows) {
        p.RepaintAll = true;
        return p;
    }
    const int b = info.Start + std::max(info.Insert, info.Invalid);
    const bool pastEnd = b > rowCount - 1;
    p.InvalidateFirst = info.Start;
    p.InvalidateLast = b - 1;
    if (d == 0) {
        if (pastEnd)
            p.InvalidateLast = b + 1;
    } else {
        p.ScrollFrom = b;
        p.ScrollBy = d;
        if (pastEnd) {
            p.ExtraFirst = b;
            p.ExtraLast = b + 1;
        }
    }
    if (numbers == TNumberMode::Line || (numbers == TNumberMode::Row && d != 0 && topRow + visibleRows >= rowCount)) {
        p.LeftbarFirst = b;
        p.LeftbarLast = info.Start + visibleRows;
    }
    return p;
}

} // namespace qv
