#pragma once
// The version window: the product name and the version of the running program.
#include <QDialog>

class QLabel;
class QPushButton;

namespace qv {

// The program's version text; "Unknown" when the program carries none.
QString ProgramVersionText();

class TfrmRegist : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRegist(QWidget* parent = nullptr);
    // Shows the window modally over the main window; returns the modal result.
    static int ShowWindow();

    QLabel* lblProduct = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblComments = nullptr;
    QPushButton* btnClose = nullptr;
};

} // namespace qv
