#include "sql/exec_proc.h"

#include "app/qvstrings.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

namespace qv {

int ProcParamImage(ProcParamKind kind)
{
    switch (kind) {
    case ProcParamKind::Result: return 79;
    case ProcParamKind::Output: return 81;
    default: return 80;
    }
}

QString ProcParamTypeText(const QString& type, qint64 length)
{
    const QString up = type.toUpper();
    static const QStringList sized = {"CHAR", "VARCHAR", "NCHAR", "NVARCHAR", "BINARY", "VARBINARY"};
    if (!sized.contains(up))
        return type;
    if (length == -1 && (up == "VARCHAR" || up == "NVARCHAR" || up == "VARBINARY"))
        return type + QStringLiteral("(max)");
    return type + QStringLiteral("(%1)").arg(length);
}

QString ProcKindSQL(int dbVer)
{
    if (dbVer >= 9)
        return QStringLiteral("select type from sys.objects where object_id = object_id(quotename(:OWNER) + N'.' + quotename(:NAME))");
    return QStringLiteral("select xtype from sysobjects where id = object_id(quotename(:OWNER) + N'.' + quotename(:NAME))");
}

QString ProcParamsSQL(int dbVer, bool procedure, bool tableFunction)
{
    QString sql;
    if (dbVer >= 9) {
        sql = QStringLiteral(
            "select param.parameter_id as [parameter_id], param.name as [name], "
            "case param.is_cursor_ref when 1 then N'cursor' else isnull(baset.name, usrt.name) end as [type], "
            "case when baset.name in (N'nchar', N'nvarchar') and param.max_length <> -1 then param.max_length / 2 "
            "else param.max_length end as [length], "
            "param.precision as [precision], param.scale as [scale], usrt.name as [usertype], "
            "N' ' as [default_value], param.is_output as [is_output] "
            "from sys.all_parameters as param "
            "inner join sys.types as usrt on usrt.user_type_id = param.user_type_id "
            "left outer join sys.types as baset on baset.user_type_id = param.system_type_id "
            "where param.object_id = object_id(quotename(:OWNER) + N'.' + quotename(:NAME))");
    } else {
        sql = QStringLiteral(
            "select col.colorder as [colorder], col.name as [name], typ.name as [type], "
            "case when typ.name in (N'nchar', N'nvarchar') then col.length / 2 else col.length end as [length], "
            "col.xprec as [precision], col.xscale as [scale], usrt.name as [usertype], "
            "N' ' as [default_value], col.isoutparam as [is_output] "
            "from syscolumns as col "
            "inner join sysobjects as obj on obj.id = col.id "
            "inner join sysusers as usr on usr.uid = obj.uid "
            "inner join systypes as usrt on usrt.xusertype = col.xusertype "
            "left outer join systypes as typ on typ.xusertype = col.xtype "
            "where obj.xtype in ('P', 'RF', 'X', 'FN', 'IF', 'TF') and obj.id = object_id(quotename(:OWNER) + N'.' + quotename(:NAME))");
    }
    if (procedure)
        sql += QStringLiteral(" union select 0, N'', N'int', 0, 0, 0, N'', N' ', 0");
    else if (tableFunction)
        sql += QStringLiteral(" union select 0, N'', N'TABLE', 0, 0, 0, N'', N' ', 0");
    return sql + QStringLiteral(" order by 1");
}

ProcParam ProcParamFromRow(const QVariantList& row)
{
    ProcParam p;
    p.name = row.value(1).toString();
    p.typeText = ProcParamTypeText(row.value(2).toString(), row.value(3).toLongLong());
    p.value = row.value(7).toString().trimmed();
    if (p.name.isEmpty()) {
        p.name = QStringLiteral("RESULT");
        p.kind = ProcParamKind::Result;
    } else {
        const QVariant out = row.value(8);
        p.kind = (out.typeId() == QMetaType::Bool ? out.toBool() : out.toInt() != 0) ? ProcParamKind::Output : ProcParamKind::Input;
    }
    return p;
}

QString ProcParamMarker(const ProcParam& p)
{
    if (p.kind == ProcParamKind::Result)
        return QStringLiteral("QV_RET");
    QString n = p.name;
    if (n.startsWith(u'@'))
        n.remove(0, 1);
    return n.toUpper();
}

QString ExecCallText(const QString& schema, const QString& name, const QList<ProcParam>& params)
{
    QString text = QStringLiteral("execute :qv_ret = ") + QuoteIdentifier(schema) + u'.' + QuoteIdentifier(name);
    QStringList args;
    for (const ProcParam& p : params) {
        if (p.kind == ProcParamKind::Result)
            continue;
        QString a = p.name;
        a.replace(u'@', u':');
        if (!a.startsWith(u':'))
            a.prepend(u':');
        if (p.kind == ProcParamKind::Output)
            a += QStringLiteral(" output");
        args << a;
    }
    if (!args.isEmpty())
        text += QStringLiteral("\r\n") + args.join(u',');
    return text;
}

namespace {

QString baseType(const QString& typeText)
{
    QString t = typeText.toUpper();
    const qsizetype paren = t.indexOf(u'(');
    return paren < 0 ? t : t.left(paren);
}

[[noreturn]] void notValid(const QString& value, const QString& what)
{
    throw Exception(QStringLiteral("'%1' は有効な%2ではありません。").arg(value, what));
}

QVariant dateValue(const QString& base, const QString& v)
{
    if (base == "DATE") {
        const QDate d = QDate::fromString(v, Qt::ISODate);
        if (!d.isValid())
            notValid(v, QStringLiteral("日付"));
        return d;
    }
    QString s = v;
    s.replace(u' ', u'T');
    QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(v, Qt::ISODate);
        if (d.isValid())
            dt = d.startOfDay();
    }
    if (!dt.isValid())
        notValid(v, QStringLiteral("日付時刻"));
    return dt;
}

} // namespace

