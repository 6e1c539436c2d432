#pragma once
// Row lists of the editor: beside the text of every row they keep how the row ends and the
// complete highlighting-parser state at the start of the row, packed into two 32-bit words.
#include "editor/notify.h"
#include "platform/exceptions.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

namespace qv {

enum TRowAttribute : uint8_t { raCrlf = 0, raWrapped = 1, raEof = 2, raInvalid = 3 };

// Row marks rm0 .. rm15 as a 16-bit set (bit n = mark n).
using TRowMarks = uint16_t;
inline constexpr TRowMarks RowMark(int n) { return TRowMarks(1u << n); }

// The parser state at a row boundary.
struct TRowAttributeData {
    TRowAttribute RowAttribute = raCrlf;
    TRowAttribute PrevRowAttribute = raCrlf;
    int BracketIndex = -1; // -1 none, -2 not computed
    int ElementIndex = 0;
    int WrappedByte = 0;
    int Remain = 0;
    char16_t StartToken = 0;
    char16_t PrevToken = 0;
    QString DataStr;
};

// The string-list index error ("the list index is out of range").
class EStringListError : public Exception {
public:
    explicit EStringListError(int index);
};

// The abstract row list: text per row plus two packed attribute words, a pointer-sized value
// and a data string. The packed accessors are built on GetItem/PutItem and do not notify.
class TRowStrings : public TPersistent {
public:
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    virtual int Count() const = 0;
    virtual QString Get(int index) const = 0;
    // The row's text without copying; valid until the list changes.
    virtual QStringView RowView(int index) const = 0;
    virtual void Put(int index, const QString& s) = 0;
    virtual void Insert(int index, const QString& s) = 0;
    int Add(const QString& s)
    {
        const int n = Count();
        Insert(n, s);
        return n;
    }
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    virtual uint32_t GetItem(int index) const = 0;
    virtual void PutItem(int index, uint32_t value) = 0;
    virtual uint32_t GetItem2(int index) const = 0;
    virtual void PutItem2(int index, uint32_t value) = 0;
    virtual quintptr GetData(int index) const = 0;
    virtual void PutData(int index, quintptr value) = 0;
    virtual QString GetDataStr(int index) const = 0;
    virtual void PutDataStr(int index, const QString& value) = 0;

    // Batching: the outermost BeginUpdate / EndUpdate call SetUpdateState.
    void BeginUpdate()
    {
        if (m_tsUpdateCount++ == 0)
            SetUpdateState(true);
    }
    void EndUpdate()
    {
        if (--m_tsUpdateCount == 0)
            SetUpdateState(false);
    }
    bool Updating() const { return m_tsUpdateCount > 0; }

    // Packed accessors.
    TRowAttribute GetRows(int i) const { return TRowAttribute(GetItem(i) & 3u); }
    void SetRows(int i, TRowAttribute v) { PutItem(i, (GetItem(i) & ~3u) | (uint32_t(v) & 3u)); }
    TRowAttribute GetPrevRows(int i) const { return TRowAttribute((GetItem(i) >> 2) & 3u); }
    void SetPrevRows(int i, TRowAttribute v) { PutItem(i, (GetItem(i) & ~0xCu) | ((uint32_t(v) & 3u) << 2)); }
    int GetBrackets(int i) const { return int((GetItem(i) >> 4) & 0xFu) - 2; }
    void SetBrackets(int i, int v) { PutItem(i, (GetItem(i) & ~0xF0u) | ((uint32_t(v + 2) & 0xFu) << 4)); }
    int GetElements(int i) const { return int((GetItem(i) >> 8) & 0xFFu); }
    void SetElements(int i, int v) { PutItem(i, (GetItem(i) & ~0xFF00u) | ((uint32_t(v) & 0xFFu) << 8)); }
    int GetWrappedBytes(int i) const { return int((GetItem(i) >> 16) & 0xFFu); }
    void SetWrappedBytes(int i, int v) { PutItem(i, (GetItem(i) & ~0xFF0000u) | ((uint32_t(v) & 0xFFu) << 16)); }
    int GetRemains(int i) const { return int(GetItem(i) >> 24); }
    void SetRemains(int i, int v) { PutItem(i, (GetItem(i) & 0x00FFFFFFu) | ((uint32_t(v) & 0xFFu) << 24)); }
    char16_t GetTokens(int i) const { return char16_t(GetItem2(i) & 0xFFu); }
    void SetTokens(int i, char16_t v) { PutItem2(i, (GetItem2(i) & ~0xFFu) | (uint32_t(v) & 0xFFu)); }
    char16_t GetPrevTokens(int i) const { return char16_t((GetItem2(i) >> 8) & 0xFFu); }
    void SetPrevTokens(int i, char16_t v) { PutItem2(i, (GetItem2(i) & ~0xFF00u) | ((uint32_t(v) & 0xFFu) << 8)); }
    TRowMarks GetRowMarks(int i) const { return TRowMarks(GetItem2(i) >> 16); }
    void SetRowMarks(int i, TRowMarks v) { PutItem2(i, (GetItem2(i) & 0xFFFFu) | (uint32_t(v) << 16)); }

    // The whole state of row i (its own attribute as RowAttribute).
    TRowAttributeData GetRowData(int i) const;
    // Stores everything but the row's own attribute and marks.
    void PutRowState(int i, const TRowAttributeData& d);
    // Marks row i not computed (previous raCrlf, bracket -2, everything else 0).
    void MarkNotComputed(int i);

protected:
    // The batching hook of the outermost BeginUpdate / EndUpdate.
    virtual void SetUpdateState(bool updating) = 0;
    void CheckIndex(int index, int limit) const
    {
        if (index < 0 || index >= limit)
            throw EStringListError(index);
    }

private:
    int m_tsUpdateCount = 0;
};

// Packs the per-row state words the way rows store them.
uint32_t PackRowItem(TRowAttribute row, const TRowAttributeData& d);
uint32_t PackRowItem2(const TRowAttributeData& d, TRowMarks marks);

// A string list whose items carry four extra values; the row lists of new text.
class TheStringList : public TRowStrings {
public:
    ~TheStringList() override;
    int Count() const override { return int(m_items.size()); }
    int Capacity() const { return m_capacity; }
    QString Get(int index) const override;
    QStringView RowView(int index) const override;
    void Put(int index, const QString& s) override;
    void Insert(int index, const QString& s) override;
    void Delete(int index) override;
    void Exchange(int index1, int index2);
    void Clear() override;

    uint32_t GetItem(int index) const override;
    void PutItem(int index, uint32_t value) override;
    uint32_t GetItem2(int index) const override;
    void PutItem2(int index, uint32_t value) override;
    quintptr GetData(int index) const override;
    void PutData(int index, quintptr value) override;
    QString GetDataStr(int index) const override;
    void PutDataStr(int index, const QString& value) override;

    virtual void Changed();
    virtual void Changing();

protected:
    void SetUpdateState(bool updating) override;
    int m_updateCount = 0;

private:
    struct Item {
        QString FString;
        QString FDataStr;
        quintptr FData = 0;
        uint32_t FItem = 0;
        uint32_t FItem2 = 0;
    };
    std::vector<Item> m_items;
    int m_capacity = 0;
};

class TRowAttributeStringList : public TheStringList {};
// Lists of new rows.
class TEditorStringList : public TRowAttributeStringList {};

// Fills a row list from a text (see ForEachTextLine); every row is a fresh raCrlf row.
void SetStringsFromText(QStringView text, TRowStrings& strings);

} // namespace qv
