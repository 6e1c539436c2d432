#pragma once
// TfraMemo: the SQL editing surface of the SQL window and the definition windows. The SQL
// editor with a header tool bar (the main window's edit commands), file open and save in the
// text-file encoding, font zoom, row marks, the answer to the editor's completion request and
// a collapsible tool palette on the right.
#include "app/code_assist.h"
#include "sql/memo_text.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QSpinBox;
class QToolBar;
class QToolButton;

namespace qv {

class IConnectionWindow;
class TqvMemo;
class TqvObjectPalette;
class TqvCodeAssist;
class TfraMemoConvert;

// Hands the rows of `list` to a new completion list of `edit` at the caret pixel position
// (x, y) and opens it. Returns the list (owned by `owner`).
TqvCodeAssist* FillCodeAssist(TqvMemo* edit, QWidget* owner, const CodeAssistList& list, int x, int y,
                              const QStringList& reservedWords);

// One collapsible section of the tool palette: a header button with the caption and the
// section's content below it.
class TqvCategoryPanel : public QWidget {
    Q_OBJECT
public:
    TqvCategoryPanel(const QString& caption, QWidget* parent = nullptr);
    QString Caption() const;
    bool Collapsed() const { return m_collapsed; }
    void SetCollapsed(bool value);
    QToolButton* Header() const { return m_header; }
    // The section's content area.
    QWidget* Body() const { return m_body; }

signals:
    void expanded(); // the user or the program opened the section

private:
    QToolButton* m_header;
    QWidget* m_body;
    bool m_collapsed = false;
};

class TfraMemo : public QWidget {
    Q_OBJECT
public:
    explicit TfraMemo(QWidget* parent = nullptr);
    ~TfraMemo() override;

    TqvMemo* txtSQL = nullptr;
    QWidget* pnlHeader = nullptr;
    QToolBar* tlbHeader = nullptr;
    QLabel* lblFileName = nullptr;
    QWidget* splPalette = nullptr; // the palette's sizing bar
    QLabel* pnlPaletteOpen = nullptr;
    QWidget* pnlToolPalette = nullptr;
    QWidget* ctgToolPalette = nullptr;
    TqvCategoryPanel* cpnlObjTree = nullptr;
    TqvCategoryPanel* cpnlRefSearch = nullptr;
    TqvCategoryPanel* cpnlConvert = nullptr;
    TqvCategoryPanel* cpnlEditFunc = nullptr;
    TfraMemoConvert* fraConvert = nullptr; // the conversion panel of cpnlConvert
    QWidget* pnlToolPaletteFooter = nullptr;
    QSpinBox* spnFontSize = nullptr;
    QToolButton* btnToolPaletteClose = nullptr;
    // The object tree and reverse search sections.
    TqvObjectPalette* palette = nullptr;

    QAction* actOpenFile = nullptr;
    QAction* actSaveFile = nullptr;
    QAction* actSaveNewFile = nullptr;
    QAction* actOpenSqlTemplate = nullptr;
    QAction* actOpenEditOption = nullptr;
    QAction* actSetRowMark = nullptr;
    QAction* actRowMarkNext = nullptr;
    QAction* actRowMarkPrev = nullptr;
    QAction* actShowPalette = nullptr;
    QAction* actHidePalette = nullptr;

    // Fills the catalog part of a completion request (query, database, schema, server
    // version) from the window's connection; false when there is none. Unset: no list.
    std::function<bool(CodeAssistRequest&)> CodeAssistContext;
    // The file-name proposal of "save as"; when unset or empty the name comes from the owner
    // window's type and its name boxes (SaveFileProposal).
    std::function<QString()> DefaultFileName;

    const QString& OpenFilePath() const { return m_openFilePath; }
    // The connection window whose connection the frame uses; null until ShowData.
    IConnectionWindow* OwnerForm() const { return m_ownerForm; }

    // Prepares the frame in its window (editor settings, palette); does nothing unless the
    // frame sits in a child window (TqvForm). May run more than once.
    void ShowData();
    // The window switched connections: the frame takes the window's new one.
    void DBChanged();

    // Replaces the editor text with the files (sorted by name), read in the text-file
    // encoding; `shownName` becomes the open file. Read errors propagate.
    void OpenFiles(QStringList fileNames, const QString& shownName);
    // Writes the editor lines to `fileName` in the text-file encoding without a byte-order
    // mark and clears the modified flag. Errors propagate.
    void WriteFile(const QString& fileName);

    // The commands of the tool bar (with their dialogs and questions).
    void OpenFile();
    void SaveFile();
    void SaveNewFile();
    // The file name "save as" proposes (without folder and before numbering).
    QString SaveFileProposal() const;

    // The editor's completion request at caret pixel (x, y).
    void CodeAssistRequested(int x, int y);

    // Display width of a text in this editor's columns.
    int StrByteLength(const QString& text) const;

    // The tool palette.
    void ShowPalette();
    void HidePalette();
    bool PaletteShown() const;
    // The palette's width (0 while hidden); set while hidden, the width it reopens at.
    int PaletteWidth() const;
    void SetPaletteWidth(int width);
    // Expands one section and collapses the others.
    void ExpandCategory(TqvCategoryPanel* panel);

    // Zoom: `steps` wheel notches up (positive) or down, clamped to 6..50.
    void ZoomBy(int steps);

    // The application lost the focus: box selection and the Alt-key state end.
    void ApplicationDeactivated();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    QAction* addMainAction(const QString& name, const QString& ownName = {}, const QString& ownCaption = {});
    void BuildPalette();
    void Initialize();
    void UpdateActions();
    void SetFontSize(int size);
    // A Ctrl+wheel event zooms (whole notches in *notches); false for any other wheel.
    bool HandleWheel(QWheelEvent* e, int* notches = nullptr);
    QWidget* OwnerWindow() const;

    QString m_openFilePath;
    IConnectionWindow* m_ownerForm = nullptr;
    int m_width = kPaletteDefaultWidth; // the palette's width while shown
    int m_paletteWidth = 0;             // remembered while the palette is hidden
    int m_wheelRemainder = 0;
};

} // namespace qv
