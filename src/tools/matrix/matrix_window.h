#pragma once
// TfrmMatrix "マトリックス表": the objects selected in a connection window's list as a cross
// matrix: what each refers to, what refers to each, or which columns each has. Built when the
// window opens, on "最新(&R)" and on every page change, each time from the selection of that
// moment. The statements and the grid model live in matrix_text.
#include "app/qvform.h"
#include "tools/matrix/matrix_text.h"

#include <QPointer>

class QAction;
class QMenu;
class QTabWidget;
class QTableWidget;
class QToolButton;

namespace qv {

class TfrmObject;

class TfrmMatrix : public TqvForm {
    Q_OBJECT
public:
    explicit TfrmMatrix(TfrmObject* owner);

    void Reload() override;
    matrix::Page CurrentPage() const;
    const matrix::Grid& Model() const { return m_grid; }
    void actExcelExecute();
    void actCopyExecute();
    QMenu* MergeMenu() const override { return m_menu; }

    void LoadWindowSettings() override;
    void SaveWindowSettings() override;

    QTabWidget* pagMatrix = nullptr;
    QWidget *tabObject2 = nullptr, *tabObject1 = nullptr, *tabField = nullptr;
    QTableWidget* grdMatrix = nullptr;
    QAction *actRefresh = nullptr, *actOutput = nullptr, *actExcel = nullptr, *actCopy = nullptr, *actExit = nullptr;
    QToolButton* btnOutput = nullptr;

private:
    TfrmObject* Connection() const;
    void Build();
    void BuildObject(TfrmObject* conn, const QString& database, const QString& schema, const QString& name);
    void BuildField(TfrmObject* conn, const QString& database, const QString& schema, const QString& name,
                    int type);
    void ShowGrid();
    void pagMatrixChange();

    matrix::Grid m_grid;
    QMenu* m_menu = nullptr;
};

} // namespace qv
