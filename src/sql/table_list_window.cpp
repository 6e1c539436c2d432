#include "sql/table_list_window.h"

#include "app/images.h"
#include "app/object_types.h"
#include "app/qvstrings.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "platform/messages.h"
#include "platform/registry.h"

#include <QComboBox>
#include <QCursor>
#include <QStyle>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace qv {

std::function<int(TfrmTableList*)> TfrmTableList::ExecHook;

QString TableListTypes(bool tables, bool views, bool synonyms)
{
    QString types;
    if (tables)
        types += QStringLiteral(", 'U', 'S'");
    if (views)
        types += QStringLiteral(",'V'");
    if (synonyms)
        types += QStringLiteral(",'SN'");
    return types.mid(1);
}

QString TableListSql(const TObjectSession& session, const QString& database, const QString& types)
{
    QString sql = session.Use(database);
    if (session.IsAzure)
        sql += QStringLiteral("select a.name, a.xtype from sysobjects as a left outer join sys.indexes as c"
                              " on c.object_id = a.id and c.index_id < 2 where a.xtype in(") +
               types + QStringLiteral(") and ") +
               session.VerStr(9, QStringLiteral("schema_name(a.uid)"), QStringLiteral("user_name(a.uid)"));
    else
        sql += QStringLiteral("select name, xtype from sysobjects where xtype in(") + types + QStringLiteral(") AND ") +
               session.VerStr(9, QStringLiteral("schema_name(uid)"), QStringLiteral("user_name(uid)"));
    return sql + QStringLiteral(" = :OWNER collate database_default");
}

QList<TableListEntry> FetchTableList(TObjectSession& session, const QString& database, const QString& owner,
                                     const QString& types, const QString& findText)
{
    QList<TableListEntry> out;
    if (types.isEmpty())
        return out;
    const QString find = findText.trimmed();
    db::Query* q = session.OpenSQL(TableListSql(session, database, types), {owner});
    struct Closer {
        db::Query* q;
        ~Closer() { q->Close(); }
    } closer{q};
    for (q->First(); !q->Eof(); q->Next()) {
        const QString name = q->Fields().at(0)->AsString();
        if (!find.isEmpty() && !name.contains(find, Qt::CaseSensitive))
            continue;
        out.append({name, int(XTypeToObjectType(q->Fields().at(1)->AsString()))});
    }
    return out;
}

QString TableListChoice(const QString& database, const QString& owner, const QString& name)
{
    if (owner.isEmpty())
        return QuoteIdentifier(name);
    if (database.isEmpty())
        return QuoteIdentifier(owner) + QLatin1Char('.') + QuoteIdentifier(name);
    return QuoteIdentifier(database) + QLatin1Char('.') + QuoteIdentifier(owner) + QLatin1Char('.') +
           QuoteIdentifier(name);
}

TfrmTableList::TfrmTableList(TObjectSession* owner, bool singleTable, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_owner(owner), m_singleTable(singleTable)
{
    setObjectName(QStringLiteral("frmTableList"));
    setWindowTitle(QStringLiteral("表の選択 - ") + owner->GetCurrentSchema() + QStringLiteral(" @ ") +
                   owner->g_Server + QLatin1Char('.') + owner->g_DataBase);
    setWindowIcon(imgMain(12));

    auto* tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnOk = tolCmd->addAction(imgMain(28), QStringLiteral("選択(&O)"));
    btnExit = tolCmd->addAction(imgMain(42), QStringLiteral("終了(&X)"));
    connect(btnOk, &QAction::triggered, this, &QDialog::accept);
    connect(btnExit, &QAction::triggered, this, &QDialog::reject);

    auto* tolOption = new QToolBar(this);
    tolOption->setObjectName(QStringLiteral("tolOption"));
    const auto kind = [&](int image, const char* hint) {
        QAction* a = tolOption->addAction(imgMain(image), QString());
        a->setToolTip(QString::fromUtf8(hint));
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::triggered, this, [this, a] { chkButtonClick(a); });
        return a;
    };
    btnTable = kind(45, "テーブル表示");
    btnView = kind(47, "ビュー表示");
    btnSynonym = kind(60, "シノニム表示");

    cmbDatabase = new QComboBox(this);
    cmbOwner = new QComboBox(this);
    txtFindTable = new QLineEdit(this);
    connect(txtFindTable, &QLineEdit::returnPressed, this, &TfrmTableList::FillTableList);
    lstTable = new QListWidget(this);
    lstTable->setObjectName(QStringLiteral("lstTable"));
    lstTable->setSortingEnabled(true);
    lstTable->setSelectionMode(singleTable ? QAbstractItemView::SingleSelection
                                           : QAbstractItemView::ExtendedSelection);
    connect(lstTable, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* fields = new QGridLayout;
    const auto row = [&](int r, const char* label, QWidget* w) {
        auto* l = new QLabel(QString::fromUtf8(label), this);
        l->setBuddy(w);
        fields->addWidget(l, r, 0);
        fields->addWidget(w, r, 1);
    };
    row(0, "データベース", cmbDatabase);
    row(1, "所有者", cmbOwner);
    row(2, "検　索", txtFindTable);
    fields->setColumnStretch(1, 1);

    auto* top = new QVBoxLayout(this);
    top->addWidget(tolCmd);
    top->addWidget(tolOption);
    top->addLayout(fields);
    top->addWidget(lstTable, 1);
    resize(300, 420);
    loadSettings();

    if (owner->DBVer < 9) {
        btnSynonym->setChecked(false);
        btnSynonym->setVisible(false);
        if (!btnTable->isChecked() || !btnView->isChecked()) {
            btnTable->setChecked(true);
            btnView->setChecked(true);
        }
    }
    QStringList databases;
    owner->GetDatabase(databases);
    cmbDatabase->addItems(databases);
    cmbDatabase->setCurrentIndex(databases.indexOf(owner->g_DataBase));
    fillOwners(owner->GetCurrentSchema());
    if (singleTable) {
        btnTable->setChecked(true);
        btnView->setChecked(false);
        btnSynonym->setChecked(false);
        tolOption->setVisible(false);
        cmbDatabase->setEnabled(false);
    }
    connect(cmbDatabase, &QComboBox::activated, this, [this] {
        fillOwners(cmbOwner->currentText());
        FillTableList();
    });
    connect(cmbOwner, &QComboBox::activated, this, [this] { FillTableList(); });
}

QString BuilderDropName(int typeCode, const QString& database, const QString& schema, const QString& name)
{
    if ((typeCode != 45 && typeCode != 47) || name.isEmpty())
        return QString();
    return TableListChoice(database, schema, name);
}

const QString TfrmTableList::WindowKey = SettingsRootKey + QStringLiteral("\\GUI\\TABLELIST");

TfrmTableList::~TfrmTableList()
{
    try {
        saveSettings();
    } catch (const std::exception&) {
    }
}

bool TfrmTableList::event(QEvent* e)
{
    if (e->type() == messageEventType(WM_RELOAD)) {
        FillTableList();
        return true;
    }
    return QDialog::event(e);
}

void TfrmTableList::loadSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(WindowKey))
        return;
    const int state = reg.GetInteger(QStringLiteral("WindowState"), 0);
    if (state == 2) { // a minimised window opens normal
        setWindowState(Qt::WindowMaximized);
        return;
    }
    // Normal: the window opens at the mouse pointer.
    const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QPoint pointer = QCursor::pos();
    move(pointer.x() - caption, pointer.y() - caption);
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    btnTable->setChecked(reg.GetBool(QStringLiteral("ShowTable"), btnTable->isChecked()));
    btnView->setChecked(reg.GetBool(QStringLiteral("ShowView"), btnView->isChecked()));
    btnSynonym->setChecked(reg.GetBool(QStringLiteral("ShowSynonym"), btnSynonym->isChecked()));
}

