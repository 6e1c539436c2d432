#include "platform/registry_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

const QByteArray kMagic = QByteArrayLiteral("QORVEL-SETTINGS 1");
const QByteArray kEndLine = QByteArrayLiteral("; end of settings");
const QByteArray kBasePrefix = QByteArrayLiteral("; base ");

QString fold(const QString& s) { return s.toCaseFolded(); }

bool validKeyName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c == u'\\' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
        if (c.isHighSurrogate()) {
            if (i + 1 >= name.size() || !name.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (c.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

void appendQuoted(QByteArray& out, const QString& s)
{
    out += '"';
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const char16_t u = c.unicode();
        if (u == u'\\') {
            out += "\\\\";
        } else if (u == u'"') {
            out += "\\\"";
        } else if (u == u'\n') {
            out += "\\n";
        } else if (u == u'\r') {
            out += "\\r";
        } else if (u == u'\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7f) {
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0')).toLatin1();
        } else if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out += s.mid(i, 2).toUtf8();
            ++i;
        } else if (c.isSurrogate()) {
            // A lone surrogate has no UTF-8 form: keep it as an escape so it survives.
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0')).toLatin1();
        } else {
            out += QString(c).toUtf8();
        }
    }
    out += '"';
}

// Parses a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool parseQuoted(const QString& s, qsizetype& pos, QString& out)
{
    if (pos >= s.size() || s.at(pos) != u'"')
        return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        const QChar c = s.at(pos++);
        if (c == u'"')
            return true;
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (pos >= s.size())
            return false;
        const QChar e = s.at(pos++);
        switch (e.unicode()) {
        case u'\\': out += u'\\'; break;
        case u'"': out += u'"'; break;
        case u'n': out += u'\n'; break;
        case u'r': out += u'\r'; break;
        case u't': out += u'\t'; break;
        case u'u': {
            if (pos + 4 > s.size())
                return false;
            bool ok = false;
            const uint code = s.mid(pos, 4).toUInt(&ok, 16);
            if (!ok)
                return false;
            out += QChar(char16_t(code));
            pos += 4;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

void serializeKey(QByteArray& out, const RegKey& key, const QString& path)
{
    out += '[';
    out += path.toUtf8();
    out += "]\n";
    for (const RegValue& v : key.values) {
        appendQuoted(out, v.name);
        out += '=';
        switch (v.type) {
        case RegDataType::String:
            appendQuoted(out, v.text);
            break;
        case RegDataType::ExpandString:
            out += "expand:";
            appendQuoted(out, v.text);
            break;
        case RegDataType::Integer:
            out += "dword:";
            out += QByteArray::number(v.dword, 16).rightJustified(8, '0');
            break;
        case RegDataType::Binary:
        case RegDataType::None:
            out += "hex:";
            out += v.bytes.toHex(',');
            break;
        }
        out += '\n';
    }
    out += '\n';
    for (const auto& [folded, child] : key.children)
        serializeKey(out, *child, path.isEmpty() ? child->name : path + u'\\' + child->name);
}

} // namespace

// ---- RegKey ---------------------------------------------------------------------------------

RegKey* RegKey::child(const QString& name) const
{
    auto it = children.find(fold(name));
    return it == children.end() ? nullptr : it->second.get();
}

RegKey* RegKey::addChild(const QString& name)
{
    auto& slot = children[fold(name)];
    if (!slot) {
        slot = std::make_unique<RegKey>();
        slot->name = name;
    }
    return slot.get();
}

int RegKey::valueIndex(const QString& name) const { return index.value(fold(name), -1); }

const RegValue* RegKey::value(const QString& name) const
{
    const int i = valueIndex(name);
    return i < 0 ? nullptr : &values[size_t(i)];
}

void RegKey::setValue(const RegValue& v)
{
    const int i = valueIndex(v.name);
    if (i >= 0) {
        // An overwritten value keeps its place and the letter case it was created with.
        RegValue& cur = values[size_t(i)];
        cur.type = v.type;
        cur.text = v.text;
        cur.dword = v.dword;
        cur.bytes = v.bytes;
        return;
    }
    index.insert(fold(v.name), int(values.size()));
    values.push_back(v);
}

bool RegKey::removeValue(const QString& name)
{
    const int i = valueIndex(name);
    if (i < 0)
        return false;
    values.erase(values.begin() + i);
    index.clear();
    for (size_t k = 0; k < values.size(); ++k)
        index.insert(fold(values[k].name), int(k));
    return true;
}

// ---- format ---------------------------------------------------------------------------------

bool splitKeyPath(const QString& path, QStringList& components)
{
    components.clear();
    if (path.isEmpty())
        return true;
    const QStringList parts = path.split(u'\\');
    for (const QString& p : parts) {
        if (!validKeyName(p))
            return false;
        components << p;
    }
    return true;
}

namespace {
// The keys and the end line: everything after the header lines.
QByteArray serializeBody(const RegKey& root)
{
    QByteArray out;
    out.reserve(64 * 1024);
    serializeKey(out, root, QString());
    out += kEndLine + '\n';
    return out;
}

QByteArray serializeHeader(const QByteArray& base)
{
    QByteArray out = kMagic + "\n; Qorvel settings. Keys in [brackets], one value per line.\n";
    if (!base.isEmpty())
        out += kBasePrefix + base + '\n';
    return out + '\n';
}
} // namespace

QByteArray serializeRegistry(const RegKey& root, const QByteArray& base)
{
    return serializeHeader(base) + serializeBody(root);
}

QByteArray settingsDigest(const QByteArray& fileBytes)
{
    return QCryptographicHash::hash(fileBytes, QCryptographicHash::Sha256).toHex().left(32);
}

bool parseRegistry(const QByteArray& data, RegKey& root, QString* error, ParseInfo* info)
{
    ParseInfo localInfo;
    ParseInfo& pi = info ? *info : localInfo;
    pi = ParseInfo();
    auto fail = [&](int line, const QString& what) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line).arg(what);
        return false;
    };
    root.children.clear();
    root.values.clear();
    root.index.clear();

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(data);
    if (decoder.hasError())
        return fail(0, QStringLiteral("not UTF-8 text"));

    const QStringList lines = text.split(u'\n');
    bool seenMagic = false;
    RegKey* current = nullptr;
    int lineNo = 0;
    const QString endLine = QString::fromLatin1(kEndLine);
    const QString basePrefix = QString::fromLatin1(kBasePrefix);
    for (QString line : lines) {
        ++lineNo;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!seenMagic) {
            if (line.trimmed().isEmpty())
                continue;
            if (line.trimmed() != QString::fromLatin1(kMagic))
                return fail(lineNo, QStringLiteral("missing file header"));
            seenMagic = true;
            continue;
        }
        if (pi.complete) {
            if (!line.trimmed().isEmpty())
                return fail(lineNo, QStringLiteral("text after the end line"));
            continue;
        }
        if (line.trimmed() == endLine) {
            pi.complete = true;
            continue;
        }
        if (!current && line.startsWith(basePrefix)) {
            pi.base = line.mid(basePrefix.size()).trimmed().toLatin1();
            continue;
        }
        if (line.trimmed().isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                return fail(lineNo, QStringLiteral("bad key header"));
            QStringList comps;
            if (!splitKeyPath(line.mid(1, line.size() - 2), comps))
                return fail(lineNo, QStringLiteral("bad key name"));
            current = &root;
            for (const QString& c : comps)
                current = current->addChild(c);
            continue;
        }
        if (!current)
            return fail(lineNo, QStringLiteral("value outside a key"));
        qsizetype pos = 0;
        RegValue v;
        if (!parseQuoted(line, pos, v.name))
            return fail(lineNo, QStringLiteral("bad value name"));
        if (pos >= line.size() || line.at(pos) != u'=')
            return fail(lineNo, QStringLiteral("missing '='"));
        ++pos;
        const QString rest = line.mid(pos);
        if (rest.startsWith(u'"')) {
            qsizetype p = 0;
            v.type = RegDataType::String;
            if (!parseQuoted(rest, p, v.text) || p != rest.size())
                return fail(lineNo, QStringLiteral("bad string"));
        } else if (rest.startsWith(QLatin1String("expand:"))) {
            qsizetype p = 7;
            v.type = RegDataType::ExpandString;
            if (!parseQuoted(rest, p, v.text) || p != rest.size())
                return fail(lineNo, QStringLiteral("bad string"));
        } else if (rest.startsWith(QLatin1String("dword:"))) {
            const QString digits = rest.mid(6);
            bool ok = false;
            v.type = RegDataType::Integer;
            v.dword = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8)
                return fail(lineNo, QStringLiteral("bad dword"));
        } else if (rest.startsWith(QLatin1String("hex:"))) {
            const QString hex = rest.mid(4);
            v.type = RegDataType::Binary;
            if (!hex.isEmpty()) {
                for (const QString& b : hex.split(u',')) {
                    bool ok = false;
                    const uint byte = b.toUInt(&ok, 16);
                    if (!ok || b.size() != 2)
                        return fail(lineNo, QStringLiteral("bad binary"));
                    v.bytes.append(char(byte));
                }
            }
        } else {
            return fail(lineNo, QStringLiteral("unknown value type"));
        }
        current->setValue(v);
    }
    if (!seenMagic && !text.trimmed().isEmpty())
        return fail(0, QStringLiteral("missing file header"));
    if (!seenMagic)
        return fail(0, QStringLiteral("empty file"));
    // Older writers ended the file with the blank line after the last key.
    pi.blankEnding = !pi.complete && lines.size() >= 2 && lines.last().isEmpty()
                     && QStringView(lines.at(lines.size() - 2)).trimmed().isEmpty();
    return true;
}

