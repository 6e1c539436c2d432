#pragma once
// The object list's cell drawing for the index list: the fragmentation ratio as a coloured bar
// with its percentage (blue below the reorganize threshold, yellow up to the rebuild threshold,
// red from it) and the page count; every other cell is drawn as usual.
#include <QStyledItemDelegate>

#include <functional>

namespace qv {

class TFragmentDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TFragmentDelegate(QObject* parent = nullptr);

    // The window draws the index figures itself (not Azure, the index list or TreeData off).
    std::function<bool()> ownDrawing;
    // The bars are shown: the list shows indexes, the login may read the figures and the
    // fragmentation button is down.
    std::function<bool()> barsShown;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool indexRow(const QModelIndex& index) const;
};

} // namespace qv
