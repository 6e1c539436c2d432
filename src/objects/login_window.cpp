#include "objects/login_window.h"

#include "objects/login_perm_text.h"
#include "objects/resource_page.h"

#include "app/connection_window_iface.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "app/wait_cursor.h"
#include "connection/ddl_exec.h"
#include "connection/ddl_preview.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "connection/source_history.h"
#include "controls/grid/string_grid.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_text.h"

#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
DefineKind LoginKind()
{
    DefineKind k;
    k.windowClass = &TfrmLogin::staticMetaObject;
    k.objType = 119;
    k.word = QStringLiteral("LOGIN");
    k.settingsKey = QStringLiteral("LOGIN");
    k.menuTitle = QStringLiteral("LOGIN(&O)");
    k.hasSchema = false;
    k.hasSource = true;
    return k;
}

const QString Placeholder = QString(10, u' '); // the password fields of an existing SQL login
constexpr int CheckColumnWidth = 40;
constexpr int DatabaseColumnWidth = 200;
} // namespace

TfrmLogin::TfrmLogin(QObject* owner, const QString& objectName, TOpenMode mode)
    : TfrmLogin(owner, objectName, mode, false)
{
}

TfrmLogin::TfrmLogin(QObject* owner, const QString& objectName, TOpenMode mode, bool scriptMode)
    : TfrmDefine(owner, LoginKind(), DefineArgs{QString(), QString(), objectName, mode}, scriptMode)
{
    setObjectName(QStringLiteral("frmLogin"));
    // The name panel holds only the name.
    TfrmDefine::lblDatabase->hide();
    TfrmDefine::cmbDatabase->hide();
    lblName->setText(QStringLiteral("\u3000名前"));
    BuildPages();
    // The delete of a login has its own road (no database switch, transactions before 2005).
    disconnect(actDelete, &QAction::triggered, nullptr, nullptr);
    connect(actDelete, &QAction::triggered, this, [this] { DeleteLogin(); });
    Start();
}

