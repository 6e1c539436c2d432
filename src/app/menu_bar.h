#pragma once
// The main window's menu bar. A top-level item whose "qvMarkImage" property holds an image
// index of imgMain shows that image in the room its caption leaves at its start (the plain
// menu bar draws either an item's icon or its caption, never both).
#include <QMenuBar>

namespace qv {

inline constexpr const char* kMenuMarkProperty = "qvMarkImage";

// The caption of a marked item: blanks that make room for the mark, then the caption.
QString MenuMarkedCaption(const QString& caption);

class TqvMenuBar : public QMenuBar {
    Q_OBJECT
public:
    explicit TqvMenuBar(QWidget* parent = nullptr);

    // Where the mark of a marked item is drawn (empty for an unmarked or hidden item).
    QRect markRect(QAction* action) const;

protected:
    void paintEvent(QPaintEvent* e) override;
};

} // namespace qv
