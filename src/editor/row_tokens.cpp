#include "editor/row_tokens.h"

namespace qv {

namespace {
QString PaintText(const TEditorScreenStrings& store, int row, bool expandTabs, const TColumnMapSettings& cs)
{
    if (!expandTabs)
        return store.Get(row);
    QString s = ExpandTab(store.RowView(row), cs);
    s.replace(QChar(0x1B), QChar(u' '));
    return s;
}
} // namespace

TPaintRow PaintRowTokens(TEditorScreenStrings& store, int row, TFountainParser& parser, bool expandTabs)
{
    TPaintRow out;
    if (row < 0 || row >= store.Count())
        return out;
    store.EnsureRowState(row);
    const TColumnMapSettings cs = store.ColumnSettings();
    out.Text = PaintText(store, row, expandTabs, cs);
    out.RowLength = int(out.Text.size());
    if (out.RowLength == 0)
        return out;
    if (store.WordWrap() && row + 1 < store.Count() && store.GetRows(row) == raWrapped)
        out.Text += PaintText(store, row + 1, expandTabs, cs);
    parser.NewData(out.Text, store.GetRowData(row));
    while (parser.NextToken() != tok::toEof && parser.SourcePos() < out.RowLength) {
        TRowToken t;
        t.Start = parser.SourcePos();
        t.Length = parser.TokenLength();
        t.Kind = parser.Token();
        t.DrawBracketIndex = parser.DrawBracketIndex();
        t.Color = parser.TokenToFountainColor();
        out.Tokens.push_back(t);
    }
    return out;
}

} // namespace qv
