#pragma once
// TfraMemo: the SQL editing surface of the SQL window and the definition windows. The SQL
// editor with a header tool bar, file open and save in the text-file encoding, and the answer
// to the editor's completion request.
#include "app/code_assist.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QToolBar;

namespace qv {

class TqvMemo;
class TqvCodeAssist;

// Hands the rows of `list` to a new completion list of `edit` at the caret pixel position
// (x, y) and opens it. Returns the list (owned by `owner`).
TqvCodeAssist* FillCodeAssist(TqvMemo* edit, QWidget* owner, const CodeAssistList& list, int x, int y,
                              const QStringList& reservedWords);

class TfraMemo : public QWidget {
    Q_OBJECT
public:
    explicit TfraMemo(QWidget* parent = nullptr);

    TqvMemo* txtSQL = nullptr;
    QToolBar* tlbHeader = nullptr;
    QLabel* lblFileName = nullptr;
    QAction* actOpenFile = nullptr;
    QAction* actSaveFile = nullptr;
    QAction* actSaveNewFile = nullptr;

    // Fills the catalog part of a completion request (query, database, schema, server
    // version) from the window's connection; false when there is none. Unset: no list.
    std::function<bool(CodeAssistRequest&)> CodeAssistContext;
    // The file-name proposal of "save as"; "Script.sql" when unset or empty.
    std::function<QString()> DefaultFileName;

    const QString& OpenFilePath() const { return m_openFilePath; }

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

    // The editor's completion request at caret pixel (x, y).
    void CodeAssistRequested(int x, int y);

protected:
    bool event(QEvent* e) override;

private:
    void UpdateActions();
    QString m_openFilePath;
};

} // namespace qv