void TfrmLogin::BuildPages()
{
    auto* split = new QHBoxLayout(tabDefine);
    split->setContentsMargins(8, 8, 8, 8);

    auto* left = new QWidget(tabDefine);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* auth = new QGroupBox(QStringLiteral("認証方法"), left);
    auto* authLayout = new QVBoxLayout(auth);
    rdoSQL = new TqvRadioButton(QStringLiteral("SQLServer認証"), auth);
    rdoSQL->setObjectName(QStringLiteral("rdoSQL"));
    rdoWIN = new TqvRadioButton(QStringLiteral("Windows認証"), auth);
    rdoWIN->setObjectName(QStringLiteral("rdoWIN"));
    rdoSQL->setChecked(true);
    authLayout->addWidget(rdoSQL);
    authLayout->addWidget(rdoWIN);
    leftLayout->addWidget(auth);

    auto* form = new QFormLayout();
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    txtPassword1 = new TqvStrEdit(left);
    txtPassword1->setObjectName(QStringLiteral("txtPassword1"));
    txtPassword1->setEchoMode(QLineEdit::Password);
    txtPassword2 = new TqvStrEdit(left);
    txtPassword2->setObjectName(QStringLiteral("txtPassword2"));
    txtPassword2->setEchoMode(QLineEdit::Password);
    cmbDatabase = new TqvDropDownCombo(left);
    cmbDatabase->setObjectName(QStringLiteral("cmbDefaultDatabase"));
    cmbDatabase->setEditable(true);
    cmbDatabase->setMinimumContentsLength(14);
    cmbLanguage = new TqvDropDownCombo(left);
    cmbLanguage->setObjectName(QStringLiteral("cmbLanguage"));
    cmbLanguage->setEditable(true);
    cmbLanguage->setMinimumContentsLength(14);
    lblDefaultDatabase = new QLabel(QStringLiteral("既定データベース"), left);
    lblLanguage = new QLabel(QStringLiteral("既定言語"), left);
    form->addRow(QStringLiteral("パスワード"), txtPassword1);
    form->addRow(QStringLiteral("(確認入力)"), txtPassword2);
    form->addRow(lblDefaultDatabase, cmbDatabase);
    form->addRow(lblLanguage, cmbLanguage);
    leftLayout->addLayout(form);

    chkLogin = new TqvCheckBox(QStringLiteral("ログインを拒否する"), left);
    chkLogin->setObjectName(QStringLiteral("chkLogin"));
    chkPassPolicy = new TqvCheckBox(QStringLiteral("パスワードポリシーを適用する"), left);
    chkPassPolicy->setObjectName(QStringLiteral("chkPassPolicy"));
    chkPassPeriod = new TqvCheckBox(QStringLiteral("パスワードの期限を適用する"), left);
    chkPassPeriod->setObjectName(QStringLiteral("chkPassPeriod"));
    chkPassPeriod->setEnabled(false);
    chkLock = new TqvCheckBox(QStringLiteral("ログインのロックアウトを解除する"), left);
    chkLock->setObjectName(QStringLiteral("chkLock"));
    chkLock->setEnabled(false);
    chkLock->setVisible(false);
    for (QWidget* c : {static_cast<QWidget*>(chkLogin), static_cast<QWidget*>(chkPassPolicy),
                       static_cast<QWidget*>(chkPassPeriod), static_cast<QWidget*>(chkLock)})
        leftLayout->addWidget(c);
    leftLayout->addStretch();

    auto* right = new QWidget(tabDefine);
    right->setObjectName(QStringLiteral("pnlRight"));
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(new QLabel(QStringLiteral("ユーザー割当"), right));
    grdUser = new TqvStringGrid(right);
    grdUser->setObjectName(QStringLiteral("grdUser"));
    grdUser->SetColCount(4);
    grdUser->SetRowCount(2);
    grdUser->SetFixedRows(1);
    grdUser->SetFixedCols(0);
    grdUser->SetHeader({QStringLiteral("データベース"), QStringLiteral("割当"), QStringLiteral("ユーザー"),
                        QStringLiteral("既定のスキーマ")});
    grdUser->SetColWidths(0, DatabaseColumnWidth);
    grdUser->SetColWidths(1, CheckColumnWidth);
    grdUser->SetColWidths(2, 130);
    grdUser->SetColWidths(3, 130);
    grdUser->SetEditStyles(1, TqvGridEditStyle::geCheckBox);
    grdUser->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString&) { grdUserSetEditText(c, r); };
    grdUser->OnSelectCell = [this](int c, int r) { return grdUserSelectCell(c, r); };
    grdUser->OnGetPickListitems = [this](int c, int r, QStringList& items) {
        if (c == 3)
            Session()->GetUser(items, grdUser->Cells(0, r), false);
    };
    grdUser->viewport()->installEventFilter(this);
    rightLayout->addWidget(grdUser, 1);

    split->addWidget(left, 2);
    split->addWidget(right, 3);

    // The resource page: the login's server permissions.
    tabResource = new QWidget(pagObject);
    tabResource->setObjectName(QStringLiteral("tabResource"));
    auto* resourceLayout = new QVBoxLayout(tabResource);
    resourceLayout->setContentsMargins(0, 0, 0, 0);
    fraResource = new TfraResource(tabResource);
    fraResource->Permissions = [](int t) -> const QStringList& { return loginperm::Permissions(t); };
    fraResource->OnModified = [this] {
        SetModified(true);
        actCompile->setEnabled(true);
    };
    fraResource->OnShowModeClick = [this] { Guard([this] { Reload(); }); };
    resourceLayout->addWidget(fraResource);
    pagObject->addTab(tabResource, QStringLiteral("リソース"));

    for (QWidget* c : {static_cast<QWidget*>(txtPassword1), static_cast<QWidget*>(txtPassword2),
                       static_cast<QWidget*>(cmbDatabase), static_cast<QWidget*>(cmbLanguage),
                       static_cast<QWidget*>(chkLogin), static_cast<QWidget*>(chkPassPolicy),
                       static_cast<QWidget*>(chkPassPeriod), static_cast<QWidget*>(chkLock)})
        TrackChanges(c);
    connect(rdoSQL, &QAbstractButton::clicked, this, [this] { rdoPassClick(); });
    connect(rdoWIN, &QAbstractButton::clicked, this, [this] { rdoPassClick(); });
    connect(chkPassPolicy, &QAbstractButton::clicked, this, [this] { chkPassPolicyClick(); });
    connect(chkLock, &QAbstractButton::clicked, this, [this] { chkLockClick(); });
    cmbDatabase->OnDropDown = [this] {
        QStringList list;
        Session()->GetDatabase(list);
        cmbDatabase->clear();
        cmbDatabase->addItems(list);
    };
    cmbLanguage->OnDropDown = [this] {
        db::Query* q = Session()->OpenSQL(login::LanguageListQuery());
        QStringList list;
        for (q->First(); !q->Eof(); q->Next())
            list << q->Fields().at(0)->AsString();
        q->Close();
        cmbLanguage->clear();
        cmbLanguage->addItems(list);
    };
}

