#include "controls/print/fprint.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPageSetupDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/editor_settings.h"
#include "app/globals.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "controls/print/fpreview.h"

namespace qv {

namespace {

int g_state = 0;
std::unique_ptr<TextPrintJob> g_job;

TextPrintJob& job()
{
    if (!g_job)
        g_job = std::make_unique<TextPrintJob>(PrintData(), Printer());
    return *g_job;
}

TextPrintSettings currentSettings()
{
    TextPrintSettings s;
    s.MMLeftMargin = qvPrintOption.MMLeftMargin;
    s.MMTopMargin = qvPrintOption.MMTopMargin;
    s.MMRightMargin = qvPrintOption.MMRightMargin;
    s.MMBottomMargin = qvPrintOption.MMBottomMargin;
    s.FontName = qvPrintOption.FontName;
    s.FontSize = qvPrintOption.FontSize;
    s.TabSpaceCount = prpEditor.Caret.TabSpaceCount;
    return s;
}

QSpinBox* marginBox(QWidget* parent)
{
    auto* b = new QSpinBox(parent);
    b->setRange(0, 100);
    return b;
}

} // namespace

std::function<QString(QWidget*, const QString&)> TfrmPrint::FileNameHook;

int TfrmPrint::State()
{
    return g_state;
}

void TfrmPrint::BeginPrint()
{
    if (Printer().DPI().Width == 0)
        Printer().Refresh();
    job().BeginPrint();
}

void TfrmPrint::EndPrint()
{
    job().EndPrint();
}

void TfrmPrint::PrintSource(const QString& title, const QStringList& source, bool resetPageNumber)
{
    job().PrintSource(title, source, resetPageNumber, currentSettings());
}

TfrmPrint::TfrmPrint(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("印刷"));
    setObjectName(QStringLiteral("frmPrint"));

    auto* grpPrinter = new QGroupBox(QStringLiteral(" プリンタ "), this);
    auto* lblPrinter = new QLabel(QStringLiteral("プリンタ名(&N)"), grpPrinter);
    cmbPrinterName = new QComboBox(grpPrinter);
    cmbPrinterName->setMinimumContentsLength(24);
    lblPrinter->setBuddy(cmbPrinterName);
    btnProperty = new QPushButton(QStringLiteral("プロパティ(&P)..."), grpPrinter);
    auto* printerLay = new QHBoxLayout(grpPrinter);
    printerLay->addWidget(lblPrinter);
    printerLay->addWidget(cmbPrinterName, 1);
    printerLay->addWidget(btnProperty);

    auto* grpCopies = new QGroupBox(QStringLiteral(" 部数 "), this);
    txtCopies = new QSpinBox(grpCopies);
    txtCopies->setRange(0, 9999); // checked when printing: 1 to MaxCopies
    txtCopies->setValue(1);
    chkCollate = new QCheckBox(QStringLiteral("部単位で印刷"), grpCopies);
    auto* copiesLay = new QVBoxLayout(grpCopies);
    copiesLay->addWidget(txtCopies);
    copiesLay->addWidget(chkCollate);
    copiesLay->addStretch();

    auto* grpOrientation = new QGroupBox(QStringLiteral(" 用紙方向 "), this);
    rdoPortrait = new QRadioButton(QStringLiteral("縦"), grpOrientation);
    rdoLandscape = new QRadioButton(QStringLiteral("横"), grpOrientation);
    auto* orientLay = new QVBoxLayout(grpOrientation);
    orientLay->addWidget(rdoPortrait);
    orientLay->addWidget(rdoLandscape);
    orientLay->addStretch();

