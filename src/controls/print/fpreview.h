#pragma once
// The print preview: the pages just stored in the page store, one at a time on a drawn sheet,
// with paging and zoom; answers whether the user wants to print.
#include <QColor>
#include <QDialog>
#include <QImage>

#include "controls/print/qvprinter.h"

class QAction;
class QLabel;
class QScrollArea;
class QToolBar;

namespace qv {

// Paging and zoom of the preview, without a window.
class PreviewNavigator {
public:
    explicit PreviewNavigator(int pageCount = 0) : m_pageCount(pageCount) {}
    int Page() const { return m_page; }
    double Rate() const { return m_rate; }
    void SetPageCount(int n) { m_pageCount = n; }
    bool CanNext() const { return m_page < m_pageCount; }
    bool CanPrev() const { return m_page > 1; }
    bool CanZoomUp() const { return m_rate < 2.0; }
    bool CanZoomDown() const { return m_rate > 0.5; }
    void Next() { if (CanNext()) ++m_page; }
    void Prev() { if (CanPrev()) --m_page; }
    void ZoomUp() { if (CanZoomUp()) m_rate += 0.25; }
    void ZoomDown() { if (CanZoomDown()) m_rate -= 0.25; }

private:
    int m_pageCount;
    int m_page = 1;
    double m_rate = 1.0;
};

// The preview picture of stored page `page` (1-based): background, shadow and sheet of the paper's
// size with the page placed at the margins, in printer dots (paper + 150 each way) drawn at
// `scale` image pixels per dot.
QImage RenderPreview(const TqvPrinter& printer, const TqvPrintdata& store, int page, double mmLeftMargin,
                     double mmTopMargin, double scale, const QColor& background);

class TfrmPreview : public QDialog {
    Q_OBJECT
public:
    // True when the user chose print.
    static bool ShowWindow();

    explicit TfrmPreview(QWidget* parent = nullptr);

    QToolBar* tolCmd = nullptr;
    QAction* actPrint = nullptr;
    QAction* actPrevPage = nullptr;
    QAction* actNextPage = nullptr;
    QAction* actZoomUp = nullptr;
    QAction* actZoomDown = nullptr;
    QAction* actExit = nullptr;
    QScrollArea* scrPreview = nullptr;
    QLabel* imgPreview = nullptr;

    const PreviewNavigator& Navigator() const { return m_nav; }
    // Image pixels per printer dot at rate 1.0 (the sheet at its size on the screen).
    double BaseScale() const;
    void ShowPage();

private:
    void updateActions();
    PreviewNavigator m_nav;
};

} // namespace qv
