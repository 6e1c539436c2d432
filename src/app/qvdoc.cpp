#include "app/qvdoc.h"

#include "app/globals.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <algorithm>

namespace qv {

namespace {

const QString kRoot = QStringLiteral("QVDOC");
const QString kVersion = QStringLiteral("QVDOC-VERSION");
const QString kUserCmd = QStringLiteral("USERCMD");
const QString kXlsDef = QStringLiteral("XLSDEF");

QString boolText(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }

// File names of dir matching the extension (normal, read-only and archive files: hidden
// files are left out), without their extension.
QStringList definitionNames(const QString& dir, const QString& ext)
{
    QDir d(dir);
    if (!d.exists())
        return {};
    QStringList names;
    for (const QFileInfo& fi : d.entryInfoList({QStringLiteral("*.") + ext}, QDir::Files | QDir::NoDotAndDotDot)) {
        const QString file = fi.fileName();
        if (file.size() <= ext.size() + 1 || file.startsWith(u'.'))
            continue;
        names << file.left(file.size() - ext.size() - 1);
    }
    return names;
}

// Name order ignoring letter case, by the locale's rules.
void sortByName(QStringList& names)
{
    QCollator c;
    c.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return c.compare(a, b) < 0; });
}

struct Key {
    int vk;
    Qt::Key key;
};
const Key kKeys[] = {
    {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},      {0x0D, Qt::Key_Return}, {0x1B, Qt::Key_Escape},
    {0x20, Qt::Key_Space},     {0x21, Qt::Key_PageUp},   {0x22, Qt::Key_PageDown}, {0x23, Qt::Key_End},
    {0x24, Qt::Key_Home},      {0x25, Qt::Key_Left},     {0x26, Qt::Key_Up},     {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},      {0x2D, Qt::Key_Insert},   {0x2E, Qt::Key_Delete},
};

struct Tag {
    const char* caption;
    const char* keyword;
};
// The report-tag table, in the order of its positions.
const Tag kReportTags[] = {
    {"オブジェクト一覧", "OBJECT"},     {"テーブル定義", "TABLE"},
    {"ビュー定義", "VIEW"},             {"インデックス定義", "INDEX"},
    {"オブジェクトタイプ", "OBJECTTYPE"}, {"連番", "SEQ"},
    {"オブジェクト名", "OBJECTNAME"},   {"スキーマ", "SCHEMA"},
    {"データベース", "DATABASE"},       {"作成日", "CDATE"},
    {"更新日", "UDATE"},                {"コメント", "COMMENT"},
    {"テーブル名", "TABLENAME"},        {"格納タイプ", "STORAGETYPE"},
    {"表領域名", "STORAGE"},            {"LOGGING", "LOGGING"},
    {"PCTFREE", "PCTFREE"},             {"PCTUSED", "PCTUSED"},
    {"INITRANS", "INITRANS"},           {"MAXTRANS", "MAXTRANS"},
    {"INIT EXTENT", "INITEXT"},         {"NEXT EXTENT", "NEXTEXT"},
    {"PCT INCREASE", "PCTINC"},         {"MIN EXTENT", "MINEXT"},
    {"MAX EXTENT", "MAXEXT"},           {"FREE LIST", "FLIST"},
    {"FREE GROUP", "FGROUP"},           {"BUFFER POOL", "BPOOL"},
    {"CACHE", "CACHE"},                 {"PARTITION KEY", "PARTKEY"},
    {"参照", "CROSS"},                  {"被参照", "COVERCROSS"},
    {"ビュー名", "VIEWNAME"},           {"DDL文", "DDL"},
    {"インデックス名", "INDEXNAME"},    {"インデックスタイプ", "INDEXTYPE"},
    {"カラム名", "COLUMNNAME"},         {"データ型", "DTYPE"},
    {"長さ", "LENGTH"},                 {"精度", "SCALE"},
    {"必須", "NOTNULL"},                {"デフォルト値", "DEFAULT"},
    {"主キー", "PK"},                   {"制約・索引名", "CONSTNAME"},
    {"制約・索引情報", "CONSTVALUE"},   {"動的データマスク", "MASK"},
};

} // namespace

