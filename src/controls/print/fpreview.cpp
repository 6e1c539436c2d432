#include "controls/print/fpreview.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/images.h"
#include "app/main_window.h"
#include "app/options.h"

namespace qv {

QImage RenderPreview(const TqvPrinter& printer, const TqvPrintdata& store, int page, double mmLeftMargin,
                     double mmTopMargin, double scale, const QColor& background)
{
    const TSizeI paper = printer.PaperSize();
    const QSize size(std::max(1, int(std::lround((paper.Width + 150) * scale))),
                     std::max(1, int(std::lround((paper.Height + 150) * scale))));
    QImage img(size, QImage::Format_RGB32);
    img.fill(background);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    p.fillRect(QRect(100, 100, paper.Width, paper.Height), QColor(128, 128, 128));
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(QRect(50, 50, paper.Width, paper.Height));
    if (page >= 1 && page <= store.PageCount()) {
        const QPoint origin = printer.PageOrigin(mmLeftMargin, mmTopMargin);
        PlayPage(p, QPointF(origin.x() + 50, origin.y() + 50), store.Pages(page - 1));
    }
    return img;
}

TfrmPreview::TfrmPreview(QWidget* parent) : QDialog(parent), m_nav(PrintData().PageCount())
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    setWindowIcon(imgMain(99));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    tolCmd = new QToolBar(this);
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // A theme icon where the main image list has none of its own for the command.
    auto add = [this](const char* text, int image, const char* theme = nullptr) {
        QIcon icon = theme ? QIcon::fromTheme(QLatin1String(theme)) : QIcon();
        if (icon.isNull())
            icon = imgMain(image);
        QAction* a = tolCmd->addAction(icon, QString::fromUtf8(text));
        if (auto* b = qobject_cast<QToolButton*>(tolCmd->widgetForAction(a)))
            b->setMinimumWidth(78);
        return a;
    };
    actPrint = add("印刷(&P)", 98);
    actPrevPage = add("前頁(&R)", 32, "go-previous");
    actNextPage = add("次頁(&N)", 33, "go-next");
    actZoomUp = add("拡大(&U)", 100, "zoom-in");
    actZoomDown = add("縮小(&D)", 101, "zoom-out");
    actExit = add("終了(&X)", 42);
    scrPreview = new QScrollArea(this);
    scrPreview->setAlignment(Qt::AlignCenter);
    imgPreview = new QLabel;
    scrPreview->setWidget(imgPreview);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(tolCmd);
    lay->addWidget(scrPreview, 1);

    connect(actPrint, &QAction::triggered, this, &QDialog::accept);
    connect(actExit, &QAction::triggered, this, &QDialog::reject);
    connect(actNextPage, &QAction::triggered, this, [this] {
        m_nav.Next();
        ShowPage();
    });
    connect(actPrevPage, &QAction::triggered, this, [this] {
        m_nav.Prev();
        ShowPage();
    });
    connect(actZoomUp, &QAction::triggered, this, [this] {
        m_nav.ZoomUp();
        ShowPage();
    });
    connect(actZoomDown, &QAction::triggered, this, [this] {
        m_nav.ZoomDown();
        ShowPage();
    });
    resize(800, 700);
}

double TfrmPreview::BaseScale() const
{
    const int dpi = Printer().DPI().Width;
    return dpi > 0 ? double(logicalDpiX()) / dpi : 0.1;
}

void TfrmPreview::updateActions()
{
    actNextPage->setEnabled(m_nav.CanNext());
    actPrevPage->setEnabled(m_nav.CanPrev());
    actZoomUp->setEnabled(m_nav.CanZoomUp());
    actZoomDown->setEnabled(m_nav.CanZoomDown());
}

void TfrmPreview::ShowPage()
{
    imgPreview->clear();
    Printer().Refresh();
    const QImage img = RenderPreview(Printer(), PrintData(), m_nav.Page(), qvPrintOption.MMLeftMargin,
                                     qvPrintOption.MMTopMargin, BaseScale() * m_nav.Rate(),
                                     palette().color(QPalette::Button));
    imgPreview->setPixmap(QPixmap::fromImage(img));
    imgPreview->resize(img.size());
    updateActions();
}

bool TfrmPreview::ShowWindow()
{
    TfrmMain* main = TfrmMain::instance();
    TfrmPreview preview(main);
    preview.ShowPage();
    const bool mainVisible = main && main->isVisible();
    if (main) {
        preview.setGeometry(main->geometry());
        preview.setWindowState(main->windowState());
    }
    if (mainVisible)
        main->hide();
    int result = QDialog::Rejected;
    try {
        result = preview.exec();
    } catch (...) {
        if (mainVisible)
            main->show();
        throw;
    }
    if (mainVisible)
        main->show();
    return result == QDialog::Accepted;
}

} // namespace qv
