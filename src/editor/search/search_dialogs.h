#pragma once
// The find and replace dialogs of the SQL editor. Each remembers its position, its check
// boxes and a history of at most 32 entries per text field in the settings store (keys
// EDITOR\SEARCH and EDITOR\REPLACE below the program's settings root); the two share the
// search history and the "not found" and "search again" choices.
#include "editor/search/text_search.h"

#include <QDialog>
#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace qv {

// "QVS" + major version, + "R" when the program file name contains "qvsr" (letter case kept).
QString EditorSettingsRootName(const QString& programFileName, int majorVersion);

// Moves Text to the top of a history list (removing an equal entry, letter case respected)
// and keeps at most 32 entries.
void PushHistory(QStringList& history, const QString& text);
inline constexpr int kSearchHistoryMax = 32;

class TfrmEditSearchBase : public QDialog {
    Q_OBJECT
public:
    // Tests replace the modal loop: the hook gets the shown dialog and presses its buttons.
    static std::function<void(TfrmEditSearchBase*)> ShowHook;

    QComboBox* cmbSearch = nullptr;
    QComboBox* cmbReplace = nullptr;
    QCheckBox* chkMatchCase = nullptr;
    QCheckBox* chkWholeWord = nullptr;
    QCheckBox* chkIncludeCRLF = nullptr;
    QCheckBox* chkNotFindMsg = nullptr;
    QCheckBox* chkResearch = nullptr;
    QPushButton* btnFindNext = nullptr;
    QPushButton* btnFindPrev = nullptr;
    QPushButton* btnReplace = nullptr;
    QPushButton* btnAllReplace = nullptr;
    QPushButton* btnCancel = nullptr;

    QString QV_VER;
    QString L_sSearchText;
    QString L_sReplaceText;
    TSearchOptions L_wSearchOptions = 0;
    bool L_bNotFindMsg = false;
    bool L_bResearch = false;

protected:
    explicit TfrmEditSearchBase(bool replace, QWidget* parent);
    // Shows the dialog (or runs the test hook); saves the position afterwards.
    bool Run();
    // The kept options with the dialog's three check boxes applied.
    TSearchOptions CheckedOptions() const;
    void LoadState();
    void Commit();
    void PlaceDialog();
    void SavePosition();
    QString KeyPath(const QString& sub = QString()) const;
    void Press(TSearchOptions set, TSearchOptions clear);

    bool m_replace;
};

class TfrmEditSearch : public TfrmEditSearchBase {
    Q_OBJECT
public:
    explicit TfrmEditSearch(QWidget* parent = nullptr);
    static bool Execute(QString& ioSearchText, TSearchOptions& ioSearchOptions, bool& ioResearch,
                        bool& ioNotFindMsg, QWidget* parent = nullptr);
};

class TfrmEditReplace : public TfrmEditSearchBase {
    Q_OBJECT
public:
    explicit TfrmEditReplace(QWidget* parent = nullptr);
    static bool Execute(QString& ioSearchText, QString& ioReplaceValue, bool& ioResearch, bool& ioNotFindMsg,
                        TSearchOptions& ioSearchOptions, QWidget* parent = nullptr);
};

} // namespace qv
