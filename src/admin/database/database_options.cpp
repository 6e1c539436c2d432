#include "admin/database/database_options.h"

#include "app/qvstrings.h"

namespace qv::database {

namespace {
const QStringList OnOff = {QStringLiteral("ON"), QStringLiteral("OFF")};

QList<OptionRowDef> AllRows()
{
    using E = OptionEdit;
    auto row = [](const char* caption, int from, const char* column, const char* value, E edit,
                  QStringList choices = {}, bool containment = false) {
        return OptionRowDef{QString::fromUtf8(caption), from, QString::fromUtf8(column), QString::fromUtf8(value),
                            edit, std::move(choices), containment};
    };
    return {
        row("■File Stream", 11, "FileStream", "", E::Header),
        row("FILESTREAM ディレクトリ名", 11, "DirectoryName", "", E::Free),
        row("FILESTREAM 非トランザクションアクセス", 11, "NonTransactedAccess", "OFF", E::Pick,
            {"OFF", "READ_ONLY", "FULL"}),
        row("■Service Broker", 10, "ServiceBroker", "", E::Header),
        row("Brokerが有効", 10, "BrokerEnabled", "OFF", E::Pick),
        row("Brokerの優先度の許可", 10, "HonorBrokerPriority", "OFF", E::Pick),
        row("Service Broker識別子", 10, "ServiceBrokerGuid", "00000000-0000-0000-0000-000000000000", E::Fixed),
        row("■カーソル", 9, "カーソル", "", E::Header),
        row("コミットでカーソルを閉じる", 9, "CursorCloseOnCommit", "OFF", E::Pick),
        row("既定のカーソル", 9, "LocalCursorDefault", "GLOBAL", E::Pick, {"LOCAL", "GLOBAL"}),
        row("■コンテインメント", 11, "コンテインメント", "", E::Header),
        row("2桁表記の年の基準になる年", 11, "TwoDigitYearCutoff", "2049", E::Free, {}, true),
        row("ノイズワード変換", 11, "TransformNoiseWords", "OFF", E::Pick, {}, true),
        row("既定のフルテキスト言語のLCID", 11, "DefaultFulltextLanguageLcid", "1041", E::Free, {}, true),
        row("既定の言語", 11, "DefaultLanguageLcid", "Japanese", E::Pick, {}, true),
        row("入れ子になったトリガーが有効", 11, "NestedTriggers", "ON", E::Pick, {}, true),
        row("■その他", 9, "その他", "", E::Header),
        row("ANSI NULL既定値", 9, "AnsiNullDefault", "OFF", E::Pick),
        row("ANSI NULL有効", 9, "AnsiNulls", "OFF", E::Pick),
        row("ANSI PADDING有効", 9, "AnsiPadding", "OFF", E::Pick),
        row("ANSI警告有効", 9, "AnsiWarnings", "OFF", E::Pick),
        row("Is Read Committed Snapshot On", 11, "ReadCommittedSnapshot", "OFF", E::Pick),
        row("NULLとの連結でNULLを使用", 9, "ConcatNullYieldsNull", "OFF", E::Pick),
        row("VarDecimalストレージ形式有効", 10, "", "ON", E::Fixed),
        row("スナップショット分離を許可", 11, "SnapshotIsolationState", "OFF", E::Pick),
        row("パラメーター化", 9, "ParameterizationForced", "SIMPLE", E::Pick, {"FORCED", "SIMPLE"}),
        row("引用符で囲まれた識別子有効", 9, "QuotedIdentifiersEnabled", "OFF", E::Pick),
        row("再帰トリガー有効", 9, "RecursiveTriggersEnabled", "OFF", E::Pick),
        row("算術アボート有効", 9, "Arithabort", "OFF", E::Pick),
        row("信頼可能", 9, "Trustworthy", "OFF", E::Fixed),
        row("数値丸め処理アボート", 9, "NumericRoundabort", "OFF", E::Pick),
        row("日付の相関関係の最適化有効", 9, "DateCorrelation", "OFF", E::Pick),
        row("複数データベースの組合せ所有権有効", 9, "DbChaining", "OFF", E::Pick),
        row("■自動", 9, "自動", "", E::Header),
        row("自動圧縮", 9, "AutoShrink", "OFF", E::Pick),
        row("自動終了", 9, "AutoClose", "OFF", E::Pick),
        row("統計の自動更新", 9, "AutoUpdateStatistics", "ON", E::Pick),
        row("統計の自動作成", 9, "AutoCreateStatistics", "ON", E::Pick),
        row("統計の非同期的自動更新", 9, "AutoUpdateStatsAsync", "OFF", E::Pick),
        row("■状態", 9, "状態", "", E::Header),
        row("アクセスの制限", 9, "UserAccess", "MULTI_USER", E::Pick,
            {"MULTI_USER", "SINGLE_USER", "RESTRICTED_USER"}),
        row("データベース状態", 9, "StateDesc", "Unknown", E::Fixed),
        row("暗号化有効", 10, "Encrypted", "OFF", E::Pick),
        row("読み取り専用データベース", 9, "ReadOnly", "READ_WRITE", E::Pick, {"READ_ONLY", "READ_WRITE"}),
        row("■復旧", 9, "復旧", "", E::Header),
        row("ターゲットの復旧時間(秒)", 11, "TargetRecoveryTimeInSeconds", "1", E::Free),
        row("ページ確認", 9, "PageVerify", "CHECKSUM", E::Pick, {"NONE", "TORN_PAGE_DETECTION", "CHECKSUM"}),
    };
}

const QList<OptionRowDef>& Rows()
{
    static const QList<OptionRowDef> rows = AllRows();
    return rows;
}

// The statement texts by caption ("%1" = the value).
QString StatementPattern(const QString& caption)
{
    static const QHash<QString, QString> map = {
        {QStringLiteral("FILESTREAM 非トランザクションアクセス"), QStringLiteral(" SET FILESTREAM( NON_TRANSACTED_ACCESS = %1)")},
        {QStringLiteral("Brokerの優先度の許可"), QStringLiteral(" SET HONOR_BROKER_PRIORITY %1")},
        {QStringLiteral("コミットでカーソルを閉じる"), QStringLiteral(" SET CURSOR_CLOSE_ON_COMMIT %1")},
        {QStringLiteral("既定のカーソル"), QStringLiteral(" SET CURSOR_DEFAULT %1")},
        {QStringLiteral("2桁表記の年の基準になる年"), QStringLiteral(" SET TWO_DIGIT_YEAR_CUTOFF = %1")},
        {QStringLiteral("ノイズワード変換"), QStringLiteral(" SET TRANSFORM_NOISE_WORDS = %1")},
        {QStringLiteral("既定のフルテキスト言語のLCID"), QStringLiteral(" SET DEFAULT_FULLTEXT_LANGUAGE = %1")},
        {QStringLiteral("入れ子になったトリガーが有効"), QStringLiteral(" SET NESTED_TRIGGERS = %1")},
        {QStringLiteral("ANSI NULL既定値"), QStringLiteral(" SET ANSI_NULL_DEFAULT %1")},
        {QStringLiteral("ANSI NULL有効"), QStringLiteral(" SET ANSI_NULLS %1")},
        {QStringLiteral("ANSI PADDING有効"), QStringLiteral(" SET ANSI_PADDING %1")},
        {QStringLiteral("ANSI警告有効"), QStringLiteral(" SET ANSI_WARNINGS %1")},
        {QStringLiteral("Is Read Committed Snapshot On"), QStringLiteral(" SET READ_COMMITTED_SNAPSHOT %1")},
        {QStringLiteral("NULLとの連結でNULLを使用"), QStringLiteral(" SET CONCAT_NULL_YIELDS_NULL %1")},
        {QStringLiteral("スナップショット分離を許可"), QStringLiteral(" SET ALLOW_SNAPSHOT_ISOLATION %1")},
        {QStringLiteral("パラメーター化"), QStringLiteral(" SET PARAMETERIZATION %1")},
        {QStringLiteral("引用符で囲まれた識別子有効"), QStringLiteral(" SET QUOTED_IDENTIFIER %1")},
        {QStringLiteral("再帰トリガー有効"), QStringLiteral(" SET RECURSIVE_TRIGGERS %1")},
        {QStringLiteral("算術アボート有効"), QStringLiteral(" SET ARITHABORT %1")},
        {QStringLiteral("信頼可能"), QStringLiteral(" SET TRUSTWORTHY %1")},
        {QStringLiteral("数値丸め処理アボート"), QStringLiteral(" SET NUMERIC_ROUNDABORT %1")},
        {QStringLiteral("日付の相関関係の最適化有効"), QStringLiteral(" SET DATE_CORRELATION_OPTIMIZATION %1")},
        {QStringLiteral("複数データベースの組合せ所有権有効"), QStringLiteral(" SET DB_CHAINING %1")},
        {QStringLiteral("自動圧縮"), QStringLiteral(" SET AUTO_SHRINK %1")},
        {QStringLiteral("自動終了"), QStringLiteral(" SET AUTO_CLOSE %1")},
        {QStringLiteral("統計の自動更新"), QStringLiteral(" SET AUTO_UPDATE_STATISTICS %1")},
        {QStringLiteral("統計の自動作成"), QStringLiteral(" SET AUTO_CREATE_STATISTICS %1")},
        {QStringLiteral("統計の非同期的自動更新"), QStringLiteral(" SET AUTO_UPDATE_STATISTICS_ASYNC %1")},
        {QStringLiteral("アクセスの制限"), QStringLiteral(" SET %1")},
        {QStringLiteral("暗号化有効"), QStringLiteral(" SET ENCRYPTION %1")},
        {QStringLiteral("読み取り専用データベース"), QStringLiteral(" SET %1")},
        {QStringLiteral("ターゲットの復旧時間(秒)"), QStringLiteral(" SET TARGET_RECOVERY_TIME = %1 SECONDS")},
        {QStringLiteral("ページ確認"), QStringLiteral(" SET PAGE_VERIFY %1")},
    };
    return map.value(caption);
}

bool IsWholeNumber(const QString& text)
{
    bool ok = false;
    text.trimmed().toLongLong(&ok);
    return ok;
}

// A picked value must be one of its list: keywords go into the statement as they are.
bool IsChoice(const OptionRowDef& def, const QString& value)
{
    const QStringList& list = def.choices.isEmpty() ? OnOff : def.choices;
    return list.contains(value);
}
} // namespace

QList<OptionRowDef> OptionRows(int version)
{
    QList<OptionRowDef> out;
    for (const auto& r : Rows())
        if (version >= r.from)
            out << r;
    return out;
}

const OptionRowDef* FindOptionRow(const QString& caption)
{
    for (const auto& r : Rows())
        if (r.caption == caption)
            return &r;
    return nullptr;
}

QList<OptionValue> NewOptionValues(int version)
{
    QList<OptionValue> out;
    for (const auto& r : OptionRows(version))
        out << OptionValue{r.caption, r.newValue};
    return out;
}

QStringList OptionPickList(const QString& caption, const QStringList& languages)
{
    const OptionRowDef* def = FindOptionRow(caption);
    if (!def || def->edit == OptionEdit::Free || def->edit == OptionEdit::Header)
        return {};
    if (def->column == QLatin1String("DefaultLanguageLcid"))
        return languages;
    return def->choices.isEmpty() ? OnOff : def->choices;
}

bool OptionEditable(const QString& caption, const QString& database, bool containmentPartial)
{
    const OptionRowDef* def = FindOptionRow(caption);
    if (!def || def->edit == OptionEdit::Header || def->edit == OptionEdit::Fixed)
        return false;
    if (def->column == QLatin1String("DbChaining")) {
        const QString db = database.trimmed().toLower();
        if (db == QLatin1String("master") || db == QLatin1String("model") || db == QLatin1String("tempdb"))
            return false;
    }
    if (def->containment)
        return containmentPartial;
    return true;
}

QString OptionStatement(const QString& caption, const QString& value, const LcidLookup& lcidOf)
{
    const OptionRowDef* def = FindOptionRow(caption);
    if (!def || def->edit == OptionEdit::Header)
        return {};
    const QString v = value.trimmed();
    if (v.isEmpty())
        return {};
    if (def->column == QLatin1String("DirectoryName"))
        return QStringLiteral(" SET FILESTREAM( DIRECTORY_NAME = N") + QuoteLiteral(v) + QStringLiteral(")");
    if (def->column == QLatin1String("BrokerEnabled")) {
        if (v == QLatin1String("ON"))
            return QStringLiteral(" SET ENABLE_BROKER");
        if (v == QLatin1String("OFF"))
            return QStringLiteral(" SET DISABLE_BROKER");
        return {};
    }
    if (def->column == QLatin1String("DefaultLanguageLcid")) {
        const QString lcid = lcidOf ? lcidOf(v) : QString();
        return IsWholeNumber(lcid) ? QStringLiteral(" SET DEFAULT_LANGUAGE = ") + lcid.trimmed() : QString();
    }
    const QString pattern = StatementPattern(caption);
    if (pattern.isEmpty())
        return {};
    // Values go into the statement unquoted: a picked keyword must be one of its list and a
    // free-text number a whole number, anything else writes no statement.
    if (def->edit == OptionEdit::Free ? !IsWholeNumber(v) : !IsChoice(*def, v))
        return {};
    return pattern.arg(v);
}

QString OptionQuery(int version)
{
    auto onOff = [](const char* column, const char* name) {
        return QStringLiteral("case dtb.%1 when '0' then 'OFF' else 'ON' end AS [%2]")
            .arg(QLatin1String(column), QLatin1String(name));
    };
    if (version < 9) {
        return QStringLiteral(
            "SELECT dtb.name AS [Name], dtb.status AS [Status], dtb.status2 AS [Status2], "
            "CAST(DATABASEPROPERTYEX(dtb.name, 'IsFulltextEnabled') AS bit) AS [FulltextIndex], "
            "CASE DATABASEPROPERTYEX(dtb.name, 'Recovery') WHEN 'SIMPLE' THEN 3 WHEN 'BULK_LOGGED' THEN 2 "
            "ELSE /*FULL*/ 1 END AS [RecoveryModel], dtb.cmptlevel AS [cmptlevel] "
            "FROM master.dbo.sysdatabases AS dtb WHERE  dtb.name = :dbname");
    }
    QStringList c;
    if (version >= 11)
        c << QStringLiteral("'' AS [FileStream]") << QStringLiteral("dfo.directory_name AS [DirectoryName]")
          << QStringLiteral("dfo.non_transacted_access_desc AS [NonTransactedAccess]");
    if (version >= 10)
        c << QStringLiteral("'' AS [ServiceBroker]") << onOff("is_broker_enabled", "BrokerEnabled")
          << onOff("is_honor_broker_priority_on", "HonorBrokerPriority")
          << QStringLiteral("dtb.service_broker_guid AS [ServiceBrokerGuid]");
    c << QStringLiteral("'' AS [カーソル]") << onOff("is_cursor_close_on_commit_on", "CursorCloseOnCommit")
      << QStringLiteral("case dtb.is_local_cursor_default when '0' then 'GLOBAL' else 'LOCAL' end AS [LocalCursorDefault]");
    if (version >= 11)
        c << QStringLiteral("'' AS [コンテインメント]")
          << QStringLiteral("case dtb.containment when '0' then '0' else '1' end AS [Containment]")
          << QStringLiteral("dtb.two_digit_year_cutoff AS [TwoDigitYearCutoff]")
          << onOff("is_transform_noise_words_on", "TransformNoiseWords")
          << QStringLiteral("dtb.default_fulltext_language_lcid AS [DefaultFulltextLanguageLcid]")
          << QStringLiteral("dtb.default_language_lcid AS [DefaultLanguageLcid]")
          << onOff("is_nested_triggers_on", "NestedTriggers");
    c << QStringLiteral("'' AS [その他]") << onOff("is_ansi_null_default_on", "AnsiNullDefault")
      << onOff("is_ansi_nulls_on", "AnsiNulls") << onOff("is_ansi_padding_on", "AnsiPadding")
      << onOff("is_ansi_warnings_on", "AnsiWarnings");
    if (version >= 11)
        c << onOff("snapshot_isolation_state", "SnapshotIsolationState");
    c << onOff("is_concat_null_yields_null_on", "ConcatNullYieldsNull");
    if (version >= 11)
        c << onOff("is_read_committed_snapshot_on", "ReadCommittedSnapshot");
    c << QStringLiteral("case dtb.is_parameterization_forced when '0' then 'SIMPLE' else 'FORCED' end AS [ParameterizationForced]")
      << onOff("is_quoted_identifier_on", "QuotedIdentifiersEnabled")
      << onOff("is_recursive_triggers_on", "RecursiveTriggersEnabled") << onOff("is_arithabort_on", "Arithabort")
      << onOff("is_trustworthy_on", "Trustworthy") << onOff("is_numeric_roundabort_on", "NumericRoundabort")
      << onOff("is_date_correlation_on", "DateCorrelation") << onOff("is_db_chaining_on", "DbChaining");
    c << QStringLiteral("'' AS [自動]") << onOff("is_auto_shrink_on", "AutoShrink")
      << onOff("is_auto_close_on", "AutoClose") << onOff("is_auto_update_stats_on", "AutoUpdateStatistics")
      << onOff("is_auto_create_stats_on", "AutoCreateStatistics")
      << onOff("is_auto_update_stats_async_on", "AutoUpdateStatsAsync") << QStringLiteral("'' AS [状態]")
      << QStringLiteral("case dtb.user_access when '0' then 'MULTI_USER' when '1' then 'SINGLE_USER' else 'RESTRICTED_USER' end AS [UserAccess]")
      << QStringLiteral("dtb.state_desc AS [StateDesc]");
    if (version >= 10)
        c << onOff("is_encrypted", "Encrypted");
    c << QStringLiteral("case dtb.is_read_only when '0' then 'READ_WRITE' else 'READ_ONLY' end AS [ReadOnly]")
      << QStringLiteral("'' AS [復旧]")
      << QStringLiteral("case dtb.page_verify_option when '0' then 'NONE' when '1' then 'TORN_PAGE_DETECTION' else 'CHECKSUM' end AS [PageVerify]");
    if (version >= 11)
        c << QStringLiteral("dtb.target_recovery_time_in_seconds  AS [TargetRecoveryTimeInSeconds]");
    c << onOff("is_fulltext_enabled", "FulltextIndex") << QStringLiteral("dtb.recovery_model AS [RecoveryModel]")
      << QStringLiteral("dtb.compatibility_level AS [cmptlevel]");
    QString sql = QStringLiteral("SELECT ") + c.join(QStringLiteral(",\r\n")) +
                  QStringLiteral("\r\nFROM  master.sys.databases AS dtb");
    if (version >= 11)
        sql += QStringLiteral("\r\nLEFT OUTER JOIN sys.database_filestream_options dfo ON dfo.database_id = dtb.database_id");
    return sql + QStringLiteral("\r\n WHERE dtb.name = :dbname");
}

QList<OptionValue> OptionValuesFromRow(int version, const QVariantMap& row, bool& containmentPartial,
                                       const std::function<QString(const QString&)>& aliasOf,
                                       const QString& varDecimal)
{
    auto text = [&row](const QString& column) {
        const QVariant v = row.value(column);
        return v.isNull() ? QString() : v.toString();
    };
    containmentPartial = version >= 11 && text(QStringLiteral("Containment")).trimmed() == QLatin1String("1");
    QList<OptionValue> out;
    for (const auto& r : OptionRows(version)) {
        QString value;
        if (r.edit == OptionEdit::Header)
            value.clear();
        else if (r.column.isEmpty()) // the VarDecimal row
            value = varDecimal;
        else if (r.containment && !containmentPartial)
            value.clear();
        else if (r.column == QLatin1String("DefaultLanguageLcid"))
            value = aliasOf ? aliasOf(text(r.column)) : QString();
        else
            value = text(r.column);
        out << OptionValue{r.caption, value};
    }
    return out;
}

QString VarDecimalQuery(const QString& database)
{
    return QStringLiteral("exec sp_db_vardecimal_storage_format N") + QuoteLiteral(database.trimmed());
}

QString LanguageListQuery() { return QStringLiteral("select alias from sys.syslanguages order by alias"); }

QString LanguageLcidQuery(const QString& alias)
{
    return QStringLiteral("select lcid from sys.syslanguages where Alias = N") + QuoteLiteral(alias);
}

QString LanguageAliasQuery(const QString& lcid)
{
    return QStringLiteral("select alias from sys.syslanguages where lcid = ") + QuoteLiteral(lcid.trimmed());
}

} // namespace qv::database
