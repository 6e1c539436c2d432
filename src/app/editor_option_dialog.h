#pragma once
// The editor options dialog "エディタオプション": the look and typing behaviour of every SQL
// editor, the token colours, the reserved words, the formatter layout, the completion options
// and the shortcuts. It edits a copy of the editor settings shown live on a sample editor;
// only OK copies the copy back, and the caller then re-applies it to the open editors.
#include "app/editor_settings.h"

#include <QDialog>
#include <QHash>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace qv {

class ShortcutTree;
class TfraFormatOption;
class TqvMemo;

class TfrmEditorOption : public QDialog {
    Q_OBJECT
public:
    TfrmEditorOption(EditorPropertySet& editorProp, QObject* actionOwner, QWidget* parent = nullptr);
    ~TfrmEditorOption() override;

    // Shows the dialog on the given settings; true after OK with everything applied.
    static bool ShowWindow(EditorPropertySet& editorProp);
    // Copies the program's editor settings onto every open SQL editor (except the dialogs'
    // samples).
    static void ApplyToOpenEditors();

    void btnOkClick();

    // The settings as edited so far.
    const EditorPropertySet& edited() const { return m_edit; }

    // Controls (tests reach them here).
    QTabWidget* pages = nullptr;
    TqvMemo* txtSample = nullptr;
    QComboBox* lstFontName = nullptr;
    QHash<QString, QSpinBox*> spins;   // "FontSize", "TabSize", "WarpLength", "MarginChar", …, "CodeAssistDelayTime"
    QHash<QString, QCheckBox*> checks; // "WordWrap", "LeftBarVisible", …, "FreeCaret", …, "ShowToolPalette"
    QButtonGroup* rdoRulerRange = nullptr;
    QListWidget* lstColors = nullptr;
    QGroupBox* grpColor = nullptr;
    QPushButton* pnlForeColor = nullptr;
    QPushButton* pnlBackColor = nullptr;
    QCheckBox* chkForeNone = nullptr;
    QCheckBox* chkBackNone = nullptr;
    QCheckBox* chkBold = nullptr;
    QCheckBox* chkULine = nullptr;
    QCheckBox* chkVisible = nullptr;
    QPlainTextEdit* txtReserve = nullptr;
    QPushButton* btnInitReserveword = nullptr;
    TfraFormatOption* fraFormat = nullptr; // the "SQL整形" page
    ShortcutTree* lstShortCut = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    QWidget* page(const QString& caption) const;
    // A colour panel takes a colour (what the colour dialog does on confirm) and the change is
    // shown at once.
    void setPanelColor(QPushButton* panel, TColor color);

private:
    void buildDisplayPage();
    void buildColorPage();
    void buildEditingPage();
    void buildReservePage();
    void buildFormatPage();
    void buildKeyPage(QObject* actionOwner);
    void loadControls();
    void applyDisplay();
    void applyColor();
    void applyEditing();
    void showColorItem(int index);
    void renderSample();
    void pickColor(QPushButton* panel);
    TColor panelColor(QPushButton* panel) const;

    EditorPropertySet& m_target;
    EditorPropertySet m_edit;
    bool m_enableEvent = false;
    QHash<QPushButton*, TColor> m_panelColors;
};

// The standard colour dialog with the 16 custom colours kept under the settings key COLORS.
// True with color set when the user confirms.
bool ExecuteColorDialog(QWidget* owner, TColor& color);

} // namespace qv
