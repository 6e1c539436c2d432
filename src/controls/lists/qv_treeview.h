#pragma once
// TqvTreeView: a tree whose nodes carry sub-item texts drawn in columns that a separate
// header control (placed by the window above the tree) lays out. Section 0 of the header is
// the tree's own column; section i ≥ 1 shows sub-item i − 1.
#include <QPointer>
#include <QStyle>
#include <QTreeWidget>
#include <functional>

class QHeaderView;

namespace qv {

class TqvTreeView;

class TqvTreeNode : public QTreeWidgetItem {
public:
    TqvTreeNode() = default;
    explicit TqvTreeNode(const QString& text) { setText(0, text); }

    const QStringList& SubItems() const { return m_subItems; }
    // Any change to the sub-items repaints the tree.
    void SetSubItems(const QStringList& items);
    void SetSubItem(int index, const QString& text); // grows the list with empty texts
    void AddSubItem(const QString& text);

    void* Data = nullptr;
    void* Data2 = nullptr;
    void* Data3 = nullptr;

    TqvTreeNode* ChildNode(int i) const { return static_cast<TqvTreeNode*>(child(i)); }
    // First child (depth first with recurse) whose text equals s, ignoring the case of A–Z only.
    TqvTreeNode* FindName(const QString& s, bool recurse) const;
    // First child (depth first with recurse) whose Data is p.
    TqvTreeNode* FindData(const void* p, bool recurse) const;

private:
    void changed();
    QStringList m_subItems;
};

// Equality of two texts with only the letters A–Z folded.
bool SameTextAscii(const QString& a, const QString& b);

class TqvTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TqvTreeView(QWidget* parent = nullptr);

    // New nodes: at the top level, or as the last child of parent.
    TqvTreeNode* AddNode(TqvTreeNode* parent, const QString& text);
    TqvTreeNode* Node(int topIndex) const { return static_cast<TqvTreeNode*>(topLevelItem(topIndex)); }
    TqvTreeNode* SelectedNode() const { return static_cast<TqvTreeNode*>(currentItem()); }

    QHeaderView* HeaderControl() const { return m_header; }
    // The tree repaints whenever the header's sections are resized or moved.
    void SetHeaderControl(QHeaderView* header);

    bool RowSelect = false;

    // Raised before each sub-item is drawn; clearing defaultDraw suppresses the default text.
    std::function<void(TqvTreeView* tree, TqvTreeNode* node, bool& defaultDraw, const QRect& rect,
                       QStyle::State state, int subItem)>
        OnCustomDrawSubItem;

    // The rectangle the node's text is drawn in (viewport coordinates), before the clip.
    QRect NodeTextRect(TqvTreeNode* node) const;
    // The right edge the node text is clipped at: header section 0's width (or the client
    // width without a header) − 5.
    int TextClipRight() const;

signals:
    // After every vertical or horizontal scroll.
    void Scrolled();

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QPointer<QHeaderView> m_header;
};

} // namespace qv
