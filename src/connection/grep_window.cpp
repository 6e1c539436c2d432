#include "connection/grep_window.h"

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_window.h"
#include "connection/script_output_options.h"
#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace qv {

std::function<int(TfrmGrep*)> TfrmGrep::ExecHook;
std::function<void(const QString&, int)> TfrmGrep::MessageHook;

TfrmGrep::TfrmGrep(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGrep"));
    setWindowTitle(QStringLiteral("GREP"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* lblGrepWord = new QLabel(QStringLiteral("検索文字列"), this);
    txtGrepWord = new QLineEdit(this);
    lblGrepWord->setBuddy(txtGrepWord);
    rdoObject = new ScriptRadioGroup(QStringLiteral(" 対象オブジェクト "),
                                     {QStringLiteral("現在選択中のオブジェクト"), QStringLiteral("現在一覧表示されているオブジェクト"),
                                      QStringLiteral("現在選択中の所有者、タイプで再検索したオブジェクト"),
                                      QStringLiteral("全てのオブジェクト")},
                                     1, this);
    chkCharCase = new QCheckBox(QStringLiteral("大文字小文字を区別する"), this);
    btnOk = new QPushButton(QStringLiteral("開始"), this);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnOk->setDefault(true);

    auto* main = new QVBoxLayout(this);
    main->addWidget(lblGrepWord);
    main->addWidget(txtGrepWord);
    main->addWidget(rdoObject);
    main->addWidget(chkCharCase);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize); // a fixed-size dialog

    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmGrep::btnOkClick()
{
    if (txtGrepWord->text().isEmpty()) {
        const QString text = QStringLiteral("検索する文字列を指定して下さい。");
        if (MessageHook)
            MessageHook(text, MB_ICONWARNING);
        else
            ShowMessageBox(text, MB_ICONWARNING);
        txtGrepWord->setFocus();
        return;
    }
    accept();
}

bool TfrmGrep::ShowWindow(QString& word, int& mode, bool& caseSensitive, QWidget* parent)
{
    TfrmGrep dlg(parent ? parent : static_cast<QWidget*>(TfrmMain::instance()));
    dlg.txtGrepWord->setText(word);
    dlg.rdoObject->SetItemIndex(mode);
    dlg.chkCharCase->setChecked(false);
    const int result = ExecHook ? ExecHook(&dlg) : dlg.exec();
    if (result != QDialog::Accepted)
        return false;
    caseSensitive = dlg.chkCharCase->isChecked();
    word = caseSensitive ? dlg.txtGrepWord->text() : dlg.txtGrepWord->text().toUpper();
    mode = dlg.rdoObject->ItemIndex();
    return true;
}

int GrepExecute(TfrmObject* w, const ListCommandHooks& hooks)
{
    TqvListView* list = w->lstObject;
    QString word = w->cmbFind->currentText();
    int mode = SelectedRows(list).isEmpty() ? 1 : 0;
    bool caseSensitive = false;
    if (!TfrmGrep::ShowWindow(word, mode, caseSensitive) || word.isEmpty())
        return -1;

    const bool savedInsert = ScriptOption.Insert;
    ScriptOption.Insert = false;
    struct Restore {
        bool insert;
        const ListCommandHooks& hooks;
        ~Restore()
        {
            ScriptOption.Insert = insert;
            if (hooks.progress)
                hooks.progress(0, 0);
        }
    } restore{savedInsert, hooks};
    WaitCursor cursor;

    if (mode == 3 && w->lstTree->topLevelItemCount() > 0) {
        const QSignalBlocker block(w->lstTree);
        w->lstTree->setCurrentItem(w->lstTree->topLevelItem(0));
    }
    if (mode >= 2)
        w->ShowObject(true);
    QList<GrepRow> work;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* item = list->topLevelItem(i); mode != 0 || item->isSelected())
            work << GrepRowOf(item);
    if (work.isEmpty())
        return 0;

    // The list keeps the matches as they are found (also when the search fails half-way).
    const QSignalBlocker blockList(list);
    const QSignalBlocker blockTree(w->lstTree);
    list->clear();
    bool stopped = false;
    const QList<GrepRow> found =
        GrepScripts({w->session(), w}, work, word, caseSensitive, hooks, &stopped, [list](const GrepRow& r) {
            QTreeWidgetItem* item = list->AddItem(r.caption, r.subItems);
            item->setData(0, Qt::UserRole, r.type);
            item->setData(0, Qt::DecorationRole, r.icon);
        });
    if (!stopped && hooks.message)
        hooks.message(QStringLiteral("検索を完了しました。"), MB_ICONINFORMATION);
    return int(found.size());
}

void TfrmObject::actGrepExecute() { GrepExecute(this); }

} // namespace qv
