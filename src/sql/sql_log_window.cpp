#include "sql/sql_log_window.h"

#include "app/globals.h"
#include "app/images.h"
#include "app/message_box.h"
#include "app/qvstrings.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"
#include "sql/sql_history.h"
#include "sql/memo_settings.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QValidator>
#include <QVBoxLayout>

namespace qv {

std::function<int(TfrmSQLLog*)> TfrmSQLLog::ExecHook = [](TfrmSQLLog* w) { return w->exec(); };
std::function<void(QWidget*, const QString&, int)> TfrmSQLLog::MessageHook = [](QWidget*, const QString& text, int icon) {
    ShowMessageBox(text, icon);
};

namespace {
const QString kWindowKey = SettingsRootKey + QStringLiteral("\\GUI\\SQLLOG");

QToolButton* button(QToolBar* bar, int image, const QString& text, const QString& hint = QString())
{
    auto* b = new QToolButton(bar);
    b->setIcon(imgMain(image));
    if (text.isEmpty()) {
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else {
        b->setText(text);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    b->setToolTip(hint.isEmpty() ? QString(text).remove(QLatin1Char('&')) : hint);
    bar->addWidget(b);
    return b;
}

// Search input is upper case as it is typed.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

// The first column width of a tab's list; the key is created, the value never written.
int firstColumnWidth(const QString& key)
{
    TqvRegistry reg;
    if (!reg.OpenKey(key, true))
        return 160;
    return reg.GetInteger(QStringLiteral("INDEX1"), 160);
}
} // namespace

QString TfrmSQLLog::HistoryColumnKey()
{
    return SettingsRootKey + QStringLiteral("\\GUI\\SQLLOGHIS");
}

QString TfrmSQLLog::FavoriteColumnKey()
{
    return SettingsRootKey + QStringLiteral("\\GUI\\SQLLOGFAV");
}

TfrmSQLLog::TfrmSQLLog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSQLLog"));
    setWindowTitle(QStringLiteral("SQL 一覧"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    btnSelect = button(tolCmd, 15, QStringLiteral("選択(&S)"));
    btnRegist = button(tolCmd, 103, QStringLiteral("登録(&R)"));
    btnDel = button(tolCmd, 41, QStringLiteral("削除(&D)"));
    btnExit = button(tolCmd, 42, QStringLiteral("終了(&X)"));
    tolCmd->addSeparator();
    btnUp = button(tolCmd, 35, QString(), QStringLiteral("上に移動"));
    btnDown = button(tolCmd, 36, QString(), QStringLiteral("下に移動"));
    tolCmd->addSeparator();
    pnlFind = new QWidget(tolCmd);
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    auto* findLayout = new QHBoxLayout(pnlFind);
    findLayout->setContentsMargins(0, 0, 0, 0);
    txtFind = new QLineEdit(pnlFind);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setValidator(new UpperCaseValidator(txtFind));
    findLayout->addWidget(txtFind, 1);
    pnlFind->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tolCmd->addWidget(pnlFind);
    btnFind = button(tolCmd, 23, QString(), QStringLiteral("検索"));

    pagSQLList = new QTabWidget(this);
    pagSQLList->setObjectName(QStringLiteral("pagSQLList"));
    tabSQLHistory = new QWidget;
    tabFavoriteSQL = new QWidget;
    for (QWidget* tab : {tabSQLHistory, tabFavoriteSQL}) {
        auto* l = new QVBoxLayout(tab);
        l->setContentsMargins(0, 0, 0, 0);
    }
    pagSQLList->addTab(tabSQLHistory, QStringLiteral("SQL履歴"));
    pagSQLList->addTab(tabFavoriteSQL, QStringLiteral("お気に入りSQL"));
    lstSQL = new QTreeWidget(tabSQLHistory);
    lstSQL->setObjectName(QStringLiteral("lstSQL"));
    lstSQL->setRootIsDecorated(false);
    lstSQL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstSQL->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstSQL->setColumnCount(2);
    lstSQL->setContextMenuPolicy(Qt::CustomContextMenu);
    lstSQL->installEventFilter(this);
    tabSQLHistory->layout()->addWidget(lstSQL);
    txtSQL = new TqvMemo(this);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    ApplyMemoSettings(*txtSQL, nullptr);
    txtSQL->SetReadOnly(true);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(pagSQLList);
    split->addWidget(txtSQL);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tolCmd);
    layout->addWidget(split, 1);
    resize(640, 480);

    popSqlLogMenu = new QMenu(this);
    mnuRename = popSqlLogMenu->addAction(QStringLiteral("名前の変更(&M)"), this, &TfrmSQLLog::mnuRenameClick);
    connect(popSqlLogMenu, &QMenu::aboutToShow, this, &TfrmSQLLog::popSqlLogMenuPopup);
    connect(lstSQL, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        popSqlLogMenuPopup();
        if (mnuRename->isVisible())
            popSqlLogMenu->popup(lstSQL->viewport()->mapToGlobal(p));
    });

    connect(btnSelect, &QToolButton::clicked, this, &TfrmSQLLog::btnSelectClick);
    connect(btnExit, &QToolButton::clicked, this, &TfrmSQLLog::btnExitClick);
    connect(btnDel, &QToolButton::clicked, this, &TfrmSQLLog::btnDelClick);
    connect(btnUp, &QToolButton::clicked, this, &TfrmSQLLog::btnUpClick);
    connect(btnDown, &QToolButton::clicked, this, &TfrmSQLLog::btnDownClick);
    connect(btnRegist, &QToolButton::clicked, this, &TfrmSQLLog::btnRegistClick);
    connect(btnFind, &QToolButton::clicked, this, &TfrmSQLLog::btnFindClick);
    connect(txtFind, &QLineEdit::returnPressed, this, &TfrmSQLLog::btnFindClick);
    connect(pagSQLList, &QTabWidget::currentChanged, this, [this](int) { pagSQLListChange(); });
    connect(lstSQL, &QTreeWidget::itemSelectionChanged, this, &TfrmSQLLog::ShowPreview);
    connect(lstSQL, &QTreeWidget::itemDoubleClicked, this, [this] { btnSelectClick(); });
    connect(lstSQL, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0 && !HistoryTab())
            Rename(lstSQL->indexOfTopLevelItem(item), item->text(0));
    });
    pagSQLListChange();
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
            mnuRenameClick();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSQLLog::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    SizeColumns();
}

