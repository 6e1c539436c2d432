#include "sql/sql_log_window.h"

#include "app/message_box.h"
#include "app/qvstrings.h"
#include "editor/view/editor.h"
#include "sql/sql_history.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSplitter>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qv {

std::function<int(TfrmSQLLog*)> TfrmSQLLog::ExecHook = [](TfrmSQLLog* w) { return w->exec(); };
std::function<void(QWidget*, const QString&, int)> TfrmSQLLog::MessageHook = [](QWidget*, const QString& text, int icon) {
    ShowMessageBox(text, icon);
};

namespace {
QToolButton* button(QToolBar* bar, const QString& text, const QString& hint = QString())
{
    auto* b = new QToolButton(bar);
    b->setText(text);
    b->setToolTip(hint.isEmpty() ? text : hint);
    bar->addWidget(b);
    return b;
}
} // namespace

TfrmSQLLog::TfrmSQLLog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("SQL 一覧"));
    auto* bar = new QToolBar(this);
    btnSelect = button(bar, QStringLiteral("選択(&S)"));
    btnRegist = button(bar, QStringLiteral("登録(&R)"));
    btnDel = button(bar, QStringLiteral("削除(&D)"));
    btnExit = button(bar, QStringLiteral("終了(&X)"));
    btnUp = button(bar, QStringLiteral("↑"), QStringLiteral("上に移動"));
    btnDown = button(bar, QStringLiteral("↓"), QStringLiteral("下に移動"));
    txtFind = new QLineEdit(bar);
    bar->addWidget(txtFind);
    btnFind = button(bar, QStringLiteral("検索"), QStringLiteral("検索"));
    pagSQLList = new QTabBar(this);
    pagSQLList->addTab(QStringLiteral("SQL履歴"));
    pagSQLList->addTab(QStringLiteral("お気に入りSQL"));
    lstSQL = new QTreeWidget(this);
    lstSQL->setRootIsDecorated(false);
    lstSQL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstSQL->setColumnCount(2);
    lstSQL->installEventFilter(this);
    txtSQL = new TEditor(this);
    txtSQL->SetReadOnly(true);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(lstSQL);
    split->addWidget(txtSQL);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(pagSQLList);
    layout->addWidget(split, 1);
    resize(640, 480);

    connect(btnSelect, &QToolButton::clicked, this, &TfrmSQLLog::btnSelectClick);
    connect(btnExit, &QToolButton::clicked, this, &TfrmSQLLog::btnExitClick);
    connect(btnDel, &QToolButton::clicked, this, &TfrmSQLLog::btnDelClick);
    connect(btnUp, &QToolButton::clicked, this, &TfrmSQLLog::btnUpClick);
    connect(btnDown, &QToolButton::clicked, this, &TfrmSQLLog::btnDownClick);
    connect(btnRegist, &QToolButton::clicked, this, &TfrmSQLLog::btnRegistClick);
    connect(btnFind, &QToolButton::clicked, this, &TfrmSQLLog::btnFindClick);
    connect(txtFind, &QLineEdit::returnPressed, this, &TfrmSQLLog::btnFindClick);
    connect(pagSQLList, &QTabBar::currentChanged, this, [this](int) { FillSQLList(); });
    connect(lstSQL, &QTreeWidget::itemSelectionChanged, this, &TfrmSQLLog::ShowPreview);
    connect(lstSQL, &QTreeWidget::itemDoubleClicked, this, [this] { btnSelectClick(); });
    connect(lstSQL, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0 && !HistoryTab())
            Rename(lstSQL->indexOfTopLevelItem(item), item->text(0));
    });
    FillSQLList();
}

bool TfrmSQLLog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstSQL && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            btnSelectClick();
            return true;
        case Qt::Key_Delete:
            btnDelClick();
            return true;
        case Qt::Key_F2:
            if (!HistoryTab() && lstSQL->currentItem())
                lstSQL->editItem(lstSQL->currentItem(), 0);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TfrmSQLLog::HistoryTab() const
{
    return pagSQLList->currentIndex() == 0;
}

void TfrmSQLLog::SetTab(int index)
{
    pagSQLList->setCurrentIndex(index);
    FillSQLList();
}

QStringList& TfrmSQLLog::ActiveList()
{
    auto& store = SqlLogStore::instance();
    return HistoryTab() ? store.history() : store.favorites();
}

void TfrmSQLLog::FillSQLList()
{
    const QSignalBlocker block(lstSQL);
    lstSQL->clear();
    txtSQL->Lines().Clear();
    lstSQL->setHeaderLabels({HistoryTab() ? QStringLiteral("発行日時") : QStringLiteral("SQL名"), QStringLiteral("SQL文")});
    lstSQL->setColumnWidth(0, 160);
    auto& store = SqlLogStore::instance();
    const QString dir = SqlLogStore::workDir();
    const QStringList& list = ActiveList();
    for (int i = 0; i < list.size(); ++i) {
        try {
            const QString file = HistoryTab() ? store.historyEntryFile(dir, i) : store.favoriteEntryFile(dir, i);
            const QStringList lines = SqlLogStore::readEntry(file);
            const QString caption = HistoryTab()
                                        ? QLocale().toString(SqlLogStore::entryTime(file), QLocale::ShortFormat)
                                        : SqlLogStore::favoriteDisplayName(list.at(i));
            auto* item = new QTreeWidgetItem(lstSQL, {caption, JoinForPreview(lines)});
            if (!HistoryTab())
                item->setFlags(item->flags() | Qt::ItemIsEditable);
        } catch (const std::exception& e) {
            MessageHook(this, QString::fromUtf8(e.what()), 16);
            break;
        }
    }
    UpdateButtons();
}

