#pragma once
// TfrmTBS: the definition window of a file group (object type 69) or of one database file
// (71). A grid of files with size, growth and maximum and the space used drawn as a bar; new
// files and changed settings become ALTER DATABASE statements (objects/filegroup_text.*) run
// through the definition window frame, with an open transaction committed first. An existing
// file group also lists the objects stored in it, which open in their own windows or drop.
#include "app/message_box.h"
#include "objects/filegroup_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QIODevice;
class QMenu;
class QTreeWidgetItem;

namespace qv {

class TqvListView;
class TqvStringGrid;

class TfrmTBS : public TfrmDefine {
    Q_OBJECT
public:
    // tabImage: 69 a file group, any other value a file. An empty name opens a new object.
    // Raises EAbort (no window) when the object's window is already open or it cannot be read.
    TfrmTBS(QObject* owner, const QString& database, const QString& objectName, int tabImage, TOpenMode mode);

    // The class-level script routine (see define_script.h) for kind 69 or 71: ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const QString& database, const QString& objectName,
                          int objectType, QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.database, request.name, request.objectType, stream);
    }

    // Boxes with check boxes (delete questions); tests answer them here (unset: the real box).
    static std::function<int(const QString& text, int flags, const CheckList& checks)> CheckBoxHook;
    // The folder on the server for a new file: text shown, the default folder; answers the
    // folder typed, or nothing when cancelled. Tests answer here (unset: the dialog).
    static std::function<std::optional<QString>(QWidget* parent, const QString& defaultFolder)> FolderHook;
    // The dialog of that choice: a note that the folder is the server's, the folder typed.
    static std::unique_ptr<QDialog> FolderDialog(QWidget* parent, const QString& defaultFolder);

    filegroup::Kind FileKind() const { return m_fileKind; }
    // The grid column of a value; -1 when the kind has none.
    int Column(filegroup::Field f) const;

    TqvStringGrid* grdFile = nullptr;
    QWidget* tabContents = nullptr; // the file group's stored objects (null in the file window)
    TqvListView* lstObject = nullptr;
    QMenu* mnuContents = nullptr;
    QAction* popOpen = nullptr;
    QAction* popDel = nullptr;

    // New, in script mode, or on the source page.
    bool IsCreate() const;
    QStringList GetSourceCreate() const;
    QStringList GetSourceAlter() const;
    QStringList GetSourceDrop();

    // The stored-objects list (only while its page is active).
    void ShowContents();
    void popOpenClick();
    void popDelClick();
    // The path cell's folder choice: the server's folder typed in (the dialog says why).
    void grdFileEditButtonClick();

    void LoadWindowSettings() override;
    void SaveWindowSettings() override;

protected:
    void ShowData(bool isDrop) override;
    void CheckDefinition() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    void PreviewTarget(QString& database, QString& schema, QString& name) override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;
    void PageShown() override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TfrmTBS(QObject* owner, const QString& database, const QString& objectName, int tabImage, TOpenMode mode,
            bool scriptMode);
    void InitGrid();
    void SetEditStyles();
    QString Database() const;
    QString Cell(filegroup::Field f, int row) const;
    QString SavedCell(filegroup::Field f, int row) const;
    void SetCell(filegroup::Field f, int row, const QString& value);
    filegroup::ScriptInput Input() const;
    bool SelectCell(int c, int r);
    void SetEditText(int c, int r);
    void DrawCell(QPainter& p, int c, int r, const QRect& rect);
    void PickList(int c, QStringList& items);
    void DeleteObject();
    void ApplyColumnWidths();
    static int CheckBox(const QString& text, int flags, const CheckList& checks);

    filegroup::Kind m_fileKind;
    QList<filegroup::Field> m_columns;
    QStringList FFileGroup; // the database's file groups for the pick list, read once
    bool m_loading = false;
};

} // namespace qv
