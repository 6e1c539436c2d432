#pragma once
// The options dialog "オプション": the general options on eight pages and the shortcuts of the
// main window's actions. It edits the option records in memory only; OK validates, then
// stores every page at once, and cancel leaves every record as it was.
#include <QDialog>
#include <QHash>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace qv {

class IConnectionWindow;
class ShortcutTree;
class TfraFormatOption;
class TqvNumEdit;

class TfrmOption : public QDialog {
    Q_OBJECT
public:
    // owner: the current connection window (none: the external-scripts controls are off and
    // OK leaves every session alone); actionOwner: the main window, whose actions carry the
    // shortcuts.
    TfrmOption(IConnectionWindow* owner, QObject* actionOwner, QWidget* parent = nullptr);
    ~TfrmOption() override;

    // Shows the dialog modally for the current connection; true after OK.
    static bool ShowWindow();

    // OK: validates, asks, applies; the dialog closes only when everything was applied.
    void btnOkClick();

    // Controls, by the name of the option they edit (tests reach them here).
    QTabWidget* pages = nullptr;
    QHash<QString, QCheckBox*> checks;      // "UserFirst", … ; "Script" for external scripts
    QHash<QString, QToolButton*> typeButtons; // "ShowTable", …
    QHash<QString, QButtonGroup*> radios;   // "TreeSort", "DataShowMode", …
    QHash<QString, QComboBox*> combos;      // "OpenMode", "DateFormat", "TimeFormat", "ExcelLeft", "Encoding", "CSVLineBreak"
    QHash<QString, TqvNumEdit*> numbers;    // "SQLBuf", "ExcelTop" ("開始行", from 1), …
    QHash<QString, QLineEdit*> texts;       // folders and files: "TempDir", "MS_EXE", …
    QHash<QString, QListWidget*> fontLists; // "DataFontName", "DiagramFontName", "GridFontName"
    QHash<QString, QLabel*> samples;        // by font field
    ShortcutTree* lstShortCut = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnScriptExec = nullptr;
    TfraFormatOption* fraFormat = nullptr; // the hidden "整形出力" page

    // The page with this caption.
    QWidget* page(const QString& caption) const;

private:
    void buildObjectListPage();
    void buildDefinitionPage();
    void buildSqlPage();
    void buildDataPage();
    void buildKeyPage(QObject* actionOwner);
    void buildOutputPage();
    void buildOutput2Page();
    void buildAdvancedPage();
    void buildFormatPage();
    void loadControls();
    void storeControls();
    void btnScriptexecClick();
    void showPageOf(QWidget* w);
    void updateDependents();

    IConnectionWindow* m_owner;
    int m_loadedTreeSort = 0;
    // Inverse pairs: load a control from the records, store it back.
    QList<std::function<void()>> m_loaders;
    QList<std::function<void()>> m_storers;
};

} // namespace qv
