#pragma once
// The program's own notes, warnings, errors and questions: modal message boxes captioned with
// the application title that return the button pressed, and two small input dialogs.
#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QVariant>

class QCheckBox;
class QLabel;

namespace qv {

class TqvComboBox;
class TqvStrEdit;

// Flags: buttons in the low four bits, the icon in bits 4 to 6, the default button in 8 and 9.
enum : int {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_DEFBUTTON4 = 0x300,
};

// Results: the button pressed.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// A check list entry: the caption and the caller's Boolean that gives the initial state and
// receives the final one.
struct CheckItem {
    QString caption;
    bool* value = nullptr;
};
using CheckList = QList<CheckItem>;

// The caption of every box: the application title.
QString applicationTitle();

// The message box for text and flags, not yet shown (owner: parent).
QMessageBox* createMessageBox(const QString& text, int flags, QWidget* parent = nullptr);
// The button id (IDOK …) of a standard button; 0 for none.
int messageBoxResult(QMessageBox::StandardButton b);

int ShowMessageBox(const QString& text, int flags);
// printf-like formatting ("%s", "%d", "%x", "%f", "%g", "%e", "%n", "%u", "%%", with width,
// precision and '-') of text with args, then ShowMessageBox.
int ShowMessageBoxFmt(const QString& text, const QVariantList& args, int flags);
QString FormatText(const QString& text, const QVariantList& args);

// A message with one check box per list item; writes every state back, whatever the button.
int ShowCheckMessageBox(const QString& text, int flags, const CheckList& checks);

// The layout unit of the input dialogs: average width of "A"–"Z" and "a"–"z" (rounded down)
// and the height of that text, in the widget's font.
QSize GetAveCharSize(const QWidget* w);

// One value (numeric: at most 9 digits; text: at most 255 characters), optionally a
// destination owner picked from ownerList ("コピー先所有者") and check boxes. True on OK.
bool ShowInputDialog(const QString& caption, const QString& prompt, QString& value, bool numeric,
                     QString& owner, const QStringList& ownerList, const CheckList& checks);

// Source and destination database names. True on OK.
bool InputCopyDatabases(const QString& caption, const QString& prompt, QString& sourceDB, QString& destDB);

// The dialogs themselves, for the functions above and for tests.
class CheckMessageDialog : public QDialog {
    Q_OBJECT
public:
    CheckMessageDialog(const QString& text, int flags, const CheckList& checks, QWidget* parent = nullptr);
    int buttonId() const { return m_result; }
    QList<QCheckBox*> checkBoxes;
    QLabel* message = nullptr;

public slots:
    void reject() override; // Esc and the close box: Cancel where there is one, OK when alone

private:
    int m_result = 8;
    bool m_escape = true;
    int m_escapeId = IDOK;
};

class InputDialog : public QDialog {
    Q_OBJECT
public:
    InputDialog(const QString& caption, const QString& prompt, const QString& value, bool numeric,
                const QString& owner, const QStringList& ownerList, const CheckList& checks,
                QWidget* parent = nullptr);
    TqvStrEdit* valueEdit = nullptr;
    TqvComboBox* ownerBox = nullptr; // null without an owner list
    QList<QCheckBox*> checkBoxes;
};

class CopyDatabasesDialog : public QDialog {
    Q_OBJECT
public:
    CopyDatabasesDialog(const QString& caption, const QString& prompt, const QString& sourceDB,
                        const QString& destDB, QWidget* parent = nullptr);
    TqvStrEdit* sourceEdit = nullptr;
    TqvStrEdit* destEdit = nullptr;
};

} // namespace qv