    auto* grpMargins = new QGroupBox(QStringLiteral(" 余白(mm) "), this);
    txtTopMargin = marginBox(grpMargins);
    txtBottomMargin = marginBox(grpMargins);
    txtLeftMargin = marginBox(grpMargins);
    txtRightMargin = marginBox(grpMargins);
    auto* marginLay = new QGridLayout(grpMargins);
    marginLay->addWidget(new QLabel(QStringLiteral("上"), grpMargins), 0, 0);
    marginLay->addWidget(txtTopMargin, 0, 1);
    marginLay->addWidget(new QLabel(QStringLiteral("下"), grpMargins), 0, 2);
    marginLay->addWidget(txtBottomMargin, 0, 3);
    marginLay->addWidget(new QLabel(QStringLiteral("左"), grpMargins), 1, 0);
    marginLay->addWidget(txtLeftMargin, 1, 1);
    marginLay->addWidget(new QLabel(QStringLiteral("右"), grpMargins), 1, 2);
    marginLay->addWidget(txtRightMargin, 1, 3);

    auto* grpRange = new QGroupBox(QStringLiteral(" 印刷範囲 "), this);
    rdoAllPages = new QRadioButton(QStringLiteral("すべて(&A)"), grpRange);
    rdoSelectPages = new QRadioButton(QStringLiteral("ページ指定(&G)"), grpRange);
    txtRangeFrom = new QLineEdit(grpRange);
    txtRangeTo = new QLineEdit(grpRange);
    for (QLineEdit* e : {txtRangeFrom, txtRangeTo}) {
        e->setValidator(new QIntValidator(0, 99999, e));
        e->setMaxLength(5);
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    }
    lblRange = new QLabel(QStringLiteral("～"), grpRange);
    rdoAllPages->setChecked(true);
    auto* rangeLay = new QGridLayout(grpRange);
    rangeLay->addWidget(rdoAllPages, 0, 0, 1, 4);
    rangeLay->addWidget(rdoSelectPages, 1, 0);
    rangeLay->addWidget(txtRangeFrom, 1, 1);
    rangeLay->addWidget(lblRange, 1, 2);
    rangeLay->addWidget(txtRangeTo, 1, 3);
    rangeLay->setColumnStretch(4, 1);

    auto* grpFont = new QGroupBox(QStringLiteral(" フォント "), this);
    lstFontName = new QListWidget(grpFont);
    lstFontName->setSortingEnabled(true);
    lstFontName->setMinimumHeight(lstFontName->fontMetrics().height() * 6);
    lstFontName->setMinimumWidth(lstFontName->fontMetrics().horizontalAdvance(QStringLiteral("Noto Sans Mono CJK JP")) + 40);
    txtFontSize = new QSpinBox(grpFont);
    txtFontSize->setRange(1, 999);
    auto* sizeLay = new QHBoxLayout;
    sizeLay->addWidget(new QLabel(QStringLiteral("サイズ"), grpFont));
    sizeLay->addWidget(txtFontSize);
    sizeLay->addWidget(new QLabel(QStringLiteral("pt."), grpFont));
    sizeLay->addStretch();
    auto* fontLay = new QVBoxLayout(grpFont);
    fontLay->addWidget(lstFontName, 1);
    fontLay->addLayout(sizeLay);

    btnPrint = new QPushButton(QStringLiteral("印刷"), this);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnPreview = new QPushButton(QStringLiteral("プレビュー"), this);
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnPrint->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {btnPrint, btnCancel, btnPreview, btnHelp})
        buttons->addWidget(b);

    auto* grid = new QGridLayout;
    grid->addWidget(grpCopies, 0, 0);
    grid->addWidget(grpOrientation, 0, 1);
    grid->addWidget(grpMargins, 0, 2);
    grid->addWidget(grpRange, 1, 0, 1, 3);
    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addLayout(left);
    middle->addWidget(grpFont, 1);
    auto* main = new QVBoxLayout(this);
    main->addWidget(grpPrinter);
    main->addLayout(middle, 1);
    main->addLayout(buttons);

    // The printer's fonts are the installed fonts here.
    lstFontName->addItems(QFontDatabase::families());
    cmbPrinterName->addItems(Printer().PrinterNames());

    connect(btnPrint, &QPushButton::clicked, this, &TfrmPrint::btnPrintClick);
    connect(btnPreview, &QPushButton::clicked, this, &TfrmPrint::btnPreviewClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [] { HelpBinding::showContext(20400); });
    connect(btnProperty, &QPushButton::clicked, this, &TfrmPrint::btnPropertyClick);
    connect(cmbPrinterName, &QComboBox::activated, this, [this] { ApplyPrinter(); });
    connect(txtCopies, &QSpinBox::valueChanged, this, [this] { updateStates(); });
    connect(rdoAllPages, &QRadioButton::toggled, this, [this] { updateStates(); });
    connect(rdoLandscape, &QRadioButton::toggled, this, [this](bool on) {
        Printer().SetOrientation(on ? 1 : 0);
        Printer().Refresh();
    });
}