int TfrmLogin::DbVer() const { return OwnerForm() ? OwnerForm()->DBVer() : 99; }

bool TfrmLogin::Azure() const { return OwnerForm() && OwnerForm()->IsAzure(); }

bool TfrmLogin::ResourceShown() const { return !IsNew() && DbVer() >= 9 && !Azure(); }

QWidget* TfrmLogin::PageForMode(TOpenMode mode)
{
    switch (mode) {
    case omDefine:
    case omData: return tabDefine;
    case omSource: return tabSource;
    default: return ResourceShown() ? tabResource : tabDefine;
    }
}

QList<QWidget*> TfrmLogin::ExistingOnlyPages() { return {tabSource, tabResource}; }

bool TfrmLogin::IsCreate() const { return IsNew() || SourceMode == smText || SourcePageActive(); }

login::LoginState TfrmLogin::State() const
{
    login::LoginState s;
    s.name = txtName->text().trimmed();
    s.isNew = IsNew();
    s.sqlAuth = rdoSQL->isChecked();
    s.password1 = txtPassword1->text();
    s.password2 = txtPassword2->text();
    s.passwordChanged = txtPassword1->IsChanged() || txtPassword2->IsChanged();
    s.defaultDatabase = cmbDatabase->currentText().trimmed();
    s.language = cmbLanguage->currentText().trimmed();
    s.deny = chkLogin->isChecked();
    s.denyChanged = chkLogin->IsChanged();
    s.policy = chkPassPolicy->isChecked();
    s.expiration = chkPassPeriod->isChecked();
    s.unlock = chkLock->isChecked();
    s.dbVer = DbVer();
    s.azure = Azure();
    s.scriptMode = SourceMode == smText;
    s.databaseOption = ScriptOption.Database;
    if (IConnectionWindow* conn = OwnerForm())
        s.connectionDatabase = conn->DataBase();
    const bool schemas = s.dbVer >= 9;
    for (int r = grdUser->FixedRows(); r < grdUser->RowCount(); ++r) {
        if (grdUser->IsNull(0, r))
            continue;
        login::MappingRow m;
        m.database = grdUser->Cells(0, r);
        m.mapped = grdUser->Checked(1, r);
        m.user = grdUser->Cells(2, r).trimmed();
        m.schema = schemas ? grdUser->Cells(3, r).trimmed() : QString();
        if (r < grdUser->SaveRowCount()) {
            m.loadedMapped = grdUser->SaveCells(1, r) == QLatin1String("1");
            m.loadedUser = grdUser->SaveCells(2, r).trimmed();
            m.loadedSchema = schemas ? grdUser->SaveCells(3, r).trimmed() : QString();
        }
        s.users << m;
    }
    return s;
}

QStringList TfrmLogin::GetSourceCreate() const { return login::CreateText(State()); }

QStringList TfrmLogin::GetSourceAlter() const { return login::AlterText(State()); }

QStringList TfrmLogin::GetSourceDrop() const { return login::DropText(State()); }

