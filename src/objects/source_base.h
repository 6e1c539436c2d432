#pragma once
// TfrmSourceBase: what the trigger window and the procedure/function source window share.
// Both show an object's source text in the editor of the source page (the header rewritten to
// "CREATE <KIND> [schema].[name]") and create or replace the object by running that text
// themselves: inside one transaction the old object is dropped, the editor's batches run in
// order, then what the drop lost is put back (permissions, extended properties, a trigger's
// disabled state), and the transaction commits — or rolls back at the first error, whose lines
// are listed under the editor with the server's line numbers mapped to editor lines. The
// source before and after a successful compile goes to the source history.
#include "objects/source_text.h"
#include "tables/define_frame.h"

class QListWidget;
class QSplitter;

namespace qv {

class TfrmSourceBase : public TfrmDefine {
    Q_OBJECT
public:
    QSplitter* spl1 = nullptr;        // editor / error list
    QListWidget* lstError = nullptr;  // the error lines of the last failed compile
    QWidget* tabCross = nullptr;      // dependency page
    int SaveHeight = 0;               // the last height of the error list

    // The own compile on the source page (other pages: the frame's apply road).
    void Compile() override;
    void ChangedIsNew() override;
    // Leaving the name, schema or database field: the template when the editor is blank, else
    // the header follows a new schema or name.
    void txtNameExit(QWidget* left);
    // Double-click on an error line: caret to the editor line it names.
    void lstErrorDblClick();
    // The error list is shown (after a failed compile).
    bool ErrorsShown() const;

    // The source text as LoadSource gives it (the window's own editor is not touched).
    QStringList LoadSource();
    QStringList GetSourceDrop();

protected:
    // errorsUnderPages: the error list sits under the page control across the window (trigger
    // window); otherwise inside the source page, under the editor.
    TfrmSourceBase(QObject* owner, const DefineKind& kind, const DefineArgs& args, bool scriptMode,
                   source::Kind sourceKind, bool errorsUnderPages);

    source::Kind SourceKind() const { return m_sourceKind; }
    QString Database() const;
    QString Schema() const;
    QString Name() const;

    // The kind's template for a blank editor (name and schema as typed).
    virtual QStringList Template() const = 0;
    // Called after an existing object was read (the trigger takes its table here).
    virtual void SourceRead(const QString& text) { Q_UNUSED(text); }
    // The page's own frame after a load (dependency or privileges page).
    virtual void ShowPageFrame();
    // Fills the editor for a new object (the trigger window's template with a table).
    virtual void NewObjectText(QStringList& lines) { Q_UNUSED(lines); }
    // The error list was shown or hidden.
    virtual void ErrorsChanged() {}

    void ShowData(bool isDrop) override;
    QStringList GetDDL() override { return {}; }
    QStringList ScriptText(bool isDrop) override;
    QString DropStatement() override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // A page saying that its frame is not built into this window yet.
    QWidget* StubPage(const QString& objectName, const QString& text);

private:
    void DoOwnCompile();
    void ShowErrors(const QStringList& items);
    void HideErrors();
    QStringList UseLines() const;
    void ReplaceInHeader(const QString& oldText, const QString& newText, int times);

    source::Kind m_sourceKind;
    QStringList m_script;
};

} // namespace qv
