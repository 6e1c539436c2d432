#pragma once
// TfrmTemplate ("SQLリファレンス"): the syntax templates of the program folder's ".tpl" files in a
// tree with a find box, the selected item's text with the items it refers to, and a version
// choice when there are several files.
#include "sql/sql_template.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

namespace qv {

class TfrmTemplate : public QWidget {
    Q_OBJECT
public:
    // folder: where the ".tpl" files are (the program folder).
    TfrmTemplate(const QString& folder, const QString& selectWord, QWidget* parent = nullptr);
    ~TfrmTemplate() override;

    // Opens a new window with the word to look for.
    static TfrmTemplate* ShowWindow(const QString& selectWord, QWidget* owner);

    // Reads the file of the chosen version and builds the tree.
    void LoadVersion();
    // Builds the tree for the find box's text and shows its first match.
    void BuildTree();
    QStringList ShownLines() const;

    QLineEdit* txtFind = nullptr;
    QLabel* lblVersion = nullptr;
    QComboBox* cmbVersion = nullptr;
    QTreeWidget* lstTemplate = nullptr;
    QPlainTextEdit* txtSQL = nullptr;

private:
    void showItem();
    void saveSettings();
    QString m_folder;
    TemplateDoc m_doc;
    QString m_builtFind;
};

} // namespace qv