void TfrmSQLLog::UpdateButtons()
{
    const bool any = lstSQL->topLevelItemCount() > 0;
    btnSelect->setEnabled(any);
    btnDel->setEnabled(any);
    btnUp->setEnabled(any);
    btnDown->setEnabled(any);
    btnRegist->setEnabled(any && HistoryTab());
}

void TfrmSQLLog::ShowPreview()
{
    txtSQL->Lines().Clear();
    QTreeWidgetItem* item = lstSQL->currentItem();
    if (!item || !item->isSelected()) {
        const auto selected = lstSQL->selectedItems();
        item = selected.isEmpty() ? nullptr : selected.first();
    }
    const int i = item ? lstSQL->indexOfTopLevelItem(item) : -1;
    if (i < 0)
        return;
    try {
        auto& store = SqlLogStore::instance();
        const QString dir = SqlLogStore::workDir();
        txtSQL->Lines().Assign(SqlLogStore::readEntry(HistoryTab() ? store.historyEntryFile(dir, i) : store.favoriteEntryFile(dir, i)));
    } catch (const std::exception&) {
        txtSQL->Lines().Clear();
    }
}

void TfrmSQLLog::btnSelectClick()
{
    QTreeWidgetItem* item = lstSQL->currentItem();
    if (!item || !item->isSelected())
        return;
    m_chosen = lstSQL->indexOfTopLevelItem(item);
    accept();
}

void TfrmSQLLog::btnExitClick()
{
    m_chosen = -1;
    reject();
}

void TfrmSQLLog::btnDelClick()
{
    QStringList& list = ActiveList();
    for (int i = lstSQL->topLevelItemCount() - 1; i >= 0; --i) {
        if (lstSQL->topLevelItem(i)->isSelected()) {
            if (i < list.size())
                list.removeAt(i);
            delete lstSQL->takeTopLevelItem(i);
        }
    }
    txtSQL->Lines().Clear();
    UpdateButtons();
}

void TfrmSQLLog::Move(int delta)
{
    const QList<QTreeWidgetItem*> selected = lstSQL->selectedItems();
    if (selected.size() > 1) {
        MessageHook(this, QStringLiteral("同時に複数行を移動する事は出来ません。１行だけ選択して下さい。"), 48);
        return;
    }
    if (selected.size() != 1)
        return;
    const int i = lstSQL->indexOfTopLevelItem(selected.first());
    const int j = i + delta;
    QStringList& list = ActiveList();
    if (j < 0 || j >= lstSQL->topLevelItemCount() || j >= list.size())
        return;
    list.swapItemsAt(i, j);
    const QSignalBlocker block(lstSQL);
    QTreeWidgetItem* item = lstSQL->takeTopLevelItem(i);
    lstSQL->insertTopLevelItem(j, item);
    lstSQL->clearSelection();
    item->setSelected(true);
    lstSQL->setCurrentItem(item);
    lstSQL->setFocus();
}

void TfrmSQLLog::btnUpClick()
{
    Move(-1);
}

void TfrmSQLLog::btnDownClick()
{
    Move(1);
}

void TfrmSQLLog::btnRegistClick()
{
    QList<int> rows;
    for (int i = 0; i < lstSQL->topLevelItemCount(); ++i)
        if (lstSQL->topLevelItem(i)->isSelected())
            rows << i;
    try {
        SqlLogStore::instance().registerFavorites(SqlLogStore::workDir(), rows);
        MessageHook(this, QStringLiteral("お気に入りSQLに登録しました。"), 64);
    } catch (const std::exception&) {
        MessageHook(this, QStringLiteral("ファイルの書き込みに失敗しました。"), 16);
    }
}

void TfrmSQLLog::btnFindClick()
{
    const QString text = txtFind->text();
    if (text.trimmed().isEmpty())
        return;
    const int count = lstSQL->topLevelItemCount();
    const int start = lstSQL->currentItem() ? lstSQL->indexOfTopLevelItem(lstSQL->currentItem()) + 1 : 0;
    for (int k = 0; k < count; ++k) {
        QTreeWidgetItem* item = lstSQL->topLevelItem((start + k) % count);
        if (item->text(0).contains(text, Qt::CaseInsensitive) || item->text(1).contains(text, Qt::CaseInsensitive)) {
            lstSQL->clearSelection();
            item->setSelected(true);
            lstSQL->setCurrentItem(item);
            lstSQL->scrollToItem(item);
            return;
        }
    }
    MessageHook(this, QStringLiteral("検索対象が見つかりませんでした。"), 64);
}

void TfrmSQLLog::Rename(int index, const QString& name)
{
    SqlLogStore::instance().renameFavorite(index, name);
}

QString TfrmSQLLog::Answer() const
{
    return (HistoryTab() ? QStringLiteral("H") : QStringLiteral("F")) + QString::number(m_chosen);
}

QString TfrmSQLLog::ShowWindow(QWidget* owner)
{
    TfrmSQLLog w(owner);
    ExecHook(&w);
    return w.Answer();
}

} // namespace qv