QString QvDocVersionMessage() { return QStringLiteral("このバージョンのファイルには対応していません。"); }
QString QvDocFormatMessage() { return QStringLiteral("指定されたファイルの形式を認識できません。"); }

// ---- the container ---------------------------------------------------------------------------

QvDocument QvDocument::create(const QString& kind)
{
    QvDocument d;
    d.m_doc.appendChild(d.m_doc.createProcessingInstruction(QStringLiteral("xml"),
                                                            QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = d.m_doc.createElement(kRoot);
    root.setAttribute(kVersion, QString::number(QvDocWriteVersion));
    d.m_doc.appendChild(root);
    root.appendChild(d.m_doc.createElement(kind));
    return d;
}

double QvDocument::versionOf(const QDomElement& root, QvDocMissingVersion missing)
{
    const double unusable = missing == QvDocMissingVersion::AsZero ? 0.0 : 99.9;
    if (!root.hasAttribute(kVersion))
        return unusable;
    bool ok = false;
    const double v = root.attribute(kVersion).trimmed().toDouble(&ok);
    return ok ? v : unusable;
}

bool QvDocument::accepts(const QDomElement& root, QvDocMissingVersion missing)
{
    return !root.isNull() && root.tagName() == kRoot && versionOf(root, missing) <= QvDocWriteVersion;
}

QvDocument QvDocument::parse(const QByteArray& xml, QvDocMissingVersion missing)
{
    QvDocument d;
    if (!d.m_doc.setContent(xml))
        throw EQvDocFormat();
    if (!accepts(d.root(), missing))
        throw EQvDocVersion();
    return d;
}

QvDocument QvDocument::load(const QString& path, QvDocMissingVersion missing)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EQvDocFormat();
    return parse(f.readAll(), missing);
}

QDomElement QvDocument::element(const QString& kind) const { return root().firstChildElement(kind); }

namespace {

// The order in which the writers put the attributes of their elements; others follow by name.
const char* const kAttributeOrder[] = {"QVDOC-VERSION", "SEQ",      "NAME",      "SHORTCUT", "DIALOG",
                                       "SQLWINDOW",     "ERROR",    "SQL",       "XLSFILE",  "BODYTOP",
                                       "BODYCOUNT",     "OUTPUTTYPE", "TYPE",    "ROW",      "COL"};

int attributeRank(const QString& name)
{
    for (int i = 0; i < int(std::size(kAttributeOrder)); ++i)
        if (name == QLatin1String(kAttributeOrder[i]))
            return i;
    return int(std::size(kAttributeOrder));
}

void writeElement(QXmlStreamWriter& w, const QDomElement& e)
{
    w.writeStartElement(e.tagName());
    const QDomNamedNodeMap attrs = e.attributes();
    QList<QDomAttr> list;
    for (int i = 0; i < attrs.count(); ++i)
        list << attrs.item(i).toAttr();
    std::sort(list.begin(), list.end(), [](const QDomAttr& a, const QDomAttr& b) {
        const int ra = attributeRank(a.name()), rb = attributeRank(b.name());
        return ra != rb ? ra < rb : a.name() < b.name();
    });
    for (const QDomAttr& a : list)
        w.writeAttribute(a.name(), a.value());
    for (QDomNode n = e.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isElement())
            writeElement(w, n.toElement());
        else if (n.isText())
            w.writeCharacters(n.toText().data());
    }
    w.writeEndElement();
}

} // namespace

// The DOM keeps no attribute order: the document is written element by element with the
// attributes in the writers' order.
QByteArray QvDocument::toXml() const
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    writeElement(w, root());
    w.writeEndDocument();
    return out;
}

void QvDocument::save(const QString& path) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(toXml()) < 0 || !f.commit())
        throw Exception(QStringLiteral("ファイルを書き込めません: %1").arg(path));
}

