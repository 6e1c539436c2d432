#pragma once
// A light editor stand-in for row-store tests: records what the store tells it.
#include "editor/editor_fountain.h"
#include "editor/screen_strings.h"

#include <set>

namespace qvtest {

struct FakeEditor : qv::TEditorStoreClient {
    int row = 0, col = 0, top = 0, screenRows = 10;
    bool focused = false;
    const qv::TFountain* fountain = nullptr;
    std::set<int> invalidated;
    std::vector<qv::TEditorDrawInfo> changes;
    int relayouts = 0;
    int Row() const override { return row; }
    int Col() const override { return col; }
    void SetRow(int r) override { row = r; }
    void SetCol(int c) override { col = c; }
    int TopRow() const override { return top; }
    void SetTopRow(int t) override { top = t; }
    bool Focused() const override { return focused; }
    void InvalidateRow(int r) override { invalidated.insert(r); }
    void DoChange(const qv::TEditorDrawInfo& d) override { changes.push_back(d); }
    void Relayout() override { ++relayouts; }
    int ScreenRows() const override { return screenRows; }
    const qv::TFountain* ActiveFountain() const override { return fountain; }
};

struct SqlFountain : qv::TEditorFountain {
    SqlFountain() { ApplySqlSyntax({"select", "from"}); }
};

// Rows of a store as "text|attr" strings (attr: c crlf, w wrapped, e eof).
inline QStringList Dump(const qv::TEditorScreenStrings& s)
{
    QStringList out;
    for (int i = 0; i < s.Count(); ++i)
        out << s.Get(i) + "|" + QString("cwei").at(s.GetRows(i));
    return out;
}

} // namespace qvtest