void TfrmTableList::saveSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(WindowKey, true))
        return;
    const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    reg.WriteInteger(QStringLiteral("WindowState"), state);
    if (state != 0)
        return;
    reg.WriteInteger(QStringLiteral("Left"), x());
    reg.WriteInteger(QStringLiteral("Top"), y());
    reg.WriteInteger(QStringLiteral("Width"), width());
    reg.WriteInteger(QStringLiteral("Height"), height());
    reg.WriteInteger(QStringLiteral("TableWidth"), lstTable->width());
    // The single-table mode forces tables only: that is not the user's choice of kinds.
    if (!m_singleTable) {
        reg.WriteBool(QStringLiteral("ShowTable"), btnTable->isChecked());
        reg.WriteBool(QStringLiteral("ShowView"), btnView->isChecked());
        if (btnSynonym->isVisible()) // hidden before 2005: released by force
            reg.WriteBool(QStringLiteral("ShowSynonym"), btnSynonym->isChecked());
    }
}

void TfrmTableList::fillOwners(const QString& select)
{
    QStringList owners;
    m_owner->GetUser(owners, cmbDatabase->currentText(), false);
    cmbOwner->clear();
    cmbOwner->addItems(owners);
    cmbOwner->setCurrentIndex(owners.indexOf(select));
}

void TfrmTableList::FillTableList()
{
    WaitCursor cursor;
    lstTable->setUpdatesEnabled(false);
    lstTable->clear();
    struct Restore {
        QListWidget* l;
        ~Restore() { l->setUpdatesEnabled(true); }
    } restore{lstTable};
    const QString types = TableListTypes(btnTable->isChecked(), btnView->isChecked(), btnSynonym->isChecked());
    for (const TableListEntry& e :
         FetchTableList(*m_owner, cmbDatabase->currentText(), cmbOwner->currentText(), types, txtFindTable->text())) {
        auto* item = new QListWidgetItem(imgMain(e.typeCode), e.name);
        item->setData(Qt::UserRole, e.typeCode);
        lstTable->addItem(item);
    }
}

void TfrmTableList::chkButtonClick(QAction* clicked)
{
    if (!btnTable->isChecked() && !btnView->isChecked() && !btnSynonym->isChecked())
        clicked->setChecked(true);
    FillTableList();
}

QStringList TfrmTableList::Choice() const
{
    QStringList out;
    const QString database = cmbDatabase->currentText(), owner = cmbOwner->currentText();
    for (int i = 0; i < lstTable->count(); ++i) {
        const QListWidgetItem* item = lstTable->item(i);
        if (!item->isSelected())
            continue;
        if (m_singleTable)
            out << owner << item->text();
        else
            out << TableListChoice(database, owner, item->text());
    }
    return out;
}

void TfrmTableList::ShowWindow(TObjectSession* owner, QStringList& tableList, QWidget* sender,
                               const QString& database, const QString& schema)
{
    const bool single = sender && sender->objectName().contains(QStringLiteral("frmTable"));
    TfrmTableList w(owner, single, sender);
    if (single) {
        if (const int i = w.cmbDatabase->findText(database); i >= 0 && i != w.cmbDatabase->currentIndex()) {
            w.cmbDatabase->setCurrentIndex(i);
            w.fillOwners(schema);
        }
        if (const int i = w.cmbOwner->findText(schema); i >= 0)
            w.cmbOwner->setCurrentIndex(i);
    }
    w.FillTableList();
    const int result = ExecHook ? ExecHook(&w) : w.exec();
    if (result == QDialog::Accepted)
        tableList << w.Choice();
}

} // namespace qv