FileStamp statFile(const QString& path)
{
    FileStamp s;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.dev = qint64(st.st_dev);
    s.ino = qint64(st.st_ino);
    s.size = qint64(st.st_size);
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

// ---- RegistryStore --------------------------------------------------------------------------

std::function<void(int)> RegistryStore::writeHook;

namespace {
struct StoreRegistry {
    std::shared_ptr<RegistryStore> stores[2];
    QStringList notices;
};
StoreRegistry& storeRegistry()
{
    // Never destroyed: the global accessor closes its key (and writes) during static destruction.
    static StoreRegistry* r = new StoreRegistry;
    return *r;
}
} // namespace

RegistryStore::RegistryStore(QString path, bool readOnly) : m_path(std::move(path)), m_readOnly(readOnly)
{
    load();
}

std::shared_ptr<RegistryStore> RegistryStore::get(RootKey root)
{
    auto& slot = storeRegistry().stores[root == HKEY_LOCAL_MACHINE ? 1 : 0];
    if (!slot)
        slot = std::make_shared<RegistryStore>(TRegistry::StoreFilePath(root), root == HKEY_LOCAL_MACHINE);
    return slot;
}

void RegistryStore::resetAll()
{
    for (auto& s : storeRegistry().stores) {
        if (s && s->dirty())
            s->flush();
        s.reset();
    }
}

QString RegistryStore::takeNotice()
{
    QString text = storeRegistry().notices.join(u'\n');
    storeRegistry().notices.clear();
    return text;
}

void RegistryStore::addNotice(const QString& text)
{
    qWarning().noquote() << text;
    storeRegistry().notices << text;
}

QString RegistryStore::targetPath() const
{
    // A settings file that is a symbolic link (to a file kept elsewhere) stays one: reads and
    // writes go to the file it points to.
    QString p = m_path;
    for (int depth = 0; depth < 40; ++depth) {
        const QByteArray enc = QFile::encodeName(p);
        char buf[4096];
        const ssize_t n = ::readlink(enc.constData(), buf, sizeof buf - 1);
        if (n <= 0)
            return p;
        const QString link = QFile::decodeName(QByteArray(buf, int(n)));
        p = QDir::cleanPath(QDir::isAbsolutePath(link) ? link : QFileInfo(p).absolutePath() + u'/' + link);
    }
    return p;
}

RegistryStore::FileRead RegistryStore::readFile(const QString& target) const
{
    FileRead r;
    const QByteArray enc = QFile::encodeName(target);
    struct stat st {};
    if (::stat(enc.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return r;
        r.status = FileRead::Unreadable;
        r.error = QString::fromLocal8Bit(::strerror(errno));
        return r;
    }
    r.stamp = statFile(target);
    // Never open a FIFO, socket or device: opening or reading one can block the start for good.
    if (!S_ISREG(st.st_mode)) {
        r.status = FileRead::NotRegular;
        return r;
    }
    if (st.st_size > MaxFileSize) {
        r.status = FileRead::TooLarge;
        return r;
    }
    const int fd = ::open(enc.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat fst {};
    if (fd < 0 || ::fstat(fd, &fst) != 0 || !S_ISREG(fst.st_mode)) {
        r.status = fd < 0 ? FileRead::Unreadable : FileRead::NotRegular;
        r.error = QString::fromLocal8Bit(::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return r;
    }
    // Read to the end, but never more than the limit (the file may grow while it is read).
    QByteArray data;
    data.resize(qsizetype(std::min<qint64>(fst.st_size, MaxFileSize)) + 1);
    qsizetype got = 0;
    bool readError = false;
    for (;;) {
        if (got == data.size()) {
            if (got > MaxFileSize)
                break;
            data.resize(std::min<qsizetype>(data.size() * 2, MaxFileSize + 1));
        }
        const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readError = true;
            r.error = QString::fromLocal8Bit(::strerror(errno));
            break;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    if (readError) {
        r.status = FileRead::Unreadable;
        return r;
    }
    if (got > MaxFileSize) {
        r.status = FileRead::TooLarge;
        return r;
    }
    data.truncate(got);
    r.digest = settingsDigest(data);
    r.status = parseRegistry(data, r.root, &r.error, &r.info) ? FileRead::Ok : FileRead::Damaged;
    if (r.status != FileRead::Ok)
        r.root = RegKey();
    return r;
}

QString RegistryStore::setAside(const QString& target, const QString& kind, bool copy) const
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = target + u'.' + kind + u'-' + stamp;
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = base + u'-' + QString::number(n);
    const bool ok = copy ? QFile::copy(target, aside)
                         : ::rename(QFile::encodeName(target).constData(), QFile::encodeName(aside).constData()) == 0;
    if (ok && copy)
        QFile::setPermissions(aside, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return ok ? aside : QString();
}

void RegistryStore::takeState(FileRead&& r)
{
    m_root = std::move(r.root);
    m_fileDigest = r.digest;
    m_treeDigest = settingsDigest(serializeBody(m_root));
    m_stamp = r.stamp;
}

void RegistryStore::load()
{
    m_root = RegKey();
    m_pending.clear();
    m_mustWrite = false;
    m_fileDigest.clear();
    m_treeDigest = settingsDigest(serializeBody(m_root));
    const QString target = targetPath();
    m_stamp = statFile(target);
    FileRead r = readFile(target);
    const QString shown = target == m_path ? m_path : m_path + QStringLiteral(" (") + target + u')';
    switch (r.status) {
    case FileRead::Missing:
        return;
    case FileRead::Ok:
        if (!r.info.complete && !r.info.blankEnding && !m_readOnly) {
            // Cut short at a line end: keep what was read, keep a copy, and write the whole
            // state back at the next write.
            const QString copy = setAside(target, QStringLiteral("damaged"), true);
            addNotice(QStringLiteral("設定ファイル %1 は途中で切れています。読めた設定で起動します。元のファイルは %2 として残しました。")
                          .arg(shown, copy.isEmpty() ? QStringLiteral("(コピーできませんでした)") : copy));
            m_mustWrite = true;
        }
        takeState(std::move(r));
        return;
    case FileRead::NotRegular:
        if (m_readOnly) {
            qWarning().noquote() << QStringLiteral("settings file %1 ignored: not a regular file").arg(shown);
            return;
        }
        m_memoryOnly = true;
        addNotice(QStringLiteral("設定ファイル %1 は通常のファイルではありません。既定の設定で起動します。この実行中の設定は保存されません。")
                      .arg(shown));
        return;
    case FileRead::TooLarge:
    case FileRead::Unreadable:
    case FileRead::Damaged:
        break;
    }
    const QString error = r.status == FileRead::TooLarge
                              ? QStringLiteral("%1 MB を超えています").arg(MaxFileSize / (1024 * 1024))
                              : r.error;
    if (m_readOnly) {
        qWarning().noquote() << QStringLiteral("settings file %1 ignored: %2").arg(shown, error);
        return;
    }
    // Keep the damaged file aside under a new name and start on defaults.
    const QString aside = setAside(target, QStringLiteral("damaged"), false);
    if (!aside.isEmpty()) {
        addNotice(QStringLiteral("設定ファイル %1 を読み込めませんでした (%2)。既定の設定で起動します。元のファイルは %3 として残しました。")
                      .arg(shown, error, aside));
    } else {
        // It cannot even be moved: never write over it in this run (settings still change in
        // memory, so nothing that saves them fails).
        m_memoryOnly = true;
        addNotice(QStringLiteral("設定ファイル %1 を読み込めませんでした (%2)。既定の設定で起動します。この実行中の設定は保存されません。")
                      .arg(shown, error));
    }
    m_stamp = statFile(target);
}

void RegistryStore::refreshIfChanged()
{
    if (dirty())
        return;
    const QString target = targetPath();
    const FileStamp now = statFile(target);
    if (now == m_stamp || now == m_ignoredStamp || !now.exists)
        return;
    FileRead r = readFile(target);
    // A file written by another process of this program on top of the state held here (or,
    // for the read-only machine file, any readable file) replaces that state.
    if (r.status == FileRead::Ok && (m_readOnly || (r.info.complete && r.info.base == m_fileDigest))) {
        takeState(std::move(r));
        m_ignoredStamp = FileStamp();
    } else {
        m_ignoredStamp = now;
    }
}

RegKey* RegistryStore::find(const QStringList& path)
{
    RegKey* k = &m_root;
    for (const QString& c : path) {
        k = k->child(c);
        if (!k)
            return nullptr;
    }
    return k;
}

RegKey* RegistryStore::create(const QStringList& path)
{
    if (RegKey* k = find(path))
        return k;
    if (m_readOnly)
        return nullptr;
    Op op{Op::CreateKey, path, {}};
    apply(op);
    m_pending.push_back(std::move(op));
    return find(path);
}

bool RegistryStore::removeKey(const QStringList& path)
{
    if (m_readOnly || path.isEmpty() || !find(path))
        return false;
    Op op{Op::DeleteKey, path, {}};
    apply(op);
    m_pending.push_back(std::move(op));
    return true;
}

bool RegistryStore::setValue(const QStringList& path, const RegValue& v)
{
    if (m_readOnly || !find(path))
        return false;
    Op op{Op::SetValue, path, v};
    apply(op);
    m_pending.push_back(std::move(op));
    return true;
}

bool RegistryStore::removeValue(const QStringList& path, const QString& name)
{
    RegKey* k = find(path);
    if (m_readOnly || !k || !k->value(name))
        return false;
    Op op{Op::DeleteValue, path, {}};
    op.value.name = name;
    apply(op);
    m_pending.push_back(std::move(op));
    return true;
}

void RegistryStore::apply(const Op& op)
{
    switch (op.kind) {
    case Op::CreateKey: {
        RegKey* k = &m_root;
        for (const QString& c : op.path)
            k = k->addChild(c);
        break;
    }
    case Op::DeleteKey: {
        RegKey* parent = find(op.path.mid(0, op.path.size() - 1));
        if (parent)
            parent->children.erase(fold(op.path.last()));
        break;
    }
    case Op::SetValue:
        if (RegKey* k = find(op.path))
            k->setValue(op.value);
        break;
    case Op::DeleteValue:
        if (RegKey* k = find(op.path))
            k->removeValue(op.value.name);
        break;
    }
}

bool RegistryStore::flush()
{
    if (m_readOnly)
        return !dirty();
    if (m_memoryOnly) {
        // The user was told at start that this run saves nothing.
        m_pending.clear();
        m_mustWrite = false;
        return true;
    }
    const QString target = targetPath();
    if (!dirty() && statFile(target) == m_stamp)
        return true;

    QDir().mkpath(QFileInfo(target).absolutePath());
    // One writer at a time across processes.
    const QByteArray lockPath = QFile::encodeName(target + QStringLiteral(".lock"));
    const int lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd >= 0)
        ::flock(lockFd, LOCK_EX);

    bool ok = true;
    bool mustWrite = m_mustWrite;
    const FileStamp now = statFile(target);
    if (now != m_stamp && now.exists) {
        FileRead r = readFile(target);
        if (r.status == FileRead::NotRegular) {
            ok = false;
            if (!m_notRegularReported) {
                m_notRegularReported = true;
                addNotice(QStringLiteral("設定ファイル %1 は通常のファイルではないため、設定を保存しません。").arg(target));
            }
        } else if (r.status == FileRead::Ok && r.info.complete && r.info.base == m_fileDigest) {
            // Another process of this program wrote the file on top of the state held here:
            // our changes are replayed onto its content, so neither side loses anything.
            std::vector<Op> pending = std::move(m_pending);
            m_pending.clear();
            takeState(std::move(r));
            for (const Op& op : pending)
                apply(op);
            m_pending = std::move(pending);
        } else {
            // Changed some other way (edited, replaced, cut short, damaged): the state in memory
            // is the truth; the file found is kept aside.
            const QString aside = setAside(target, QStringLiteral("foreign"), false);
            addNotice(aside.isEmpty()
                          ? QStringLiteral("設定ファイル %1 がこの実行中に外部で変更されていました。現在の設定で上書きします。").arg(target)
                          : QStringLiteral("設定ファイル %1 がこの実行中に外部で変更されていました。現在の設定を保存し、見つかったファイルは %2 として残しました。")
                                .arg(target, aside));
            mustWrite = true;
        }
    } else if (now != m_stamp) {
        mustWrite = true; // the file was removed: write the state held here again
    }

    if (ok) {
        const QByteArray body = serializeBody(m_root);
        const QByteArray treeDigest = settingsDigest(body);
        if (mustWrite || treeDigest != m_treeDigest) {
            const QByteArray data = serializeHeader(m_fileDigest) + body;
            ok = writeFile(target, data);
            if (ok) {
                m_fileDigest = settingsDigest(data);
                m_treeDigest = treeDigest;
            }
        }
        if (ok) {
            // Nothing changed: nothing written.
            m_pending.clear();
            m_mustWrite = false;
            m_stamp = statFile(target);
            m_ignoredStamp = FileStamp();
        } else if (!m_notRegularReported && !m_writeFailedReported) {
            m_writeFailedReported = true;
            addNotice(QStringLiteral("設定ファイル %1 に書き込めません。").arg(m_path));
        }
    }
    if (lockFd >= 0) {
        ::flock(lockFd, LOCK_UN);
        ::close(lockFd);
    }
    return ok;
}

bool RegistryStore::writeFile(const QString& target, const QByteArray& data)
{
    QByteArray tmpl = QFile::encodeName(target) + ".XXXXXX";
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC); // created with mode 0600
    if (fd < 0)
        return false;
    auto writeAll = [fd](const char* p, qsizetype n) {
        while (n > 0) {
            const ssize_t w = ::write(fd, p, size_t(n));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            p += w;
            n -= w;
        }
        return true;
    };
    const qsizetype half = data.size() / 2;
    bool ok = ::fchmod(fd, 0600) == 0 && writeAll(data.constData(), half);
    if (ok && writeHook)
        writeHook(1);
    ok = ok && writeAll(data.constData() + half, data.size() - half) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && writeHook)
        writeHook(2);
    if (ok)
        ok = ::rename(tmpl.constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok) {
        ::unlink(tmpl.constData());
        return false;
    }
    if (writeHook)
        writeHook(3);
    const int dirFd = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace qv
