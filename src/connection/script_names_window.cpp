#include "connection/script_names_window.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/qvstrings.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "connection/script_names.h"
#include "platform/db/query.h"
#include "platform/registry.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

std::function<int(TfrmNameTable*)> TfrmNameTable::ExecHook;
std::function<int(const QString&, int, bool*)> TfrmNameTable::AskHook;
std::function<void(const QString&, int)> TfrmNameTable::MessageHook;

TfrmNameTable::TfrmNameTable(TObjectSession* owner, QWidget* parent) : QDialog(parent), m_session(owner)
{
    setObjectName(QStringLiteral("frmNameTable"));
    setWindowTitle(QStringLiteral("スクリプト名テーブル"));
    auto* tolCmd = new QToolBar(this);
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnCommit = new QToolButton(this);
    btnCommit->setText(QStringLiteral("登録(&C)"));
    btnCommit->setPopupMode(QToolButton::MenuButtonPopup);
    auto* menu = new QMenu(btnCommit);
    btnCommit->setIcon(imgMain(15));
    mnuInstData = menu->addAction(imgMain(39), QStringLiteral("初期データ登録"));
    btnCommit->setMenu(menu);
    btnExit = new QToolButton(this);
    btnExit->setText(QStringLiteral("終了(&X)"));
    btnExit->setIcon(imgMain(42));
    for (QToolButton* b : {btnCommit, btnExit}) {
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setMinimumWidth(78);
    }
    tolCmd->addWidget(btnCommit);
    tolCmd->addWidget(btnExit);

    cmbConnection = new QComboBox(this);
    cmbDatabase = new QComboBox(this);
    cmbSchema = new QComboBox(this);
    cmbSchema->setEditable(true);
    cmbName = new QComboBox(this);
    cmbName->setEditable(true);
    fraData = new TfraData(this, this);
    fraData->setObjectName(QStringLiteral("fraData"));

    auto* boxes = new QGridLayout;
    boxes->addWidget(cmbConnection, 0, 0, 1, 6);
    boxes->addWidget(new QLabel(QStringLiteral("データベース"), this), 1, 0);
    boxes->addWidget(cmbDatabase, 1, 1);
    boxes->addWidget(new QLabel(QStringLiteral("所有者"), this), 1, 2);
    boxes->addWidget(cmbSchema, 1, 3);
    boxes->addWidget(new QLabel(QStringLiteral("名前"), this), 1, 4);
    boxes->addWidget(cmbName, 1, 5);
    boxes->setColumnStretch(1, 1);
    boxes->setColumnStretch(3, 1);
    boxes->setColumnStretch(5, 2);
    auto* main = new QVBoxLayout(this);
    main->addWidget(tolCmd);
    main->addLayout(boxes);
    main->addWidget(fraData, 1);

    // The open connections of the main window; the asking one selected.
    if (TfrmMain* m = TfrmMain::instance())
        for (IConnectionWindow* c : m->ConnectionWindows())
            if (auto* w = dynamic_cast<TfrmObject*>(c)) {
                m_sessions << w->session();
                cmbConnection->addItem(w->session()->ConnectionText());
            }
    if (m_session && !m_sessions.contains(m_session)) {
        m_sessions << m_session;
        cmbConnection->addItem(m_session->ConnectionText());
    }
    cmbConnection->setCurrentIndex(int(m_sessions.indexOf(m_session)));

    connect(btnCommit, &QToolButton::clicked, this, [this] { btnCommitClick(); });
    connect(mnuInstData, &QAction::triggered, this, [this] { mnuInstDataClick(); });
    connect(btnExit, &QToolButton::clicked, this, &QDialog::accept);
    connect(cmbConnection, &QComboBox::activated, this, [this](int i) { SelectConnection(m_sessions.value(i)); });
    for (QComboBox* c : {cmbDatabase, cmbSchema, cmbName})
        connect(c, &QComboBox::currentTextChanged, this, [this] { closeData(); });
    resize(760, 480);
}

int TfrmNameTable::ask(const QString& text, int flags, bool* check)
{
    if (AskHook)
        return AskHook(text, flags, check);
    if (check)
        return ShowCheckMessageBox(text, flags,
                                   {CheckItem{QStringLiteral("全オブジェクトを登録する(非チェック時は所有オブジェクトのみ)"), check}});
    return ShowMessageBox(text, flags);
}

void TfrmNameTable::warn(const QString& text)
{
    if (MessageHook)
        MessageHook(text, MB_ICONWARNING);
    else
        ShowMessageBox(text, MB_ICONWARNING);
}

void TfrmNameTable::closeData()
{
    if (fraData->qryData && fraData->qryData->Active())
        fraData->qryData->Close();
}