void BindProcParam(db::Param& target, const ProcParam& p)
{
    using db::ParamDirection;
    using db::ParamType;
    const QString base = baseType(p.typeText);
    const QString v = p.value;
    const bool empty = v.trimmed().isEmpty();
    switch (p.kind) {
    case ProcParamKind::Result: target.SetDirection(ParamDirection::Result); break;
    case ProcParamKind::Output: target.SetDirection(empty ? ParamDirection::Output : ParamDirection::InputOutput); break;
    default: target.SetDirection(ParamDirection::Input); break;
    }
    target.Clear();
    static const QStringList ints = {"BIGINT", "INT", "TINYINT", "SMALLINT", "BIT"};
    static const QStringList exact = {"DECIMAL", "NUMERIC", "MONEY", "SMALLMONEY"};
    static const QStringList floats = {"FLOAT", "REAL"};
    static const QStringList dates = {"DATE", "DATETIME", "DATETIME2", "SMALLDATETIME"};
    if (ints.contains(base)) {
        target.SetDataType(ParamType::Integer);
        if (!empty) {
            bool ok = false;
            const qint64 n = v.trimmed().toLongLong(&ok);
            if (!ok)
                notValid(v, QStringLiteral("整数値"));
            target.SetAsInteger(n);
        }
    } else if (exact.contains(base)) {
        // Exact numbers travel as their digits: a double would lose them.
        target.SetDataType(ParamType::BCD);
        if (!empty) {
            static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
            if (!number.match(v.trimmed()).hasMatch())
                notValid(v, QStringLiteral("数値"));
            target.SetValue(v.trimmed());
            target.SetDataType(ParamType::BCD);
        }
    } else if (floats.contains(base)) {
        target.SetDataType(ParamType::Float);
        if (!empty) {
            bool ok = false;
            const double d = v.trimmed().toDouble(&ok);
            if (!ok)
                notValid(v, QStringLiteral("数値"));
            target.SetAsFloat(d);
        }
    } else if (dates.contains(base)) {
        target.SetDataType(base == "DATE" ? ParamType::Date : ParamType::DateTime);
        if (!empty) {
            target.SetValue(dateValue(base, v.trimmed()));
            target.SetDataType(base == "DATE" ? ParamType::Date : ParamType::DateTime);
        }
    } else {
        // Texts, time, datetimeoffset, uniqueidentifier, binary, sql_variant: the text as typed,
        // converted by the server to the parameter's type.
        target.SetDataType(ParamType::WideString);
        if (base == "TABLE")
            target.SetAsWideString(QStringLiteral(" "));
        else if (!empty)
            target.SetAsWideString(v);
    }
    if (p.kind != ProcParamKind::Input && (target.DataType() == ParamType::WideString || target.DataType() == ParamType::Date))
        target.SetSize(4000);
}

QString TableFunctionArgs(const QList<ProcParam>& params)
{
    QStringList args;
    for (const ProcParam& p : params) {
        const QString up = p.typeText.toUpper();
        if (p.kind == ProcParamKind::Result || up.contains(QStringLiteral("TABLE")))
            continue;
        const QString v = p.value;
        if (v.trimmed().isEmpty()) {
            args << QStringLiteral("null");
            continue;
        }
        static const QStringList numeric = {"BIGINT", "INT", "TINYINT", "SMALLINT", "BIT", "DECIMAL", "NUMERIC",
                                            "MONEY", "SMALLMONEY", "FLOAT", "REAL"};
        static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
        const QString trimmed = v.trimmed();
        if (numeric.contains(baseType(up)) && number.match(trimmed).hasMatch())
            args << trimmed;
        else
            args << u'N' + QuoteLiteral(numeric.contains(baseType(up)) ? trimmed : QString(v).remove(QRegularExpression(QStringLiteral("\\s+$"))));
    }
    return args.join(u',');
}

QString TableFunctionSQL(const QString& database, const QString& schema, const QString& name, const QList<ProcParam>& params)
{
    return QStringLiteral("select * from ") + QuoteIdentifier(database) + u'.' + QuoteIdentifier(schema) + u'.' +
           QuoteIdentifier(name) + u'(' + TableFunctionArgs(params) + u')';
}

QString ProcParamOutputLine(const ProcParam& p, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return p.name + QStringLiteral(" : (null)");
    QString text;
    if (value.typeId() == QMetaType::QDate)
        text = value.toDate().toString(Qt::ISODate);
    else if (value.typeId() == QMetaType::QDateTime)
        text = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    else if (value.typeId() == QMetaType::Bool)
        text = value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    else
        text = value.toString();
    static const QRegularExpression trailing(QStringLiteral("\\s+$"));
    text.remove(trailing);
    return p.name + QStringLiteral(" : ") + text;
}

} // namespace qv
