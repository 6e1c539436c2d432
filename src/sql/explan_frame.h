#pragma once
// TfraExplan: the estimated execution plan of one SQL text as a tree with cost columns, with
// export to the clipboard and to an Excel workbook. The host binds the frame to its connection,
// sets SQL and calls ShowData. The plan comes from SHOWPLAN_ALL mode: the statement is not
// executed. Window-free logic: sql/explan_text.*.
#include "sql/explan_text.h"

#include <QWidget>
#include <functional>

class QFrame;
class QHeaderView;
class QToolBar;
class QToolButton;

namespace qv {

class TqvTreeView;
class TqvTreeNode;

namespace db {
class Connection;
class Query;
} // namespace db

class TfraExplan : public QWidget {
    Q_OBJECT
public:
    explicit TfraExplan(QWidget* parent = nullptr);
    ~TfraExplan() override;

    QToolBar* tolLeft = nullptr;
    QToolButton* btnExcel = nullptr;
    QToolButton* btnCopy = nullptr;
    QWidget* pnlBody = nullptr;
    QFrame* spl1 = nullptr; // the bar above the plan; hosts hide it
    QWidget* pnlPlan = nullptr;
    QHeaderView* hedPlan = nullptr;
    TqvTreeView* lstPlan = nullptr;
    db::Query* qryPlan = nullptr;
    db::Query* qryData = nullptr; // holds the statement (and its parameters) for the host

    void SetConnection(db::Connection* connection);

    QString SQL() const { return m_sql; }
    // Takes the statement: parameters are made from ":name" markers unless it creates an
    // object; the host reads qryData's parameters afterwards.
    void SetSQL(const QString& sql);

    void ShowData() { ShowPlan(); }
    // Reads the plan of SQL into the tree. Refused SHOWPLAN mode: a warning and the tree
    // unchanged. Errors while reading propagate after the mode is switched off again.
    void ShowPlan();

    // The nodes as built from the last plan, in the order they were added.
    const std::vector<plan::PlanNode>& Nodes() const { return m_nodes; }
    // The tree node of Nodes()[i].
    TqvTreeNode* TreeNode(int i) const { return m_treeNodes.value(i); }

    void btnCopyClick();
    void btnExcelClick();
    // Writes the plan as a workbook to fileName (no dialog). Errors propagate.
    void WriteWorkbook(const QString& fileName) const;

    // The host's message channel for the frame's notes and warnings (the program's message
    // box when unset); returns the button.
    std::function<int(const QString& text, int flags)> OnMessage;
    // Message boxes of every plan frame (tests), before OnMessage: returns the button; `comma`
    // is set for the copy question with its check box.
    static std::function<int(const QString& text, int flags, bool* comma)>& MessageHook();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int message(const QString& text, int flags, bool* comma = nullptr);
    void fillTree();

    QWidget* m_headerGap = nullptr;
    QString m_sql;
    std::vector<plan::PlanNode> m_nodes;
    QList<TqvTreeNode*> m_treeNodes;
};

} // namespace qv