void TfrmPrint::updateStates()
{
    chkCollate->setEnabled(txtCopies->value() > 1);
    const bool range = rdoSelectPages->isChecked();
    txtRangeFrom->setEnabled(range);
    txtRangeTo->setEnabled(range);
    lblRange->setEnabled(range);
}

void TfrmPrint::ApplyPrinter()
{
    TqvPrinter& p = Printer();
    if (cmbPrinterName->currentIndex() >= 0)
        p.SetPrinterIndex(cmbPrinterName->currentIndex());
    p.Refresh();
    cmbPrinterName->setCurrentIndex(p.PrinterIndex());
    txtCopies->setToolTip(QStringLiteral("1 ～ %1").arg(p.MaxCopies()));
}

void TfrmPrint::LoadOptions()
{
    (qvPrintOption.Orientation == 1 ? rdoLandscape : rdoPortrait)->setChecked(true);
    txtTopMargin->setValue(std::clamp(qvPrintOption.MMTopMargin, 0, 100));
    txtBottomMargin->setValue(std::clamp(qvPrintOption.MMBottomMargin, 0, 100));
    txtLeftMargin->setValue(std::clamp(qvPrintOption.MMLeftMargin, 0, 100));
    txtRightMargin->setValue(std::clamp(qvPrintOption.MMRightMargin, 0, 100));
    // A font that is not installed selects the font printing falls back to.
    const QString family = ResolvePrintFontFamily(qvPrintOption.FontName);
    const auto found = lstFontName->findItems(family, Qt::MatchFixedString);
    if (!found.isEmpty()) {
        lstFontName->setCurrentItem(found.first());
        lstFontName->scrollToItem(found.first());
    }
    txtFontSize->setValue(std::clamp(qvPrintOption.FontSize, 1, 999));
    updateStates();
}

void TfrmPrint::ApplyDeviceSettings()
{
    ApplyPrinter();
    TqvPrinter& p = Printer();
    p.SetOrientation(rdoLandscape->isChecked() ? 1 : 0);
    p.BeginSetting();
    if (p.SupportCollate())
        p.PDev()->Collate = chkCollate->isChecked();
    // Collated copies on a printer that cannot collate: the program repeats the document itself.
    if (p.SupportCopies())
        p.PDev()->Copies = (chkCollate->isChecked() && !p.SupportCollate()) ? 1 : txtCopies->value();
    p.EndSetting();
    p.Refresh();
}

void TfrmPrint::StoreOptions()
{
    qvPrintOption.Orientation = rdoLandscape->isChecked() ? 1 : 0;
    qvPrintOption.MMTopMargin = txtTopMargin->value();
    qvPrintOption.MMBottomMargin = txtBottomMargin->value();
    qvPrintOption.MMLeftMargin = txtLeftMargin->value();
    qvPrintOption.MMRightMargin = txtRightMargin->value();
    if (lstFontName->currentItem())
        qvPrintOption.FontName = lstFontName->currentItem()->text();
    qvPrintOption.FontSize = txtFontSize->value();
}

