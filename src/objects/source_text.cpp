#include "objects/source_text.h"

#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "connection/catalog_queries.h"
#include "connection/object_script.h"
#include "connection/object_session.h"
#include "platform/db/query.h"

namespace qv::source {

namespace {

const QString CRLF = QStringLiteral("\r\n");

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

// The keyword test of the header scanner: before it a tab, line feed, blank, double quote or
// "]" (or the end of a block comment), after it a tab, line end, blank, double quote or "[" (or
// the start of a comment).
bool StandsAsKeyword(const QString& text, qsizetype at, qsizetype length)
{
    const QChar before = at >= 1 ? text.at(at - 1) : QChar();
    const bool beforeOk = (at >= 1 && (before == u'\t' || before == u'\n' || before == u'\r' || before == u' ' ||
                                       before == u'"' || before == u']')) ||
                          (at >= 2 && QStringView(text).mid(at - 2, 2) == u"*/");
    const qsizetype after = at + length;
    const QChar a = after < text.size() ? text.at(after) : QChar();
    const QStringView a2 = after < text.size() ? QStringView(text).mid(after, 2) : QStringView();
    const bool afterOk = (after < text.size() && (a == u'\t' || a == u'\r' || a == u'\n' || a == u' ' ||
                                                  a == u'"' || a == u'[')) ||
                         a2 == u"/*" || a2 == u"--";
    return beforeOk && afterOk;
}

// First index >= from of `needle` in the upper-cased text that lies in code and, for a keyword,
// stands as one; -1 when none.
qsizetype FindInCode(const QString& upper, const QString& original, const QString& needle, qsizetype from, bool keyword)
{
    qsizetype i = upper.indexOf(needle, from);
    while (i >= 0) {
        if (IsCodeKeywordAt(original, needle, i + 1) && (!keyword || StandsAsKeyword(upper, i, needle.size())))
            return i;
        i = upper.indexOf(needle, i + 1);
    }
    return -1;
}

} // namespace

QString KindKeyword(Kind kind)
{
    switch (kind) {
    case Kind::Trigger: return QStringLiteral("TRIGGER");
    case Kind::Procedure: return QStringLiteral("PROCEDURE");
    case Kind::Function: return QStringLiteral("FUNCTION");
    case Kind::View: return QStringLiteral("VIEW");
    }
    return {};
}

qsizetype FindCreate(const QString& text)
{
    const QString upper = text.toUpper();
    qsizetype i = upper.indexOf(QLatin1String("CREATE"));
    while (i >= 0) {
        const bool wordBefore = i > 0 && IsWordChar(upper.at(i - 1));
        const bool wordAfter = i + 6 < upper.size() && IsWordChar(upper.at(i + 6));
        if (!wordBefore && !wordAfter && IsCodeKeywordAt(text, QStringLiteral("CREATE"), i + 1))
            return i;
        i = upper.indexOf(QLatin1String("CREATE"), i + 1);
    }
    return -1;
}

qsizetype FindHeaderEnd(const QString& text, Kind kind, qsizetype from)
{
    const QString upper = text.toUpper();
    QStringList marks, keywords;
    switch (kind) {
    case Kind::Trigger: keywords = {QStringLiteral("ON")}; break;
    case Kind::Procedure:
        marks = {QStringLiteral("("), QStringLiteral("@")};
        keywords = {QStringLiteral("AS"), QStringLiteral("WITH"), QStringLiteral("FOR")};
        break;
    case Kind::Function:
        marks = {QStringLiteral("(")};
        keywords = {QStringLiteral("RETURNS")};
        break;
    case Kind::View:
        marks = {QStringLiteral("(")};
        keywords = {QStringLiteral("AS"), QStringLiteral("WITH")};
        break;
    }
    qsizetype best = -1;
    const auto take = [&best](qsizetype hit) {
        if (hit > 0 && (best < 0 || hit < best))
            best = hit;
    };
    for (const QString& m : marks)
        take(FindInCode(upper, text, m, from, false));
    for (const QString& k : keywords)
        take(FindInCode(upper, text, k, from, true));
    return best;
}

QString RewriteHeader(const QString& text, Kind kind, const QString& qualifiedName, const QString& verb)
{
    const qsizetype create = FindCreate(text);
    if (create < 0)
        return text;
    const qsizetype end = FindHeaderEnd(text, kind, create + 6);
    if (end < 0 || end <= create)
        return text;
    return text.left(create) + verb + QLatin1Char(' ') + KindKeyword(kind) + QLatin1Char(' ') + qualifiedName + CRLF +
           text.mid(end);
}

QStringList TextLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    QString t = text;
    t.replace(CRLF, QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

QList<Batch> Batches(const QStringList& lines)
{
    QList<Batch> out;
    int first = 0;
    const auto flush = [&](int endExclusive) {
        if (endExclusive > first) {
            const QStringList part = lines.mid(first, endExclusive - first);
            const QString text = part.join(CRLF);
            if (!TrimWhiteSpace(text).isEmpty())
                out.append(Batch{text, first});
        }
    };
    for (int i = 0; i < lines.size(); ++i) {
        if (TrimWhiteSpace(lines.at(i)).toLower() == QLatin1String("go")) {
            flush(i);
            first = i + 1;
        }
    }
    flush(static_cast<int>(lines.size()));
    return out;
}

QStringList ErrorItems(const QString& message)
{
    QString t = message;
    t.replace(CRLF, QStringLiteral("\n"));
    return t.split(QLatin1Char('\n'));
}

QStringList NumberErrorItems(const QStringList& items, const QList<int>& lines)
{
    if (lines.size() != items.size())
        return items;
    QStringList out;
    for (qsizetype i = 0; i < items.size(); ++i)
        out << (lines.at(i) > 0 ? QStringLiteral("行番号 %1: %2").arg(lines.at(i)).arg(items.at(i)) : items.at(i));
    return out;
}

int ErrorItemLine(const QString& item)
{
    const qsizetype colon = item.indexOf(QLatin1Char(':'));
    if (colon < 4)
        return 0;
    bool ok = false;
    const int n = item.mid(3, colon - 3).trimmed().toInt(&ok);
    return ok ? n : 0;
}

QStringList MapErrorLines(const QStringList& items, int baseRow)
{
    QStringList out;
    for (const QString& item : items) {
        const int n = ErrorItemLine(item);
        if (n == 0) {
            out << item;
            continue;
        }
        const qsizetype colon = item.indexOf(QLatin1Char(':'));
        out << (item.left(3) + QString::number(n + baseRow) + item.mid(colon).trimmed()).trimmed();
    }
    return out;
}

int ErrorItemRow(const QString& item, int lastRow)
{
    int row = ErrorItemLine(item) - 1;
    if (row > lastRow)
        row = lastRow;
    if (row < 0)
        row = 0;
    return row;
}

// ---- reading -----------------------------------------------------------------------------

QString SourceQuery(int dbVer, bool azure, const QString& database)
{
    if (dbVer >= 9 || azure)
        return catalog::UseText(database) +
               QStringLiteral("select definition from sys.sql_modules where object_id = object_id(:NAME)");
    return catalog::UseText(database) +
           QStringLiteral("select text, datalength(text) / 2 from syscomments where id = object_id(:NAME) "
                          "order by number, colid");
}

namespace {
QString QualifiedParam(const QString& schema, const QString& name)
{
    return QuoteIdentifier(schema.trimmed(), true) + QLatin1Char('.') + QuoteIdentifier(name.trimmed(), true);
}
} // namespace

std::optional<QString> ReadSource(TObjectSession& session, const QString& database, const QString& schema,
                                  const QString& name)
{
    const bool pieces = session.DBVer < 9 && !session.IsAzure;
    db::Query* q = session.OpenSQL(SourceQuery(session.DBVer, session.IsAzure, database), {QualifiedParam(schema, name)});
    QString text;
    bool any = false;
    for (q->First(); !q->Eof(); q->Next()) {
        db::Field* f = q->Fields().at(0);
        if (f->IsNull())
            continue;
        any = true;
        QString piece = f->AsString();
        if (pieces && q->Fields().size() > 1) {
            const int stored = q->Fields().at(1)->AsInteger();
            if (piece.size() < stored)
                piece += QString(stored - piece.size(), QLatin1Char(' '));
        }
        text += piece;
    }
    q->Close();
    if (!any)
        return std::nullopt;
    return text;
}

// ---- what a re-create keeps ------------------------------------------------------------------

QStringList Keep::Statements() const
{
    QStringList out;
    for (const QString& s : permissions)
        out << s;
    for (const QString& s : properties)
        out << s;
    if (!disableTrigger.isEmpty())
        out << disableTrigger;
    return out;
}

QString TriggerInfoQuery(const QString& database)
{
    return catalog::UseText(database) +
           QStringLiteral("select object_name(parent_obj), objectproperty(parent_obj, 'IsView'), "
                          "objectproperty(id, 'ExecIsTriggerDisabled') from sysobjects "
                          "where xtype = 'TR' and id = object_id(:NAME)");
}

TriggerInfo ReadTriggerInfo(TObjectSession& session, const QString& database, const QString& schema,
                            const QString& name)
{
    TriggerInfo info;
    db::Query* q = session.OpenSQL(TriggerInfoQuery(database), {QualifiedParam(schema, name)});
    if (!q->Eof()) {
        info.found = true;
        info.parent = q->Fields().at(0)->AsString();
        info.parentIsView = q->Fields().at(1)->AsInteger() == 1;
        info.disabled = q->Fields().at(2)->AsInteger() == 1;
    }
    q->Close();
    return info;
}

namespace {
QString LevelKind(Kind kind, bool parentIsView)
{
    if (kind == Kind::Trigger)
        return parentIsView ? QStringLiteral("VIEW") : QStringLiteral("TABLE");
    return KindKeyword(kind);
}
} // namespace

QString PropertyQuery(int dbVer, Kind kind, bool parentIsView, const QString& database)
{
    const QString fn = dbVer >= 9 ? QStringLiteral("sys.fn_listextendedproperty") : QStringLiteral("::fn_listextendedproperty");
    const QString level0 = dbVer >= 9 ? QStringLiteral("N'SCHEMA'") : QStringLiteral("N'USER'");
    QString args;
    if (kind == Kind::Trigger)
        args = level0 + QStringLiteral(", :OWNER, N'") + LevelKind(kind, parentIsView) +
               QStringLiteral("', :PARENT, N'TRIGGER', :NAME");
    else
        args = level0 + QStringLiteral(", :OWNER, N'") + LevelKind(kind, parentIsView) +
               QStringLiteral("', :NAME, NULL, NULL");
    return catalog::UseText(database) + QStringLiteral("select name, convert(nvarchar(4000), value) from ") + fn +
           QStringLiteral("(NULL, ") + args + QStringLiteral(") order by name");
}

QString AddPropertyStatement(int dbVer, Kind kind, const QString& schema, const QString& name, const QString& parent,
                             bool parentIsView, const QString& property, const QString& value)
{
    QString s = QStringLiteral("EXEC sp_addextendedproperty @name = N") + QuoteLiteral(property) +
                QStringLiteral(", @value = N") + QuoteLiteral(value) + QStringLiteral(", @level0type = N'") +
                (dbVer >= 9 ? QStringLiteral("SCHEMA") : QStringLiteral("USER")) +
                QStringLiteral("', @level0name = N") + QuoteLiteral(schema) + QStringLiteral(", @level1type = N'") +
                LevelKind(kind, parentIsView) + QStringLiteral("', @level1name = N");
    if (kind == Kind::Trigger)
        s += QuoteLiteral(parent) + QStringLiteral(", @level2type = N'TRIGGER', @level2name = N") + QuoteLiteral(name);
    else
        s += QuoteLiteral(name);
    return s;
}

QString DisableTriggerStatement(int dbVer, const QString& schema, const QString& name, const QString& parent)
{
    if (dbVer >= 9)
        return QStringLiteral("DISABLE TRIGGER ") + QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(name) +
               QStringLiteral(" ON ") + QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(parent);
    return QStringLiteral("ALTER TABLE ") + QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(parent) +
           QStringLiteral(" DISABLE TRIGGER ") + QuoteIdentifier(name);
}

Keep ReadKeep(TObjectSession& session, Kind kind, const QString& database, const QString& schema,
              const QString& name)
{
    Keep keep;
    const QString s = schema.trimmed(), n = name.trimmed();
    QString parent;
    bool parentIsView = false;
    if (kind == Kind::Trigger) {
        const TriggerInfo info = ReadTriggerInfo(session, database, s, n);
        if (!info.found)
            return keep;
        parent = info.parent;
        parentIsView = info.parentIsView;
        if (info.disabled)
            keep.disableTrigger = DisableTriggerStatement(session.DBVer, s, n, parent);
    } else {
        // Permissions of the object itself (a trigger has none).
        db::Query* q = session.OpenSQL(GrantQuery(session.DBVer, false, database), {s, n});
        for (q->First(); !q->Eof(); q->Next()) {
            const QString grantee = q->Fields().at(0)->AsString();
            const QString privilege = q->Fields().at(1)->IsNull() ? QString() : q->Fields().at(1)->AsString().trimmed();
            const QString grantable = q->Fields().at(2)->AsString();
            if (privilege.isEmpty())
                continue;
            QString stmt = (grantable == QLatin1String("DENY") ? QStringLiteral("DENY ") : QStringLiteral("GRANT ")) +
                           privilege + QStringLiteral(" ON ") + QuoteIdentifier(s) + QLatin1Char('.') +
                           QuoteIdentifier(n) + QStringLiteral(" TO ") + QuoteIdentifier(grantee);
            if (grantable == QLatin1String("YES"))
                stmt += QStringLiteral(" WITH GRANT OPTION");
            keep.permissions << stmt;
        }
        q->Close();
    }
    QStringList params{s};
    if (kind == Kind::Trigger)
        params << parent;
    params << n;
    db::Query* q = session.OpenSQL(PropertyQuery(session.DBVer, kind, parentIsView, database), params);
    for (q->First(); !q->Eof(); q->Next())
        keep.properties << AddPropertyStatement(session.DBVer, kind, s, n, parent, parentIsView,
                                                q->Fields().at(0)->AsString(), q->Fields().at(1)->AsString());
    q->Close();
    return keep;
}

} // namespace qv::source