void TfrmSQLLog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    for (QToolButton* b : {btnSelect, btnRegist, btnDel, btnExit})
        b->setMinimumWidth(78);
}

void TfrmSQLLog::SizeColumns()
{
    // The statement column takes the rest of the list's width.
    lstSQL->setColumnWidth(0, m_firstColumn);
    lstSQL->setColumnWidth(1, std::max(0, lstSQL->width() - m_firstColumn - 21));
}

void TfrmSQLLog::pagSQLListChange()
{
    QWidget* tab = HistoryTab() ? tabSQLHistory : tabFavoriteSQL;
    if (lstSQL->parentWidget() != tab) {
        lstSQL->setParent(tab);
        tab->layout()->addWidget(lstSQL);
        lstSQL->show();
    }
    m_firstColumn = firstColumnWidth(HistoryTab() ? HistoryColumnKey() : FavoriteColumnKey());
    lstSQL->setEditTriggers(HistoryTab() ? QAbstractItemView::NoEditTriggers : QAbstractItemView::EditKeyPressed);
    FillSQLList();
}

bool TfrmSQLLog::HistoryTab() const
{
    return pagSQLList->currentIndex() == 0;
}

void TfrmSQLLog::SetTab(int index)
{
    pagSQLList->setCurrentIndex(index);
}

QStringList& TfrmSQLLog::ActiveList()
{
    auto& store = SqlLogStore::instance();
    return HistoryTab() ? store.history() : store.favorites();
}

// The program's short date and long time.
static QString EntryTimeText(const QDateTime& time)
{
    return DateToStr(time.date()) + QLatin1Char(' ') + TimeToStr(time.time());
}

void TfrmSQLLog::FillSQLList()
{
    const QSignalBlocker block(lstSQL);
    lstSQL->clear();
    txtSQL->Lines().Clear();
    lstSQL->setHeaderLabels({HistoryTab() ? QStringLiteral("発行日時") : QStringLiteral("SQL名"), QStringLiteral("SQL文")});
    SizeColumns();
    auto& store = SqlLogStore::instance();
    const QString dir = SqlLogStore::workDir();
    const QStringList& list = ActiveList();
    for (int i = 0; i < list.size(); ++i) {
        try {
            const QString file = HistoryTab() ? store.historyEntryFile(dir, i) : store.favoriteEntryFile(dir, i);
            const QStringList lines = SqlLogStore::readEntry(file);
            const QString caption = HistoryTab()
                                        ? EntryTimeText(SqlLogStore::entryTime(file))
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
    txtSQL->EditorUndoObj().Clear();
    txtSQL->SetRowCol(0, 0);
}

void TfrmSQLLog::popSqlLogMenuPopup()
{
    mnuRename->setVisible(!HistoryTab());
    mnuRename->setEnabled(!lstSQL->selectedItems().isEmpty());
}

void TfrmSQLLog::mnuRenameClick()
{
    QTreeWidgetItem* item = lstSQL->currentItem();
    if (HistoryTab() || !item || !item->isSelected())
        return;
    lstSQL->editItem(item, 0);
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
    if (owner) {
        w.setWindowIcon(owner->windowIcon());
        // Just inside the owner: one caption height to the right of its client origin.
        const QPoint origin = owner->mapToGlobal(QPoint(0, 0));
        w.move(origin.x() + w.style()->pixelMetric(QStyle::PM_TitleBarHeight), origin.y());
    }
    {
        TqvRegistry reg;
        if (reg.OpenKeyReadOnly(kWindowKey))
            w.resize(reg.GetInteger(QStringLiteral("Width"), w.width()), reg.GetInteger(QStringLiteral("Height"), w.height()));
    }
    ExecHook(&w);
    const QString answer = w.Answer();
    try {
        TqvRegistry reg;
        if (!(w.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
            && reg.OpenKey(kWindowKey, true)) {
            reg.WriteInteger(QStringLiteral("Width"), w.width());
            reg.WriteInteger(QStringLiteral("Height"), w.height());
        }
    } catch (const std::exception&) {
    }
    return answer;
}

} // namespace qv