PrintRunSettings TfrmPrint::RunSettings() const
{
    PrintRunSettings run;
    run.Copies = txtCopies->value();
    run.Collate = chkCollate->isEnabled() && chkCollate->isChecked();
    run.AllPages = rdoAllPages->isChecked();
    run.RangeFrom = txtRangeFrom->text().toInt();
    run.RangeTo = txtRangeTo->text().toInt();
    run.MMLeftMargin = txtLeftMargin->value();
    run.MMTopMargin = txtTopMargin->value();
    return run;
}

bool TfrmPrint::checkMargins()
{
    TqvPrinter& p = Printer();
    const QString family = lstFontName->currentItem() ? lstFontName->currentItem()->text()
                                                      : ResolvePrintFontFamily(qvPrintOption.FontName);
    const QFont font = PrinterFont(QFont(ResolvePrintFontFamily(family)), txtFontSize->value(), p.DPI().Height);
    const int width = p.GetPrintableWidth(txtLeftMargin->value(), txtRightMargin->value());
    const int height = p.GetPrintableHeight(txtTopMargin->value(), txtBottomMargin->value());
    if (width > 0 && height >= QFontMetrics(font).lineSpacing())
        return true;
    (height < QFontMetrics(font).lineSpacing() ? txtTopMargin : txtLeftMargin)->setFocus();
    ShowMessageBox(MarginTooLargeMessage(), MB_ICONWARNING);
    return false;
}

void TfrmPrint::btnPrintClick()
{
    const int copies = txtCopies->value();
    if (copies < 1) {
        txtCopies->setFocus();
        ShowMessageBox(QStringLiteral("印刷部数には 1 以上の値を指定して下さい。"), MB_ICONWARNING);
        return;
    }
    if (copies > Printer().MaxCopies()) {
        txtCopies->setFocus();
        ShowMessageBox(QStringLiteral("印刷部数の値を小さくして下さい。"), MB_ICONWARNING);
        return;
    }
    if (!checkMargins())
        return;
    if (Printer().IsPdf()) {
        QString proposed = Printer().OutputFileName();
        if (proposed.isEmpty())
            proposed = DocumentsDir() + QStringLiteral("print.pdf");
        const QString file = FileNameHook
            ? FileNameHook(this, proposed)
            : QFileDialog::getSaveFileName(this, TqvPrinter::PdfPrinterName(), proposed,
                                           QStringLiteral("PDF (*.pdf)"));
        if (file.isEmpty())
            return;
        Printer().SetOutputFileName(file);
    }
    g_state = 1;
    accept();
}

void TfrmPrint::btnPreviewClick()
{
    if (!checkMargins())
        return;
    g_state = 2;
    accept();
}

void TfrmPrint::btnPropertyClick()
{
    ApplyPrinter();
    Printer().SetOrientation(rdoLandscape->isChecked() ? 1 : 0);
    QPageSetupDialog dlg(Printer().qprinter(), this);
    if (dlg.exec() == QDialog::Accepted) {
        Printer().Refresh();
        (Printer().Orientation() == 1 ? rdoLandscape : rdoPortrait)->setChecked(true);
        ApplyPrinter();
    }
}

void TfrmPrint::ShowWindow(const QString& title, const std::function<void()>& printProc)
{
    if (!printProc)
        return;
    g_state = 1;
    struct Reset {
        ~Reset() { g_state = 0; }
    } reset;
    PrintRunSettings run;
    while (g_state != 0) {
        if (g_state == 1) {
            TfrmPrint dlg(TfrmMain::instance());
            dlg.m_title = title;
            dlg.ApplyPrinter();
            dlg.LoadOptions();
            g_state = 0;
            if (dlg.exec() == QDialog::Accepted) {
                dlg.ApplyDeviceSettings();
                dlg.StoreOptions();
                run = dlg.RunSettings();
                if (g_state == 1) {
                    g_state = 0;
                    printProc();
                    WaitCursor wait;
                    PrintPages(Printer(), PrintData(), title, run);
                }
            }
        } else {
            g_state = 0;
            printProc();
            if (TfrmPreview::ShowWindow())
                g_state = 1;
        }
    }
}

} // namespace qv