QStringList TfrmLogin::GetSourceGrant() const
{
    if (!ResourceShown())
        return {};
    loginperm::TextInput in;
    in.login = txtName->text().trimmed();
    in.scriptMode = SourceMode == smText;
    in.databaseOption = ScriptOption.Database;
    in.azure = Azure();
    in.defaultDatabase = cmbDatabase->currentText().trimmed();
    if (IConnectionWindow* conn = OwnerForm())
        in.connectionDatabase = conn->DataBase();
    return loginperm::GrantText(fraResource->Rows(), in);
}

void TfrmLogin::ShowResource()
{
    if (!LoadLoginResources(*Session(), *fraResource, txtName->text())) {
        if (SourceMode == smShow)
            Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
        Abort();
    }
}

void TfrmLogin::ShowData(bool isDrop)
{
    WaitCursor cursor;
    struct Finish {
        TfrmLogin* w;
        ~Finish()
        {
            w->grdUser->HideEditor();
            w->grdUser->SetGridOptions(w->grdUser->GridOptions() & ~unsigned(goEditing));
            w->SetModified(false);
        }
    } finish{this};
    const bool azure = Azure();
    const int ver = DbVer();
    const QString name = txtName->text().trimmed();
    TObjectSession* s = Session();

    // 1. Azure has neither the authentication choice nor the server-level settings.
    rdoSQL->setEnabled(!azure);
    rdoWIN->setEnabled(!azure);
    for (QWidget* c : {static_cast<QWidget*>(cmbDatabase), static_cast<QWidget*>(cmbLanguage),
                       static_cast<QWidget*>(lblDefaultDatabase), static_cast<QWidget*>(lblLanguage)})
        c->setVisible(!azure);
    {
        const QSignalBlocker b(chkLock);
        chkLock->setChecked(false);
        chkLock->setEnabled(false);
        chkLock->setVisible(false);
    }

    if (IsNew()) {
        rdoPassClick();
    } else {
        // 3. The login.
        db::Query* q = s->OpenSQL(login::LoginQuery(ver, azure), {name});
        const bool found = !q->Eof();
        QStringList row;
        if (found)
            for (int i = 0; i < 4; ++i)
                row << q->Fields().at(i)->AsString();
        q->Close();
        if (!found) {
            if (SourceMode == smShow)
                Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
        const bool sqlLogin = row.at(0).trimmed() == QLatin1String("2");
        if (sqlLogin) {
            txtPassword1->setText(Placeholder);
            txtPassword2->setText(Placeholder);
        } else {
            txtPassword1->clear();
            txtPassword2->clear();
        }
        rdoSQL->SaveValue = sqlLogin;
        rdoWIN->SaveValue = !sqlLogin;
        cmbDatabase->setEditText(row.at(1));
        cmbLanguage->setEditText(row.at(2));
        chkLogin->setChecked(login::FlagIsSet(row.at(3)));
        rdoPassClick();
        // 4. Policy, expiration and the lockout of an SQL Server login.
        if (ver >= 9 && sqlLogin) {
            db::Query* o = s->OpenSQL(login::LoginOptionQuery(azure), {name});
            const bool hasOptions = !o->Eof();
            QStringList opt;
            if (hasOptions)
                for (int i = 0; i < 3; ++i)
                    opt << o->Fields().at(i)->AsString();
            o->Close();
            if (!hasOptions) {
                if (SourceMode == smShow)
                    Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
                Abort();
            }
            chkPassPolicy->setChecked(login::FlagIsSet(opt.at(0)));
            chkPassPeriod->setChecked(login::FlagIsSet(opt.at(1)));
            const bool locked = opt.at(2).trimmed() == QLatin1String("1");
            chkLock->setEnabled(locked);
            chkLock->setVisible(locked && !azure);
            rdoPassClick();
        }
    }
    // 5. Defaults.
    if (cmbDatabase->currentText().trimmed().isEmpty())
        cmbDatabase->setEditText(QStringLiteral("master"));
    if (cmbLanguage->currentText().trimmed().isEmpty()) {
        db::Query* q = s->OpenSQL(login::DefaultLanguageQuery());
        const QString alias = q->Eof() ? QString() : q->Fields().at(0)->AsString();
        q->Close();
        cmbLanguage->setEditText(alias);
    }
    // 6. The user in every database.
    LoadUsers();
    // 7. The resource page.
    if (SourceMode == smShow) {
        const QSignalBlocker block(pagObject);
        pagObject->setTabVisible(pagObject->indexOf(tabResource), ResourceShown());
    }
    if (ResourceShown())
        ShowResource();
    else
        fraResource->Clear();
    // 8. Snapshots.
    grdUser->Save();
    for (TqvStrEdit* e : {txtPassword1, txtPassword2})
        e->Save();
    for (TqvCheckBox* c : {chkLogin, chkPassPolicy, chkPassPeriod, chkLock})
        c->Save();
    cmbDatabase->Save();
    cmbLanguage->Save();
    txtName->Save();
    chkPassPolicy->setVisible(ver >= 9 && !azure);
    chkPassPeriod->setVisible(ver >= 9 && !azure);
    // 9. The source page.
    if (SourcePageActive() && SourceMode == smShow)
        SetSourceLines(isDrop ? GetSourceDrop() : GetSourceCreate());
    pnlRightResize();
}

void TfrmLogin::LoadUsers()
{
    const bool azure = Azure();
    const int ver = DbVer();
    const QString name = txtName->text().trimmed();
    TObjectSession* s = Session();
    QStringList databases;
    s->GetDatabase(databases);
    grdUser->HideEditor();
    grdUser->Clear();
    grdUser->SetGridOptions(grdUser->GridOptions() & ~unsigned(goEditing));
    grdUser->SetGridMode(TqvGridEditorMode::geAccess);
    grdUser->SetEditStyles(1, TqvGridEditStyle::geCheckBox);
    if (ver < 9) {
        grdUser->SetColCount(3);
    } else {
        grdUser->SetColCount(4);
        grdUser->SetHeader({QStringLiteral("データベース"), QStringLiteral("割当"), QStringLiteral("ユーザー"),
                            QStringLiteral("既定のスキーマ")});
        grdUser->SetEditStyles(3, TqvGridEditStyle::gePickList);
    }
    if (!azure) {
        grdUser->SetRowCount(std::max(2, int(databases.size()) + 1));
        for (int i = 0; i < databases.size(); ++i) {
            const int r = i + 1;
            grdUser->SetCells(0, r, databases.at(i));
            if (IsNew())
                continue;
            db::Query* q = s->OpenSQL(s->Use(databases.at(i)) + login::UserQuery(ver, false), {name});
            for (q->First(); !q->Eof(); q->Next()) {
                grdUser->SetCells(1, r, QStringLiteral("1"));
                grdUser->SetCells(2, r, q->Fields().at(0)->AsString());
                if (ver >= 9)
                    grdUser->SetCells(3, r, q->Fields().at(1)->AsString());
            }
            q->Close();
        }
    } else if (!IsNew()) {
        db::Query* q = s->OpenSQL(login::UserQuery(ver, true), {name});
        for (q->First(); !q->Eof(); q->Next()) {
            grdUser->SetCells(0, 1, OwnerForm()->DataBase());
            grdUser->SetCells(1, 1, QStringLiteral("1"));
            grdUser->SetCells(2, 1, q->Fields().at(0)->AsString());
            grdUser->SetCells(3, 1, q->Fields().at(1)->AsString());
        }
        q->Close();
    }
}

void TfrmLogin::rdoPassClick()
{
    const bool sql = rdoSQL->isChecked();
    const int ver = DbVer();
    txtPassword1->setEnabled(sql);
    txtPassword2->setEnabled(sql);
    chkPassPolicy->setEnabled(sql);
    chkPassPeriod->setEnabled(sql && chkPassPolicy->isChecked());
    chkLogin->setEnabled(!(sql && ver < 9));
    chkLogin->setVisible(!(Azure() || (!IsNew() && sql && ver < 9)));
    if (IsNew()) {
        SetModified(true);
    } else {
        // The authentication kind of an existing login cannot change.
        rdoSQL->setChecked(rdoSQL->SaveValue);
        rdoWIN->setChecked(rdoWIN->SaveValue);
    }
}

void TfrmLogin::chkPassPolicyClick()
{
    chkPassPeriod->setEnabled(chkPassPolicy->isChecked());
    chkPassPeriod->setChecked(chkPassPolicy->isChecked());
    SetModified(true);
}

void TfrmLogin::chkLockClick()
{
    if (chkLock->isChecked()) {
        // The unlock sets a new password: the fields are emptied for it unless one was typed.
        if (!(txtPassword1->IsChanged() && txtPassword2->IsChanged())) {
            txtPassword1->clear();
            txtPassword2->clear();
        }
    } else if (txtPassword1->text().isEmpty() && txtPassword2->text().isEmpty()) {
        // Nothing was typed: the fields show the loaded placeholder again.
        txtPassword1->setText(txtPassword1->SaveValue);
        txtPassword2->setText(txtPassword2->SaveValue);
    }
    SetModified(true);
}

bool TfrmLogin::grdUserSelectCell(int c, int r)
{
    const bool editable = (c == 2 || c == 3) && grdUser->Checked(1, r);
    if (editable) {
        grdUser->SetGridOptions(grdUser->GridOptions() | goEditing);
    } else {
        grdUser->HideEditor();
        grdUser->SetGridOptions(grdUser->GridOptions() & ~unsigned(goEditing));
    }
    return true;
}

void TfrmLogin::grdUserSetEditText(int c, int r)
{
    if (c == 1) {
        const bool on = grdUser->Checked(1, r);
        grdUser->SetCells(2, r, on ? txtName->text().trimmed() : QString());
        if (DbVer() >= 9 && grdUser->ColCount() > 3)
            grdUser->SetCells(3, r, on ? QStringLiteral("dbo") : QString());
    }
    SetModified(true);
    actCompile->setEnabled(true);
}

void TfrmLogin::pnlRightResize()
{
    const int rest = grdUser->viewport()->width() - CheckColumnWidth - 20;
    if (grdUser->ColCount() < 4) {
        const int half = std::max(60, (rest + 1) / 2);
        grdUser->SetColWidths(0, half);
        grdUser->SetColWidths(2, std::max(60, rest - half));
    } else {
        const int share = std::max(60, rest - DatabaseColumnWidth);
        const int half = (share + 1) / 2;
        grdUser->SetColWidths(0, DatabaseColumnWidth);
        grdUser->SetColWidths(2, half);
        grdUser->SetColWidths(3, std::max(60, share - half));
    }
}

bool TfrmLogin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grdUser->viewport() && event->type() == QEvent::Resize)
        pnlRightResize();
    return TfrmDefine::eventFilter(watched, event);
}