int QvDocInt(const QDomElement& e, const QString& name, int def)
{
    if (e.isNull() || !e.hasAttribute(name))
        return def;
    bool ok = false;
    const int v = e.attribute(name).trimmed().toInt(&ok);
    return ok ? v : def;
}

bool QvDocBool(const QDomElement& e, const QString& name, bool def)
{
    if (e.isNull() || !e.hasAttribute(name))
        return def;
    return e.attribute(name).trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

int ShortCutToCode(const QKeySequence& key)
{
    if (key.isEmpty())
        return 0;
    const QKeyCombination combo = key[0];
    const Qt::Key k = combo.key();
    int vk = 0;
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        vk = int(k);
    else if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        vk = 0x70 + int(k - Qt::Key_F1);
    else
        for (const Key& kk : kKeys)
            if (kk.key == k || (k == Qt::Key_Enter && kk.key == Qt::Key_Return))
                vk = kk.vk;
    if (vk == 0)
        return 0;
    const Qt::KeyboardModifiers m = combo.keyboardModifiers();
    return vk | ((m & Qt::ShiftModifier) ? 0x2000 : 0) | ((m & Qt::ControlModifier) ? 0x4000 : 0) |
           ((m & Qt::AltModifier) ? 0x8000 : 0);
}

QKeySequence CodeToShortCut(int code)
{
    const int vk = code & 0xFF;
    Qt::Key key = Qt::Key_unknown;
    if ((vk >= 0x41 && vk <= 0x5A) || (vk >= 0x30 && vk <= 0x39))
        key = Qt::Key(vk);
    else if (vk >= 0x70 && vk <= 0x87)
        key = Qt::Key(Qt::Key_F1 + (vk - 0x70));
    else
        for (const Key& kk : kKeys)
            if (kk.vk == vk)
                key = kk.key;
    if (key == Qt::Key_unknown)
        return {};
    Qt::KeyboardModifiers m;
    if (code & 0x2000)
        m |= Qt::ShiftModifier;
    if (code & 0x4000)
        m |= Qt::ControlModifier;
    if (code & 0x8000)
        m |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(m, key));
}

// ---- user commands ---------------------------------------------------------------------------

QString UserCommandDir() { return DataDir() + QStringLiteral("USERCMD/"); }

QString UserCommandFile(const QString& dir, const QString& name)
{
    QString d = dir;
    if (!d.endsWith(u'/'))
        d += u'/';
    return d + name + QStringLiteral(".cmd");
}

UserCommand ReadUserCommand(const QString& path)
{
    const QvDocument doc = QvDocument::load(path);
    const QDomElement e = doc.element(kUserCmd);
    UserCommand c;
    c.Name = QFileInfo(path).completeBaseName();
    c.Seq = QvDocInt(e, QStringLiteral("SEQ"));
    c.ShortCut = QvDocInt(e, QStringLiteral("SHORTCUT"));
    c.Dialog = QvDocBool(e, QStringLiteral("DIALOG"));
    c.SqlWindow = QvDocBool(e, QStringLiteral("SQLWINDOW"));
    c.IgnoreError = QvDocBool(e, QStringLiteral("ERROR"));
    c.Sql = e.attribute(QStringLiteral("SQL"));
    return c;
}

void WriteUserCommand(const QString& dir, const UserCommand& cmd)
{
    QvDocument doc = QvDocument::create(kUserCmd);
    QDomElement e = doc.element(kUserCmd);
    e.setAttribute(QStringLiteral("SEQ"), QString::number(cmd.Seq));
    e.setAttribute(QStringLiteral("NAME"), cmd.Name);
    e.setAttribute(QStringLiteral("SHORTCUT"), QString::number(cmd.ShortCut));
    e.setAttribute(QStringLiteral("DIALOG"), boolText(cmd.Dialog));
    e.setAttribute(QStringLiteral("SQLWINDOW"), boolText(cmd.SqlWindow));
    e.setAttribute(QStringLiteral("ERROR"), boolText(cmd.IgnoreError));
    e.setAttribute(QStringLiteral("SQL"), cmd.Sql);
    doc.save(UserCommandFile(dir, cmd.Name));
}