void TfrmNameTable::SelectConnection(TObjectSession* session)
{
    if (!session)
        return;
    m_session = session;
    fraData->SetConnection(session->dmSQLServer->Connection);
    QStringList databases;
    session->GetDatabase(databases);
    const NameTableRef ref = SplitNameTableRef(NameTableOf(session->g_Server), session->g_DataBase, session->GetCurrentSchema());
    {
        const QSignalBlocker b1(cmbDatabase), b2(cmbSchema), b3(cmbName);
        cmbDatabase->clear();
        cmbDatabase->addItems(databases);
        cmbDatabase->setCurrentText(ref.database);
        cmbSchema->setEditText(ref.schema);
        cmbName->setEditText(ref.name);
    }
    setWindowTitle(QStringLiteral("スクリプト名テーブル編集 - ") + ref.database + QLatin1Char('.') + ref.schema +
                   QLatin1Char('.') + ref.name + QStringLiteral(" @ ") + session->g_Server);
    cmbDatabase->setEnabled(!session->IsAzure);
    Reload();
}

void TfrmNameTable::Reload()
{
    closeData();
    m_layoutOk = false;
    m_updateTable.clear();
    const QString schema = cmbSchema->currentText().trimmed();
    const QString name = cmbName->currentText().trimmed();
    if (!m_session || schema.isEmpty() || name.isEmpty())
        return;
    const QString database = cmbDatabase->currentText();
    try {
        fraData->SetConnection(m_session->dmSQLServer->Connection);
        fraData->SetDBName(database);
        fraData->SetTableName(schema + QLatin1Char('.') + name);
        fraData->SetSQL(m_session->Use(database) + NameTableCheckSql(QuoteIdentifier(schema, true) + QLatin1Char('.') +
                                                                     QuoteIdentifier(name, true)));
        const QString update = QuoteIdentifier(database, true) + QLatin1Char('.') + QuoteIdentifier(schema, true) +
                               QLatin1Char('.') + QuoteIdentifier(name, true);
        fraData->Prepare();
        fraData->qryData->SetUpdateTableName(update);
        fraData->Open();
        m_layoutOk = true;
        m_updateTable = update;
    } catch (const std::exception&) {
        m_layoutOk = false;
        m_updateTable.clear();
    }
}

void TfrmNameTable::btnCommitClick()
{
    const QString database = cmbDatabase->currentText();
    const QString schema = cmbSchema->currentText().trimmed();
    const QString name = cmbName->currentText().trimmed();
    if (name.isEmpty()) {
        warn(QStringLiteral("名前を入力して下さい。"));
        cmbName->setFocus();
        return;
    }
    if (schema.isEmpty()) {
        warn(QStringLiteral("スキーマ名を入力して下さい。"));
        cmbSchema->setFocus();
        return;
    }
    if (!m_session)
        return;
    try {
        Reload();
        db::Query* q = m_session->OpenSQL(m_session->Use(database) + QStringLiteral("select count(object_id(:OBJName))"),
                                          {QuoteIdentifier(schema, true) + QLatin1Char('.') + QuoteIdentifier(name, true)});
        const bool exists = !q->Eof() && q->Fields().at(0)->AsInteger() > 0;
        q->Close();
        if (exists && !m_layoutOk) {
            warn(QStringLiteral("テーブルレイアウトが一致しません。"));
        } else if (!exists &&
                   ask(QStringLiteral("テーブルが見つかりません。新規作成しますか？"), MB_YESNO | MB_ICONQUESTION, nullptr) == IDYES) {
            try {
                m_session->ExecuteSQL(NameTableCreateSql(database, schema, name, m_session->IsAzure));
                Reload();
                mnuInstDataClick();
            } catch (const std::exception&) {
            }
            Reload();
        }
    } catch (const std::exception&) {
    }
    SetNameTableOf(m_session->g_Server, database + QLatin1Char('.') + schema + QLatin1Char('.') + name);
    fraData->SetTableName(schema + QLatin1Char('.') + name);
}

void TfrmNameTable::mnuInstDataClick()
{
    if (!m_session || !fraData->qryData || !fraData->qryData->Active())
        return;
    bool all = false;
    if (ask(QStringLiteral("初期データを登録しますか？"), MB_YESNO | MB_ICONQUESTION, &all) != IDYES)
        return;
    m_session->ExecuteSQL(NameTableInitialRowsSql(cmbDatabase->currentText(), cmbSchema->currentText().trimmed(),
                                                  cmbName->currentText().trimmed(), all, m_session->DBVer));
    Reload();
}

namespace {
const QString kNameTableKey = SettingsRootKey + QStringLiteral("\\GUI\\NAMETABLE");
}

void TfrmNameTable::ShowWindow(TObjectSession* owner, QWidget* parent)
{
    TfrmNameTable w(owner, parent);
    {
        TqvRegistry reg;
        if (reg.OpenKeyReadOnly(kNameTableKey))
            w.resize(reg.GetInteger(QStringLiteral("Width"), w.width()), reg.GetInteger(QStringLiteral("Height"), w.height()));
    }
    try {
        w.SelectConnection(owner);
    } catch (const std::exception& e) {
        ShowMessageBox(QString::fromUtf8(e.what()), MB_ICONERROR);
    }
    if (ExecHook)
        ExecHook(&w);
    else
        w.exec();
    if (w.isMaximized() || w.isMinimized())
        return;
    try {
        TqvRegistry reg;
        if (reg.OpenKey(kNameTableKey, true)) {
            reg.WriteInteger(QStringLiteral("Width"), w.width());
            reg.WriteInteger(QStringLiteral("Height"), w.height());
        }
    } catch (const std::exception&) {
    }
}

} // namespace qv
