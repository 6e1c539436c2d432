#include "connection/object_session.h"

#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/connection_facts.h"
#include "platform/exceptions.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace qv {

namespace {

void CloseQuietly(db::Query* q)
{
    try {
        q->Close();
    } catch (const std::exception&) {
    }
}

QVariantList RowOf(db::Query* q)
{
    QVariantList row;
    for (db::Field* f : q->Fields())
        row << (f->IsNull() ? QVariant() : QVariant(f->AsString()));
    return row;
}
} // namespace

TObjectSession::TObjectSession(QObject* parent)
    : QObject(parent),
      dmSQLServer(new TdmSQLServer(this)),
      qryExec(new db::Query(this)),
      qryObject(new db::Query(this)),
      qryIdxFragment(new db::Query(this)),
      qryIdxCol(new db::Query(this)),
      qryFragmentPerms(new db::Query(this))
{
    qryExec->SetParamCreate(false);
    qryExec->SetEscapeExpand(false);
    for (db::Query* q : {qryExec, qryObject, qryIdxFragment, qryIdxCol, qryFragmentPerms})
        q->SetConnection(dmSQLServer->Connection);
}

void TObjectSession::Connect(const QString& sid, const QString& userId, const QString& password, const QString& server,
                             int versionOverride, std::shared_ptr<db::DriverConnection> driver)
{
    db::Connection* con = dmSQLServer->Connection;
    db::ParamList& p = con->Params();
    con->Close();
    if (driver)
        con->SetDriver(std::move(driver));
    g_Win_Attest = userId.trimmed().isEmpty();
    p.setValue(QStringLiteral("OSAuthent"), g_Win_Attest ? QStringLiteral("Yes") : QStringLiteral("No"));
    p.setValue(QStringLiteral("ApplicationName"), QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    p.setValue(QStringLiteral("User_Name"), userId);
    p.setValue(QStringLiteral("Password"), password);
    p.setValue(QStringLiteral("Server"), server);
    const bool azureServer = catalog::IsAzureServerName(server);
    if (azureServer) {
        p.setValue(QStringLiteral("User_Name"), userId + QStringLiteral("@") + server);
        p.setValue(QStringLiteral("OSAuthent"), QStringLiteral("No"));
    }
    p.setValue(QStringLiteral("Database"), sid.trimmed().isEmpty() ? QStringLiteral("master") : sid.trimmed());
    g_UserID = userId;
    g_Password = password;
    g_Server = server;
    g_DataBase = p.value(QStringLiteral("Database"));
    con->Open();

    FactSources src;
    src.firstRow = [this](const QString& sql) { return firstRow(sql); };
    src.serverVersion = [this] { return dmSQLServer->GetDBVersion(); };
    const ConnectionFacts f = GatherConnectionFacts(src, userId, sid, g_DataBase, versionOverride);
    DBVer = g_DBVer = f.dbVer;
    IsAzure = f.isAzure;
    g_DataBase = f.database;
    p.setValue(QStringLiteral("Database"), f.database);
    if (!f.login.isEmpty()) {
        g_UserID = f.login;
        p.setValue(QStringLiteral("User_Name"), IsAzure ? f.login + QStringLiteral("@") + server : f.login);
    }
    g_User = f.user;
    g_Schema = f.schema;
    MYSID = f.spid;
    if (qvOption.AutoTran && !con->InTransaction())
        con->StartTransaction();
}

QVariantList TObjectSession::firstRow(const QString& sql)
{
    db::Query* q = OpenSQL(sql);
    QVariantList row;
    if (!q->Eof())
        row = RowOf(q);
    CloseQuietly(q);
    return row;
}

void TObjectSession::Disconnect()
{
    db::Connection* con = dmSQLServer->Connection;
    try {
        if (con->Connected() && con->InTransaction())
            con->Commit();
    } catch (const std::exception&) {
    }
    for (db::Query* q : {qryExec, qryObject, qryIdxFragment, qryIdxCol, qryFragmentPerms, dmSQLServer->qryGeneral})
        CloseQuietly(q);
    try {
        con->Close();
    } catch (const std::exception&) {
    }
}

QString TObjectSession::ConnectionText() const
{
    return g_UserID + QStringLiteral(" @ ") + g_Server + QStringLiteral(".") + g_DataBase;
}

void TObjectSession::ExecuteSQL(const QString& sqlText)
{
    WaitCursor cursor;
    try {
        qryExec->Close();
        qryExec->SetParamCreate(false);
        qryExec->Params().Clear();
        qryExec->SQL().SetText(sqlText);
        qryExec->ExecSQL();
        qryExec->Close();
    } catch (...) {
        CloseQuietly(qryExec);
        throw;
    }
}

void TObjectSession::ExecuteSQL(const QStringList& sqlText, bool ignoreError)
{
    WaitCursor cursor;
    for (const QString& batch : catalog::GoBatches(sqlText)) {
        try {
            ExecuteSQL(batch);
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception&) {
            if (!ignoreError)
                throw;
        }
    }
}

db::Query* TObjectSession::OpenSQL(const QString& sqlText, const QStringList& paramData)
{
    db::Query* q = dmSQLServer->qryGeneral;
    q->Close();
    q->SetParamCreate(true);
    q->SQL().SetText(sqlText);
    if (q->Params().Count() != paramData.size())
        throw EDatabaseError(QStringLiteral("The statement has %1 parameters but %2 values were given.")
                                 .arg(q->Params().Count())
                                 .arg(paramData.size()));
    for (int i = 0; i < paramData.size(); ++i)
        q->Params()[i].SetAsWideString(paramData.at(i));
    q->Open();
    return q;
}

db::Query* TObjectSession::OpenSQL(const QString& sqlText)
{
    db::Query* q = dmSQLServer->qryGeneral;
    q->Close();
    q->Params().Clear();
    q->SQL().SetText(sqlText);
    q->Open();
    return q;
}

namespace {
QStringList Column0(db::Query* q)
{
    QStringList out;
    for (q->First(); !q->Eof(); q->Next())
        out << q->Fields().at(0)->AsString();
    return out;
}

void SortNames(QStringList& names)
{
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
}
} // namespace

void TObjectSession::GetDatabase(QStringList& list)
{
    WaitCursor cursor;
    list.clear();
    QStringList names = Column0(OpenSQL(catalog::DatabaseListSql(IsAzure)));
    SortNames(names);
    list = names;
}

void TObjectSession::GetUser(QStringList& list, const QString& database, bool isGrant)
{
    WaitCursor cursor;
    list.clear();
    QStringList names = Column0(OpenSQL(catalog::UserListSql(Kind(), database, isGrant)));
    SortNames(names);
    list = names;
}

void TObjectSession::GetFileGroup(QStringList& list)
{
    WaitCursor cursor;
    list.clear();
    db::Query* q = OpenSQL(catalog::FileGroupSql);
    for (q->First(); !q->Eof(); q->Next())
        list << q->Fields().at(0)->AsString();
}

void TObjectSession::GetObject(QStringList& list, const QString& database, const QString& schema,
                               const QString& objectType)
{
    WaitCursor cursor;
    list.clear();
    QStringList names = Column0(OpenSQL(catalog::ObjectListSql(Kind(), database, objectType, qvOption.ShowSysObj),
                                        {catalog::ObjectListOwner(schema)}));
    SortNames(names);
    list = names;
}

void TObjectSession::GetDataType(QStringList& list, int objType)
{
    WaitCursor cursor;
    list.clear();
    db::Query* q = OpenSQL(catalog::DataTypeSql(objType));
    for (q->First(); !q->Eof(); q->Next())
        list << q->Fields().at(0)->AsString();
}

void TObjectSession::GetCollationType(QStringList& list)
{
    WaitCursor cursor;
    list.clear();
    db::Query* q = OpenSQL(catalog::CollationSql);
    for (q->First(); !q->Eof(); q->Next())
        list << q->Fields().at(0)->AsString();
}

QString TObjectSession::ProductVersion()
{
    try {
        const QVariantList row = firstRow(catalog::facts::ProductVersion);
        return row.isEmpty() ? QString() : row.at(0).toString();
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        return QString();
    }
}

void TObjectSession::runIgnoring(const QString& sql)
{
    try {
        ExecuteSQL(sql);
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
    }
}

bool TObjectSession::fragmentPermission(const QString& database)
{
    bool permitted = false;
    try {
        qryFragmentPerms->Close();
        qryFragmentPerms->SQL().SetText(listing::FragmentPermissionSql(Kind(), database));
        qryFragmentPerms->Open();
        if (!qryFragmentPerms->Eof())
            permitted = listing::FragmentPermitted(Kind(), RowOf(qryFragmentPerms));
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        permitted = false;
    }
    CloseQuietly(qryFragmentPerms);
    return permitted;
}

void TObjectSession::prepareContiguityReport(const QString& database)
{
    bool exists = false;
    try {
        qryIdxFragment->Close();
        qryIdxFragment->SQL().SetText(listing::TempIdxExistsSql);
        qryIdxFragment->Open();
        exists = !qryIdxFragment->Eof();
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
    }
    ExecuteSQL(exists ? listing::TempIdxTruncateSql : listing::TempIdxCreateSql(database));
    ExecuteSQL(listing::TempIdxFillSql(database));
    CloseQuietly(qryIdxFragment);
}

listing::Layout TObjectSession::ListObjects(const ListingRequest& req, const ListingHooks& hooks)
{
    Fragment_flg = Fragment_Gflg = false;
    runIgnoring(QStringLiteral("set showplan_text off"));
    runIgnoring(QStringLiteral("set showplan_all off"));
    if (!IsAzure && DBVer < 9)
        runIgnoring(QStringLiteral("set showplan_parsing off"));

    WaitCursor cursor;
    const listing::Layout layout = listing::ChooseLayout(req.type, req.treeData);
    const bool indexLayout = layout == listing::Layout::Index || layout == listing::Layout::Index2;
    const bool fragmentDown = req.fragmentDown && !IsAzure;
    Fragment_flg = indexLayout;

    QStringList databases;
    try {
        db::Query* q = OpenSQL(catalog::DatabaseListSql(IsAzure));
        for (q->First(); !q->Eof(); q->Next()) {
            const QString name = q->Fields().at(0)->AsString();
            if (listing::DatabaseListed(name, req.disp, req.database, req.configured))
                databases << name;
        }
        CloseQuietly(q);
    } catch (...) {
        CloseQuietly(qryObject);
        throw;
    }

    bool stopped = false;
    for (const QString& database : databases) {
        listing::Request r;
        r.layout = layout;
        r.kind = Kind();
        r.type = req.type.toUpper();
        r.database = database;
        r.pattern = req.pattern;
        r.showSysObj = req.showSysObj;
        try {
            if (indexLayout && !IsAzure) {
                Fragment_Gflg = fragmentPermission(database);
                if (listing::NeedsContiguityReport(layout, Kind(), fragmentDown, Fragment_Gflg))
                    prepareContiguityReport(database);
                r.fragmentShown = Fragment_Gflg && fragmentDown;
            }
            qryObject->Close();
            qryObject->SetParamCreate(false);
            qryObject->SQL().Assign(listing::Statement(r));
            qryObject->Open();
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception& e) {
            CloseQuietly(qryObject);
            if (hooks.databaseFailed)
                hooks.databaseFailed(QString::fromUtf8(e.what()));
            continue;
        }
        const QList<db::Field*> fields = qryObject->Fields();
        // A text equal to the one above it (database, owner, file group, an empty comment…) is
        // kept once and shared by the entries: a long listing then holds a fraction of the
        // strings, and a fresh process touches that much less new memory.
        QStringList row, above;
        for (qryObject->First(); !qryObject->Eof() && !stopped; qryObject->Next()) {
            if (hooks.escapePressed && hooks.escapePressed()) {
                stopped = true;
                break;
            }
            std::swap(row, above);
            row.clear();
            for (qsizetype i = 0; i < fields.size(); ++i) {
                QString text = fields.at(i)->AsString();
                row << (i < above.size() && above.at(i) == text ? above.at(i) : text);
            }
            if (!listing::KeepRow(row.value(1), req.findText))
                continue;
            if (hooks.addEntry)
                hooks.addEntry(listing::MakeEntry(row, layout, fragmentDown));
        }
    }
    CloseQuietly(qryObject);
    return layout;
}

} // namespace qv