QStringList TfrmLogin::GetDDL()
{
    QStringList lines;
    if (!IsNew() && IsCreate())
        lines << GetSourceDrop();
    if (SourcePageActive())
        lines << SourceLines();
    else if (pagObject->currentWidget() == tabResource)
        lines << GetSourceGrant();
    else
        lines << (IsNew() ? GetSourceCreate() : GetSourceAlter());
    return lines;
}

QStringList TfrmLogin::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmLogin::DeleteStatement()
{
    return login::DeleteStatement(txtName->text(), rdoSQL->isChecked(), DbVer());
}

void TfrmLogin::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database.clear();
    schema.clear();
    name = txtName->text().trimmed();
}

void TfrmLogin::Compile() { Guard([this] { DoCompile(); }); }

void TfrmLogin::DoCompile()
{
    grdUser->HideEditor();
    if (txtName->IsNull())
        Warn(QStringLiteral("名前を入力して下さい。"), txtName);
    if (DefinePageActive() && rdoSQL->isChecked()) {
        switch (login::CheckPasswords(State())) {
        case login::PasswordCheck::Mismatch: Warn(QStringLiteral("パスワードが一致しません。"), txtPassword2);
        case login::PasswordCheck::UnlockNeedsNew: Warn(login::UnlockNeedsPasswordText(), txtPassword1);
        case login::PasswordCheck::Blank:
            if (Box(QStringLiteral("パスワードが空白です。\r\nこのまま実行しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES) {
                txtPassword1->setFocus();
                Abort();
            }
            break;
        case login::PasswordCheck::Ok: break;
        }
    }
    const QStringList lines = GetDDL();
    if (IsBlankScript(lines)) {
        Box(QStringLiteral("変更箇所が見つかりませんでした。"), NoChangeFlags());
        TqvForm::SetIsNew(false);
        pagObjectChange();
        return;
    }
    if (SourcePageActive() && login::SourceHasBlankPassword(lines, DbVer())) {
        if (Box(QStringLiteral("パスワード（PASSWORD句）が空白です。\r\nこのまま実行しますか？"), MB_YESNO | MB_ICONQUESTION) !=
            IDYES) {
            TqvForm::SetIsNew(false);
            pagObjectChange();
            return;
        }
    }
    QStringList run = lines;
    const QString name = txtName->text().trimmed();
    TfrmMain* main = TfrmMain::instance();
    if (!TfrmDDLPreview::ShowWindow(run, QString(), QString(), name, main))
        return;
    TObjectSession* session = Session();
    const ScriptContext context{session, dynamic_cast<TfrmObject*>(OwnerForm())};
    if (!IsNew())
        SaveBeforeSource(context, QString(), QString(), name, 119);
    // Logins are server objects: an open transaction of the connection is ended first.
    try {
        db::Connection* c = session->dmSQLServer->Connection;
        if (c->InTransaction())
            c->Commit();
    } catch (const std::exception&) {
    }
    try {
        TfrmDDLExec::ShowWindow(session, run, main);
    } catch (...) {
        TfrmDDLExec::WaitProc();
        throw;
    }
    TfrmDDLExec::WaitProc();
    SaveAfterSource(context, QString(), QString(), name, 119);
    TqvForm::SetIsNew(false);
    pagObjectChange();
}

void TfrmLogin::DeleteLogin()
{
    if (IsNew())
        return;
    if (Box(QStringLiteral("オブジェクトを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    bool done = false;
    Guard([&] {
        WaitCursor cursor;
        TObjectSession* s = Session();
        db::Connection* c = s->dmSQLServer->Connection;
        const bool old = DbVer() < 9;
        if (old) {
            try {
                if (c->InTransaction())
                    c->Commit();
            } catch (const std::exception&) {
            }
        }
        s->ExecuteSQL(DeleteStatement());
        if (old) {
            try {
                if (qvOption.AutoTran && !c->InTransaction())
                    c->StartTransaction();
            } catch (const std::exception&) {
            }
        }
        done = true;
    });
    if (!done)
        return;
    Box(QStringLiteral("オブジェクトが削除されました。"), MB_OK | MB_ICONINFORMATION);
    SetModified(false);
    frame()->close();
}

void TfrmLogin::GetScript(IConnectionWindow* owner, const QString& objectName, QIODevice& stream)
{
    std::unique_ptr<TfrmLogin> w(new TfrmLogin(owner ? owner->connectionWidget() : nullptr, objectName, omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

void TfrmLogin::GetScriptResource(IConnectionWindow* owner, const QString& objectName, QIODevice& stream)
{
    std::unique_ptr<TfrmLogin> w(new TfrmLogin(owner ? owner->connectionWidget() : nullptr, objectName, omDefine, true));
    w->SourceMode = smText;
    {
        const QSignalBlocker block(w->pagObject);
        w->pagObject->setCurrentWidget(w->tabDefine);
    }
    w->ShowData(false);
    QStringList lines = w->GetSourceGrant();
    RemoveDuplicateUse(lines);
    RemoveBlankLines(lines);
    WriteScript(stream, lines);
    Abort();
}

} // namespace qv
