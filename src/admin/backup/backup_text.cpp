#include "admin/backup/backup_text.h"

#include "app/qvstrings.h"
#include "connection/catalog_queries.h"

namespace qv::backup {

namespace {
QString Name(const QString& name) { return QuoteIdentifier(name, true); }
QString Literal(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }
} // namespace

// ---- backup -----------------------------------------------------------------------------------

QString SetName(const QString& database, Kind kind)
{
    switch (kind) {
    case Kind::Full: return database + QStringLiteral("-完全 データベース バックアップ");
    case Kind::Differential: return database + QStringLiteral("-差分 データベース バックアップ");
    case Kind::Log: return database + QStringLiteral("-トランザクション ログ  バックアップ");
    case Kind::Files: return database + QStringLiteral("-ファイル グループ バックアップ");
    }
    return database;
}

QString LatestDevicesSQL()
{
    return catalog::UseText(QStringLiteral("master")) +
           QStringLiteral("select a.physical_device_name        "
                          "from msdb.dbo.backupmediafamily a    "
                          "left outer join msdb.dbo.backupset b "
                          "on a.media_set_id = b.media_set_id   "
                          "where b.database_name = :DB          "
                          "and b.backup_set_id = (select max(backup_set_id) from msdb.dbo.backupset where database_name = :DBSUB)");
}

QString BackupDirectorySQL()
{
    return QStringLiteral("declare @BackupDirectory nvarchar(512) \r\n"
                          "exec master.dbo.xp_instance_regread N'HKEY_LOCAL_MACHINE', "
                          "N'Software\\Microsoft\\MSSQLServer\\MSSQLServer', N'BackupDirectory', @BackupDirectory OUTPUT\r\n"
                          "select @BackupDirectory");
}

QString DefaultBackupFile(const QString& folder, const QString& database)
{
    return folder.trimmed() + QStringLiteral("\\") + database.trimmed() + QStringLiteral(".bak");
}

QString DataFilesSQL(int dbVer)
{
    if (dbVer >= 9)
        return QStringLiteral("select db_name(database_id),                       filegroup_name(data_space_id),              "
                              "name                                 from master.sys.master_files                "
                              "where database_id = db_id(:DB)                and fileproperty(name, 'IsLogFile') = 0 "
                              "order by data_space_id asc");
    return QStringLiteral("select :DB,                                         filegroup_name(groupid),                     "
                          "name                                    from sysfiles                               "
                          "where fileproperty(name, 'IsLogFile') = 0 order by groupid asc");
}

QString CheckBackup(const BackupForm& form)
{
    if (form.database.trimmed().isEmpty())
        return QStringLiteral("データベースを選択して下さい。");
    if (form.name.trimmed().isEmpty())
        return QStringLiteral("名前を入力して下さい。");
    if (form.kind == Kind::Files && form.files.isEmpty())
        return QStringLiteral("ファイルを1つ以上選択して下さい。");
    if (NonEmpty(form.outputs).isEmpty())
        return QStringLiteral("出力先を1つ以上指定してください。");
    return QString();
}

QStringList BackupStatement(const BackupForm& form)
{
    QStringList lines;
    lines << (form.kind == Kind::Log ? QStringLiteral("BACKUP LOG ") : QStringLiteral("BACKUP DATABASE ")) +
                 Name(form.database);
    if (form.kind == Kind::Files && !form.files.isEmpty()) {
        QStringList files;
        for (const QString& f : form.files)
            files << QStringLiteral("FILE = ") + Literal(f);
        lines << files.join(QStringLiteral(", "));
    }
    // The devices are the filled rows: an empty row never becomes a device named "".
    const QStringList outputs = NonEmpty(form.outputs);
    for (int i = 0; i < outputs.size(); ++i)
        lines << (i == 0 ? QStringLiteral("TO DISK = ") : QStringLiteral(", DISK = ")) + Literal(outputs.at(i));
    QString with = QStringLiteral("WITH NAME = ") + Literal(form.name);
    if (form.kind == Kind::Differential)
        with += QStringLiteral(", DIFFERENTIAL");
    if (form.kind == Kind::Log && !form.deleteLog)
        with += QStringLiteral(", NO_TRUNCATE");
    if (!form.description.isEmpty())
        with += QStringLiteral(", DESCRIPTION = ") + Literal(form.description);
    with += form.media == 1 || form.media == 2 ? QStringLiteral(", INIT") : QStringLiteral(", NOINIT");
    with += form.media == 2 ? QStringLiteral(", FORMAT") : QStringLiteral(", NOFORMAT");
    if (form.expiry) {
        if (form.expiryChoice == 0) {
            bool ok = false;
            const int days = form.period.trimmed().toInt(&ok);
            if (ok && days > 0)
                with += QStringLiteral(", RETAINDAYS = ") + QString::number(days);
        } else {
            with += QStringLiteral(", EXPIREDATE = ") + Literal(form.date);
        }
    }
    with += form.media == 1 && form.checkExpiry ? QStringLiteral(", NOSKIP") : QStringLiteral(", SKIP");
    with += QStringLiteral(", NOREWIND, NOUNLOAD, STATS = 10");
    lines << with;
    return lines;
}

QString BackupFileFilter()
{
    return QStringLiteral("バックアップファイル(*.bak)|*.bak|トランザクション ログ バックアップファイル(*.trn)|*.trn");
}

// ---- restore ----------------------------------------------------------------------------------

QString HeaderOnlySQL(const QString& file, bool withNoUnload)
{
    return QStringLiteral("restore headeronly from disk = ") + Literal(file) +
           (withNoUnload ? QStringLiteral(" with nounload") : QString());
}

QString FileListSQL(const QStringList& files)
{
    const QStringList list = NonEmpty(files);
    QString sql = QStringLiteral("restore filelistonly from ");
    for (int i = 0; i < list.size(); ++i)
        sql += (i == 0 ? QStringLiteral("disk = ") : QStringLiteral(", disk = ")) + Literal(list.at(i));
    return sql;
}

QString BackupTypeText(int type)
{
    switch (type) {
    case 1: return QStringLiteral("データベース");
    case 2: return QStringLiteral("トランザクション ログ");
    case 4: return QStringLiteral("ファイル・グループ");
    case 5: return QStringLiteral("データベースの差分");
    case 6: return QStringLiteral("ファイルの差分");
    case 7: return QStringLiteral("部分");
    case 8: return QStringLiteral("部分的な差分");
    default: return QString();
    }
}

bool SetSuits(RestoreKind kind, int type)
{
    switch (kind) {
    case RestoreKind::Database: return type == 1 || type == 5;
    case RestoreKind::Log: return type == 2;
    case RestoreKind::Files: return type == 4;
    }
    return false;
}

QStringList NonEmpty(const QStringList& rows)
{
    QStringList out;
    for (const QString& r : rows)
        if (!r.trimmed().isEmpty())
            out << r.trimmed();
    return out;
}

QStringList ProposedFiles(const QList<FileListRow>& rows, const QString& backupFolder, const QString& target,
                          const QStringList& previous)
{
    QString folder = backupFolder;
    if (folder.contains(QStringLiteral("\\MSSQL\\Backup"))) {
        const qsizetype at = folder.indexOf(QStringLiteral("\\MSSQL\\Backup"), 0, Qt::CaseInsensitive);
        folder.replace(at, 13, QStringLiteral("\\MSSQL\\Data"));
    }
    const QString base = folder + QStringLiteral("\\") + target.trimmed();
    QStringList out;
    int n = 0, m = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const QString type = rows.at(i).type.trimmed().toUpper();
        const QString physical = rows.at(i).physicalName.toLower();
        if (type == QLatin1String("D") && physical.contains(QStringLiteral(".mdf")))
            out << base + QStringLiteral(".mdf");
        else if (type == QLatin1String("D") && physical.contains(QStringLiteral(".ndf")))
            out << base + QStringLiteral("_") + QString::number(n++) + QStringLiteral(".ndf");
        else if (type == QLatin1String("L"))
            out << base + QStringLiteral("_log_") + QString::number(m++) + QStringLiteral(".ldf");
        else
            out << previous.value(i);
    }
    return out;
}

