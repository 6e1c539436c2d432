#pragma once
// TfrmAnalyze: the statistics dialog ("統計情報") of a connection window. For the tables and
// views selected in the window's object list it updates the optimizer statistics (exact, or
// sampled by rows or percent) or removes every statistics entry of each; all statements run on
// the connection's own session. Statements come from admin/session/session_text.*.
#include <QDialog>
#include <functional>

class QPushButton;
class QRadioButton;
class QLabel;

namespace qv {

class TfrmObject;
class TqvNumEdit;
namespace db {
class Query;
}

class TfrmAnalyze : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAnalyze(TfrmObject* owner);

    // Creates the dialog over the connection window and shows it modally.
    static void ShowWindow(TfrmObject* owner);
    // Instead of the modal loop (tests drive the dialog here; unset: exec()).
    static std::function<void(TfrmAnalyze*)>& RunModal();
    // The closing message (unset: the program's message box).
    static std::function<int(const QString& text, int flags)>& Message();

    QRadioButton* rdoComp;
    QRadioButton* rdoEst;
    QRadioButton* rdoDel;
    QLabel* lblSample;
    TqvNumEdit* txtSample;
    QRadioButton* rdoRows;
    QRadioButton* rdoPer;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    void btnOkClick();

private:
    void modeClick();
    void rdoPerClick();
    void dropStatistics(const QString& database, const QString& schema, const QString& name);

    TfrmObject* m_owner;
    db::Query* qryStat;
};

} // namespace qv