// ---- report definitions ------------------------------------------------------------------------

int ReportTagCount() { return int(std::size(kReportTags)); }

QString ReportTagCaption(int index)
{
    return index >= 0 && index < ReportTagCount() ? QString::fromUtf8(kReportTags[index].caption) : QString();
}

QString ReportTagKeyword(int index)
{
    return index >= 0 && index < ReportTagCount() ? QString::fromUtf8(kReportTags[index].keyword) : QString();
}

int IndexOfReportTag(const QString& text, int column)
{
    for (int i = 0; i < ReportTagCount(); ++i)
        if ((column == 0 ? ReportTagCaption(i) : ReportTagKeyword(i)) == text)
            return i;
    return 0;
}

QString ReportDefinitionDir() { return DataDir() + QStringLiteral("xlsdef/"); }

int ReportOutputKind(const QString& path)
{
    try {
        const QvDocument doc = QvDocument::load(path);
        const QDomElement e = doc.element(kXlsDef);
        if (e.isNull())
            return 0;
        if (IndexOfReportTag(e.attribute(QStringLiteral("TYPE")), 1) == 0)
            return 0;
        return QvDocInt(e, QStringLiteral("OUTPUTTYPE")) + 1;
    } catch (const std::exception&) {
        return 0;
    }
}

// ---- the menus -------------------------------------------------------------------------------

void OrderUserCommands(QList<UserCommandListEntry>& list)
{
    QCollator c;
    c.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(list.begin(), list.end(),
                     [&](const UserCommandListEntry& a, const UserCommandListEntry& b) { return c.compare(a.Name, b.Name) < 0; });
    // The exchange sort by SEQ: equal values may leave name order once a swap moved them.
    for (qsizetype i = 0; i + 1 < list.size(); ++i)
        for (qsizetype j = i + 1; j < list.size(); ++j)
            if (list[i].Seq > list[j].Seq)
                std::swap(list[i], list[j]);
}

namespace {

struct CommandFacts {
    int seq = 0;
    int shortCut = 0;
};

// SEQ and SHORTCUT of a command file; an unreadable or refused file gives zeros.
CommandFacts readCommandFacts(const QString& dir, const QString& name)
{
    CommandFacts f;
    try {
        const QvDocument doc = QvDocument::load(UserCommandFile(dir, name), QvDocMissingVersion::AsZero);
        const QDomElement e = doc.element(kUserCmd);
        f.seq = QvDocInt(e, QStringLiteral("SEQ"));
        f.shortCut = QvDocInt(e, QStringLiteral("SHORTCUT"));
    } catch (const std::exception&) {
    }
    return f;
}

} // namespace

QList<UserCommandListEntry> UserCommandListEntries(const QString& dir)
{
    QList<UserCommandListEntry> list;
    for (const QString& name : definitionNames(dir, QStringLiteral("cmd"))) {
        const CommandFacts f = readCommandFacts(dir, name);
        list << UserCommandListEntry{name, f.seq, f.shortCut};
    }
    OrderUserCommands(list);
    return list;
}

QList<QvMenuEntry> UserCommandMenuEntries(const QString& dir)
{
    QList<QvMenuEntry> out;
    for (const UserCommandListEntry& e : UserCommandListEntries(dir))
        out << QvMenuEntry{e.Name, e.ShortCut, e.Seq};
    return out;
}

QList<QvMenuEntry> ReportMenuEntries(const QString& dir)
{
    QStringList names = definitionNames(dir, QStringLiteral("def"));
    sortByName(names);
    QString d = dir;
    if (!d.endsWith(u'/'))
        d += u'/';
    QList<QvMenuEntry> out;
    for (const QString& name : names)
        out << QvMenuEntry{name, 0, ReportOutputKind(d + name + QStringLiteral(".def"))};
    return out;
}

} // namespace qv