QString StandbyProposal(const QString& backupFolder, const QString& target)
{
    return backupFolder + QStringLiteral("\\ROLLBACK_UNDO_") + target.trimmed() + QStringLiteral(".bak");
}

RestoreCheck CheckRestore(const RestoreForm& form)
{
    if (NonEmpty(form.backupFiles).isEmpty())
        return RestoreCheck::NoBackupFile;
    if (form.target.trimmed().isEmpty())
        return RestoreCheck::NoTarget;
    if (form.state == 2 && form.standbyFile.trimmed().isEmpty())
        return RestoreCheck::NoStandbyFile;
    bool named = false, checked = false;
    for (const RestoreSet& s : form.sets) {
        named = named || !s.name.isEmpty();
        checked = checked || (s.checked && !s.name.isEmpty());
    }
    if (!form.setsEnabled || !named)
        return RestoreCheck::NoSet;
    if (!checked)
        return RestoreCheck::NoSetChecked;
    if (form.state == 1 && form.target == form.sessionDatabase)
        return RestoreCheck::LogonDatabase;
    return RestoreCheck::Ok;
}

QString RestoreCheckText(RestoreCheck check)
{
    switch (check) {
    case RestoreCheck::Ok: return QString();
    case RestoreCheck::NoBackupFile: return QStringLiteral("バックアップファイルを1つ以上指定してください。");
    case RestoreCheck::NoTarget: return QStringLiteral("復元先データベースを選択または入力して下さい。");
    case RestoreCheck::NoStandbyFile: return QStringLiteral("スタンバイファイルを指定して下さい。");
    case RestoreCheck::NoSet: return QStringLiteral("復元可能なバックアップセットがありません。");
    case RestoreCheck::NoSetChecked: return QStringLiteral("復元するバックアップセットを1つ以上指定して下さい。");
    case RestoreCheck::LogonDatabase: return QStringLiteral("接続時に選択したDBに対し使用不可状態にすることができません。");
    }
    return QString();
}

