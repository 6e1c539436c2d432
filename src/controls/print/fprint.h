#pragma once
// The print dialog and the program's text printer. A window prints by calling
// TfrmPrint::ShowWindow with a title and its print procedure; the procedure calls BeginPrint,
// PrintSource once or more and EndPrint (also when it fails). The dialog then sends the stored
// pages to the printer or shows them in the preview.
#include <QDialog>
#include <QStringList>

#include <functional>

#include "controls/print/print_text.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace qv {

class TfrmPrint : public QDialog {
    Q_OBJECT
public:
    static void ShowWindow(const QString& title, const std::function<void()>& printProc);
    static void BeginPrint();
    static void EndPrint();
    static void PrintSource(const QString& title, const QStringList& source, bool resetPageNumber);

    // The PDF file name when the file output is chosen (tests answer here; default: a save dialog).
    static std::function<QString(QWidget* parent, const QString& proposed)> FileNameHook;
    // The print dialog state: 0 finished, 1 dialog / print, 2 preview.
    static int State();

    explicit TfrmPrint(QWidget* parent = nullptr);

    QComboBox* cmbPrinterName = nullptr;
    QPushButton* btnProperty = nullptr;
    QSpinBox* txtCopies = nullptr;
    QCheckBox* chkCollate = nullptr;
    QRadioButton* rdoPortrait = nullptr;
    QRadioButton* rdoLandscape = nullptr;
    QSpinBox* txtTopMargin = nullptr;
    QSpinBox* txtBottomMargin = nullptr;
    QSpinBox* txtLeftMargin = nullptr;
    QSpinBox* txtRightMargin = nullptr;
    QRadioButton* rdoAllPages = nullptr;
    QRadioButton* rdoSelectPages = nullptr;
    QLineEdit* txtRangeFrom = nullptr;
    QLabel* lblRange = nullptr;
    QLineEdit* txtRangeTo = nullptr;
    QListWidget* lstFontName = nullptr;
    QSpinBox* txtFontSize = nullptr;
    QPushButton* btnPrint = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnHelp = nullptr;

    void btnPrintClick();
    void btnPreviewClick();
    void ApplyPrinter();
    void LoadOptions();
    void ApplyDeviceSettings();
    void StoreOptions();
    PrintRunSettings RunSettings() const;

private:
    bool checkMargins();
    void updateStates();
    void btnPropertyClick();

    QString m_title;
};

} // namespace qv
