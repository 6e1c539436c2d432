// Random edits against the row store: the text after undo/redo, the row invariants and the
// incrementally kept highlighting states must match a store built from scratch.
#include "editor/screen_strings.h"
#include "editor/undo.h"
#include "store_client_helper.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace qv;

namespace {

QString RandomPiece(QRandomGenerator& rng)
{
    static const char* const parts[] = {"a", "bc ", "/*", "*/", "--", "'", "''", "\r\n", "\r\n", " ", "12.5", "select"};
    QString s;
    const int n = rng.bounded(1, 8);
    for (int i = 0; i < n; ++i) {
        if (rng.bounded(40) == 0)
            s += QString(rng.bounded(20, 90), 'w'); // long enough to wrap
        else if (rng.bounded(200) == 0)
            s += QString("row\r\n").repeated(700); // enough rows to split a block
        else
            s += parts[rng.bounded(int(std::size(parts)))];
    }
    return s;
}

void CheckInvariants(const TEditorScreenStrings& s)
{
    for (int i = 0; i < s.Count(); ++i) {
        const TRowAttribute a = s.GetRows(i);
        ASSERT_NE(a, raInvalid) << i;
        if (i + 1 < s.Count()) {
            ASSERT_NE(a, raEof) << i;
        }
        if (!s.WordWrap()) {
            ASSERT_NE(a, raWrapped) << i;
        }
    }
}

void RunRandom(bool wrap, quint32 seed)
{
    qvtest::SqlFountain f;
    auto s = std::make_shared<TEditorScreenStrings>();
    qvtest::FakeEditor ed;
    ed.fountain = &f;
    ed.screenRows = 5;
    s->AddClient(&ed);
    s->WrapOption().SetWrapByte(24);
    s->SetWordWrap(wrap);
    QString text;
    for (int i = 0; i < 1500; ++i)
        text += (i % 7 == 0 ? "/* c " : "x ") + QString::number(i) + (i % 11 == 0 ? " */" : "") + "\r\n";
    s->SetText(text);
    s->UndoObj().SetListMax(1000);
    const QString original = s->JoinRows();

    QRandomGenerator rng(seed);
    for (int step = 0; step < 300; ++step) {
        const int n = s->Count();
        const int index = rng.bounded(8) == 0 ? n : rng.bounded(n + 1); // appends now and then
        const int count = index == n ? 0 : rng.bounded(std::min(4, n - index) + 1);
        s->ReplaceRows(index, count, rng.bounded(5) == 0 ? QString() : RandomPiece(rng));
        if (rng.bounded(10) == 0)
            s->EnsureRowState(rng.bounded(std::max(1, s->Count())));
        ASSERT_NO_FATAL_FAILURE(CheckInvariants(*s)) << "step " << step;
        if (step % 20 == 0) {
            // Line look-up, in order and at random, against a walk over the rows.
            std::vector<int> starts;
            for (int r = 0; r < s->Count(); ++r)
                if (r == 0 || s->GetRows(r - 1) != raWrapped)
                    starts.push_back(r);
            ASSERT_EQ(s->LineCount(), int(starts.size()));
            for (int line = 0; line < int(starts.size()); ++line)
                ASSERT_EQ(s->LineToRow(line), starts[size_t(line)]) << line;
            for (int k = 0; k < 20 && !starts.empty(); ++k) {
                const int line = rng.bounded(int(starts.size()));
                ASSERT_EQ(s->LineToRow(line), starts[size_t(line)]) << line;
                ASSERT_EQ(s->RowToLine(starts[size_t(line)]), line);
            }
        }
    }
    const QString edited = s->JoinRows();

    // The incrementally kept states equal those of a store that parsed everything at once.
    s->EnsureRowState(s->Count() - 1);
    for (int i = 0; i < s->Count(); ++i)
        s->EnsureRowState(i);
    TEditorScreenStrings fresh;
    fresh.SetDefaultFountain(&f);
    fresh.SetDefaultInitBracketsFull(true);
    fresh.WrapOption().SetWrapByte(24);
    fresh.SetWordWrap(wrap);
    fresh.SetText(edited);
    ASSERT_EQ(fresh.Count(), s->Count());
    for (int i = 0; i < s->Count(); ++i) {
        ASSERT_EQ(fresh.Get(i), s->Get(i)) << i;
        ASSERT_EQ(fresh.GetRows(i), s->GetRows(i)) << i;
        const TRowAttributeData a = fresh.GetRowData(i), b = s->GetRowData(i);
        ASSERT_EQ(a.BracketIndex, b.BracketIndex) << "row " << i;
        ASSERT_EQ(a.StartToken, b.StartToken) << "row " << i;
        ASSERT_EQ(a.WrappedByte, b.WrappedByte) << "row " << i;
        ASSERT_EQ(a.PrevRowAttribute, b.PrevRowAttribute) << "row " << i;
    }

    while (s->UndoObj().CanUndo())
        s->Undo();
    EXPECT_EQ(s->JoinRows(), original);
    while (s->UndoObj().CanRedo())
        s->Redo();
    EXPECT_EQ(s->JoinRows(), edited);
    EXPECT_EQ(s->LineCount(), fresh.LineCount());
}

} // namespace

TEST(EditorStoreRandom, EditsWithoutWrap) { RunRandom(false, 7); }
TEST(EditorStoreRandom, EditsWithWrap) { RunRandom(true, 11); }