QStringList RestoreStatements(const RestoreForm& form)
{
    QStringList lines{QStringLiteral("use ") + Name(QStringLiteral("master")), QStringLiteral("go")};
    const auto isLog = [](const DatabaseFile& f) { return f.physicalFile.trimmed().toLower().endsWith(QStringLiteral(".ldf")); };
    const QStringList devices = NonEmpty(form.backupFiles);
    for (const RestoreSet& set : form.sets) {
        if (!set.checked || set.name.isEmpty())
            continue;
        lines << (form.kind == RestoreKind::Log ? QStringLiteral("RESTORE LOG ") : QStringLiteral("RESTORE DATABASE ")) +
                     Name(form.target);
        if (form.kind == RestoreKind::Files) {
            QStringList files;
            for (const DatabaseFile& f : form.files)
                if (!f.logicalName.isEmpty() && !isLog(f))
                    files << QStringLiteral("FILE = ") + Literal(f.logicalName);
            if (!files.isEmpty())
                lines << files.join(QStringLiteral(", "));
        }
        QStringList from;
        for (const QString& d : devices)
            from << QStringLiteral("DISK = ") + Literal(d);
        lines << QStringLiteral("FROM ") + from.join(QStringLiteral(", "));
        // The position comes from the server's HEADERONLY: a number.
        QString with = QStringLiteral("WITH FILE = ") + QString::number(set.position.trimmed().toInt()) + QStringLiteral(", ");
        if (form.state == 0)
            with += QStringLiteral("RECOVERY");
        else if (form.state == 1)
            with += QStringLiteral("NORECOVERY");
        else
            with += QStringLiteral(" STANDBY = ") + Literal(form.standbyFile);
        if (form.replace)
            with += QStringLiteral(", REPLACE");
        if (form.kind == RestoreKind::Files)
            for (const DatabaseFile& f : form.files)
                if (!f.logicalName.isEmpty() && !isLog(f))
                    with += QStringLiteral(", MOVE ") + Literal(f.logicalName) + QStringLiteral(" TO ") + Literal(f.physicalFile);
        with += QStringLiteral(", NOUNLOAD, STATS = 10");
        lines << with << QStringLiteral("go");
    }
    return lines;
}

} // namespace qv::backup
