#include "app/connection_options.h"

#include "app/connection_window_iface.h"
#include "app/options.h"
#include "connection/object_window.h"
#include "controls/lists/qv_listview.h"

#include <QToolButton>

namespace qv {

namespace {

TfrmObject* objectWindow(IConnectionWindow* c) { return c ? dynamic_cast<TfrmObject*>(c) : nullptr; }

db::Connection* sessionConnection(TfrmObject* o)
{
    if (!o || !o->session() || !o->session()->dmSQLServer)
        return nullptr;
    return o->session()->dmSQLServer->Connection;
}

} // namespace

bool SessionInTransaction(IConnectionWindow* c)
{
    if (!c)
        return false;
    if (TfrmObject* o = objectWindow(c)) {
        db::Connection* conn = sessionConnection(o);
        return conn && conn->InTransaction();
    }
    return c->InTransaction();
}

QStringList SessionInfoReport(IConnectionWindow* c)
{
    if (!c)
        return {};
    if (TfrmObject* o = objectWindow(c)) {
        db::Connection* conn = sessionConnection(o);
        try {
            return conn ? conn->GetInfoReport() : QStringList();
        } catch (const std::exception&) {
            return {};
        }
    }
    return c->InfoReport();
}

void ApplyListOptions(IConnectionWindow* c, bool treeOrderChanged)
{
    if (!c)
        return;
    TfrmObject* o = objectWindow(c);
    if (!o) {
        c->ApplyListOptions(treeOrderChanged);
        return;
    }
    // The tool button of the order sets TreeSort and rebuilds the tree.
    if (treeOrderChanged)
        (qvOption.TreeSort == 1 ? o->btnTree2 : o->btnTree1)->click();
    o->pnlFind->setVisible(qvOption.Find);
    o->lstObject->setSelectionBehavior(qvOption.RowSelect ? QAbstractItemView::SelectRows
                                                          : QAbstractItemView::SelectItems);
}

QString InfoReportValue(const QStringList& report, const QString& label)
{
    const QString key = label + QStringLiteral(" = ");
    for (const QString& line : report)
        if (line.startsWith(key))
            return line.mid(key.size());
    return QString();
}

} // namespace qv
