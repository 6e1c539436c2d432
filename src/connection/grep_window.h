#pragma once
// Full-text search of object scripts: the dialog TfrmGrep asks for the text, the set of objects
// and whether letter case counts; GrepExecute runs the search for a connection window and leaves
// in its object list exactly the objects whose script contains the text.
#include "connection/object_script_commands.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qv {

class ScriptRadioGroup;
class TfrmObject;

class TfrmGrep : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGrep(QWidget* parent = nullptr);

    // Shows the dialog with word and mode; on OK gives back the text (upper-cased when case
    // does not count), the mode (0 selected, 1 listed, 2 listed again for the node, 3 all) and
    // the case flag, and returns true; otherwise the arguments stay as they were.
    static bool ShowWindow(QString& word, int& mode, bool& caseSensitive, QWidget* parent = nullptr);
    // Tests answer the modal loop and the warnings here.
    static std::function<int(TfrmGrep*)> ExecHook;
    static std::function<void(const QString&, int)> MessageHook;

    QLineEdit* txtGrepWord;
    ScriptRadioGroup* rdoObject;
    QCheckBox* chkCharCase;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    void btnOkClick();
};

// The search for the connection window (its object list, tree and find box). Returns the
// number of matches, or -1 when nothing ran.
int GrepExecute(TfrmObject* window, const ListCommandHooks& hooks = ListCommandHooks::Default());

} // namespace qv
