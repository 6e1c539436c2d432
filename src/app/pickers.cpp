#include "app/pickers.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/message_box.h"
#include "app/qvstrings.h"
#include "connection/object_window.h"
#include "platform/registry.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

#define S QStringLiteral

namespace qv {

QString ProjectKey(const QString& server) { return SettingsRootKey + S("\\OBJECTTREE\\") + server; }

QStringList StoredProjectDatabases(const QString& server)
{
    TqvRegistry reg;
    if (!reg.OpenKey(ProjectKey(server), false))
        return {};
    return reg.GetString(S("DataBase"), QString())
        .split(QRegularExpression(S("\r\n|\n|\r")), Qt::SkipEmptyParts);
}

TfrmProject::TfrmProject(IConnectionWindow* owner, QWidget* parent) : QDialog(parent)
{
    setObjectName(S("frmProject"));
    setWindowTitle(S("表示データベース設定"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    auto* l = new QVBoxLayout(this);
    l->addWidget(new QLabel(S("表示するデータベース")));
    lstDatabase = new QListWidget;
    l->addWidget(lstDatabase, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    btnOk = new QPushButton(S("OK"));
    btnCancel = new QPushButton(S("キャンセル"));
    btnOk->setDefault(true);
    row->addWidget(btnOk);
    row->addWidget(btnCancel);
    l->addLayout(row);
    connect(btnOk, &QPushButton::clicked, this, &TfrmProject::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    QStringList names;
    if (owner) {
        owner->GetDatabase(names);
        m_server = owner->Server();
    }
    const QStringList stored = StoredProjectDatabases(m_server);
    for (const QString& n : names) {
        auto* it = new QListWidgetItem(n, lstDatabase);
        it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
        it->setCheckState(stored.contains(n) ? Qt::Checked : Qt::Unchecked);
    }
    resize(320, 360);
}

bool TfrmProject::ShowWindow(IConnectionWindow* owner, const QString&)
{
    TfrmProject dlg(owner, owner ? owner->connectionWidget() : nullptr);
    return dlg.exec() == QDialog::Accepted;
}

void TfrmProject::btnOkClick()
{
    QString value;
    for (int i = 0; i < lstDatabase->count(); ++i)
        if (lstDatabase->item(i)->checkState() == Qt::Checked)
            value += lstDatabase->item(i)->text() + S("\r\n");
    if (value.isEmpty()) {
        ShowMessageBox(S("表示するデータベースを最低一つは選択して下さい。"), MB_ICONWARNING);
        lstDatabase->setFocus();
        return;
    }
    TqvRegistry reg;
    if (reg.OpenKey(ProjectKey(m_server), true))
        reg.WriteString(S("DataBase"), value);
    accept();
}

// ---- column picker --------------------------------------------------------------------------

QString FieldListSQL(int serverVersion)
{
    const QString owner = serverVersion >= 9 ? S("schema_name(a.uid)") : S("user_name(a.uid)");
    return S("select b.name \r\n"
             "from dbo.sysobjects as a \r\n"
             "inner join syscolumns b on a.id = b.id \r\n"
             "where \r\n")
        + owner
        + S(" = :OWNER collate database_default \r\n"
            "  and a.name = :NAME \r\n"
            "  and a.xtype in (N'U',N'S',N'V')\r\n"
            "order by b.colorder");
}

QStringList ReadTableColumns(IConnectionWindow* owner, const QString& database, const QString& schema,
                             const QString& table)
{
    auto* o = owner ? dynamic_cast<TfrmObject*>(owner) : nullptr;
    if (!o)
        return {};
    TObjectSession* s = o->session();
    db::Query* q = s->OpenSQL(s->Use(database) + FieldListSQL(owner->DBVer()), {schema, table});
    QStringList out;
    for (q->First(); !q->Eof(); q->Next())
        out << q->Fields().at(0)->AsString();
    q->Close();
    return out;
}

TfrmFieldList::TfrmFieldList(const QString& caption, const QStringList& columns, const QStringList& fieldList,
                             QWidget* parent)
    : QDialog(parent)
{
    setObjectName(S("frmFieldList"));
    setWindowTitle(caption);
    setWindowIcon(imgMain(12));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    auto* root = new QVBoxLayout(this);
    auto* lists = new QGridLayout;
    root->addLayout(lists, 1);
    lists->addWidget(new QLabel(S("表示する項目")), 0, 0);
    lists->addWidget(new QLabel(S("選択可能な項目")), 0, 2);
    lstSelect = new QListWidget;
    lstAvailable = new QListWidget;
    for (QListWidget* w : {lstSelect, lstAvailable}) {
        w->setSelectionMode(QAbstractItemView::ExtendedSelection);
        w->installEventFilter(this);
    }
    lists->addWidget(lstSelect, 1, 0);
    lists->addWidget(lstAvailable, 1, 2);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);
    auto* tools = new QVBoxLayout;
    tools->addStretch();
    const std::tuple<const char*, int, void (TfrmFieldList::*)()> buttons[] = {
        {"全て追加", 31, &TfrmFieldList::addAll},
        {"追加", 32, &TfrmFieldList::addSelected},
        {"削除", 33, &TfrmFieldList::removeSelected},
        {"全て削除", 34, &TfrmFieldList::removeAll},
    };
    for (const auto& [text, image, slot] : buttons) {
        auto* b = new QToolButton;
        b->setIcon(imgMain(image));
        b->setToolTip(QString::fromUtf8(text));
        tools->addWidget(b);
        connect(b, &QToolButton::clicked, this, slot);
    }
    tools->addStretch();
    lists->addLayout(tools, 1, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    btnSelect = new QPushButton(S("選択(&S)"));
    btnClose = new QPushButton(S("閉じる(&X)"));
    row->addWidget(btnSelect);
    row->addWidget(btnClose);
    row->addStretch();
    root->addLayout(row);
    connect(btnSelect, &QPushButton::clicked, this, [this] {
        if (lstSelect->count() > 0)
            accept();
    });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstAvailable, &QListWidget::itemDoubleClicked, this, [this] { addSelected(); });
    connect(lstSelect, &QListWidget::itemDoubleClicked, this, [this] { removeSelected(); });

    for (const QString& c : columns)
        (fieldList.contains(c) || fieldList.contains(DoubleQuoteName(c)) ? lstSelect : lstAvailable)->addItem(c);
    if (lstAvailable->count() == 0) {
        lstSelect->clear();
        lstAvailable->addItems(columns);
    }
    resize(480, 360);
    loadGeometry();
}

TfrmFieldList::~TfrmFieldList() = default;

void TfrmFieldList::ShowWindow(IConnectionWindow* owner, const QString& database, QStringList& fieldList,
                               const QString& tableName, const QString& schema)
{
    if (!owner)
        return;
    const QString caption = S("項目一覧 - ") + schema + u'.' + tableName + S(" @ ") + owner->Server() + u'.' + database;
    TfrmFieldList dlg(caption, ReadTableColumns(owner, database, schema, tableName), fieldList,
                      owner->connectionWidget());
    const bool chosen = dlg.exec() == QDialog::Accepted;
    dlg.saveGeometry();
    if (chosen && dlg.lstSelect->count() > 0)
        fieldList = dlg.chosen();
}

QStringList TfrmFieldList::chosen() const
{
    QStringList out;
    for (int i = 0; i < lstSelect->count(); ++i)
        out << lstSelect->item(i)->text();
    return out;
}

QStringList TfrmFieldList::available() const
{
    QStringList out;
    for (int i = 0; i < lstAvailable->count(); ++i)
        out << lstAvailable->item(i)->text();
    return out;
}

namespace {
void moveItems(QListWidget* from, QListWidget* to, bool all)
{
    for (int i = 0; i < from->count();) {
        if (all || from->item(i)->isSelected())
            to->addItem(from->takeItem(i)->text());
        else
            ++i;
    }
}
} // namespace

void TfrmFieldList::addSelected() { moveItems(lstAvailable, lstSelect, false); }
void TfrmFieldList::removeSelected() { moveItems(lstSelect, lstAvailable, false); }
void TfrmFieldList::addAll() { moveItems(lstAvailable, lstSelect, true); }
void TfrmFieldList::removeAll() { moveItems(lstSelect, lstAvailable, true); }

bool TfrmFieldList::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (watched == lstAvailable && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            addSelected();
            return true;
        }
        if (watched == lstSelect && key == Qt::Key_Delete) {
            removeSelected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TfrmFieldList::loadGeometry()
{
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsRootKey + S("\\GUI\\FIELDLIST"), true))
        return;
    const int state = reg.GetInteger(S("WindowState"), 0);
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    } else {
        const int w = reg.GetInteger(S("Width"), width());
        const int h = reg.GetInteger(S("Height"), height());
        resize(w, h);
    }
}

void TfrmFieldList::saveGeometry()
{
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsRootKey + S("\\GUI\\FIELDLIST"), true))
        return;
    try {
        const bool maximised = windowState() & Qt::WindowMaximized;
        reg.WriteInteger(S("WindowState"), maximised ? 2 : 0);
        if (!maximised) {
            reg.WriteInteger(S("Width"), width());
            reg.WriteInteger(S("Height"), height());
        }
    } catch (const std::exception&) {
    }
}

} // namespace qv
