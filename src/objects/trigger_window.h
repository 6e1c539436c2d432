#pragma once
// TfrmTrigger: the source window of one DML trigger (object type 57). The source page holds the
// trigger's text with its header rewritten to "CREATE TRIGGER [schema].[name]"; the own compile
// drops and re-creates the trigger in one transaction and keeps its disabled state and
// extended properties. The error list sits under the pages across the window.
#include "objects/source_base.h"
#include "tables/define_script.h"

class QIODevice;

namespace qv {

class TfrmTrigger : public TfrmSourceBase {
    Q_OBJECT
public:
    // tableName: the table of a new trigger (its template names it); may be empty. Raises
    // EAbort (no window) when the trigger's window is already open or it cannot be read.
    TfrmTrigger(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                TOpenMode mode, const QString& tableName = QString());

    // The class-level script routine (see define_script.h): ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream);

    // The table the trigger belongs to (the catalog's parent once an existing trigger is read).
    QString TblName;

protected:
    QStringList Template() const override;
    void SourceRead(const QString& text) override;
    void NewObjectText(QStringList& lines) override;

private:
    TfrmTrigger(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                TOpenMode mode, const QString& tableName, bool scriptMode);
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace qv
