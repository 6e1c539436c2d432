#pragma once
// The support information: what a support desk asks for, gathered from the program, the
// current connection's ODBC driver, the client-tool settings and the system, and the window
// that shows it for copying and printing.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <optional>

class QAction;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace qv {

class IConnectionWindow;

struct SupportFacts {
    QString programPath;
    QString bitness;                      // GetExeBitness of the program
    std::optional<QString> driverName;    // none: no current connection
    QString driverVersion;
    QString msExe, dtsExe, spfExe;
    QString osName;                       // PRETTY_NAME of os-release
    QString osBits;                       // "64ビット" / "32ビット"
    QString osVersion;                    // VERSION_ID of os-release
    QString kernel;                       // kernel name and release
    QString userName;
    QString groups;                       // the user's groups, comma separated
    double memoryMB = 0;
    QString path;                         // PATH as it is
};

// The support text, line by line.
QStringList SupportLines(const SupportFacts& facts);
// The facts of this process and system, with the driver of `current` (may be null).
SupportFacts GatherSupportFacts(IConnectionWindow* current);

// System information.
// A value of an os-release text ("KEY=value" lines, value optionally quoted); Default when missing.
QString OsReleaseValue(const QString& text, const QString& key, const QString& def);
// Total physical memory in megabytes from a /proc/meminfo text; 0 when it is not there.
double MemTotalMB(const QString& meminfo);
double GetTotalMemoryMB();
// The memory line's text: whole megabytes and " MB", or "Unknown" for 0 or less.
QString MemoryText(double mb);
// The current user's name and groups.
QString CurrentUserName();
QStringList CurrentUserGroups();

class TfrmSupport : public QDialog {
    Q_OBJECT
public:
    TfrmSupport(const QStringList& lines, QWidget* parent = nullptr);
    static int ShowWindow();

    void actCopyExecute();
    void actPrintExecute();

    QPlainTextEdit* txtSupport = nullptr;
    QToolButton* btnOutput = nullptr;
    QAction* actCopy = nullptr;
    QAction* actPrint = nullptr;
    QPushButton* btnOk = nullptr;
};

} // namespace qv
