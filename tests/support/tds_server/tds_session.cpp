// The session of one client: packet framing, PRELOGIN, LOGIN7, SQL batches, RPC requests,
// transaction-manager requests and ATTENTION.
#include "tds_server.h"
#include "tds_sql.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace qvtds {

namespace {

enum PacketType : uint8_t {
    pSqlBatch = 1, pRpc = 3, pReply = 4, pAttention = 6, pTransaction = 14, pLogin7 = 16, pPrelogin = 18,
};
enum Token : uint8_t {
    kColMetadata = 0x81, kRow = 0xD1, kReturnStatus = 0x79, kError = 0xAA, kInfo = 0xAB,
    kReturnValue = 0xAC, kLoginAck = 0xAD, kEnvChange = 0xE3, kDone = 0xFD, kDoneProc = 0xFE,
    kDoneInProc = 0xFF,
};
enum DoneStatus : uint16_t { dFinal = 0, dMore = 0x1, dError = 0x2, dCount = 0x10, dAttention = 0x20 };

constexpr int kMaxPacket = 32768;
constexpr int kMaxMessage = 64 * 1024 * 1024;
constexpr int kMaxLogin = 128 * 1024;
constexpr int kMaxParams = 2100;
constexpr uint32_t kTds74 = 0x74000004;
constexpr uint32_t kTds71 = 0x71000001;

// Tokens of one reply; the last DONE-type token gets its "more" bit cleared when finished.
class TokenStream {
public:
    explicit TokenStream(const WireVersion& v) : m_version(v) {}
    ByteWriter& w() { return m_w; }
    const WireVersion& version() const { return m_version; }

    void done(uint8_t token, uint16_t status, uint16_t curCmd, qint64 count)
    {
        m_lastDone = m_w.size();
        m_w.u8(token);
        m_w.u16(status);
        m_w.u16(curCmd);
        if (m_version.wideRowCount())
            m_w.u64(uint64_t(count < 0 ? 0 : count));
        else
            m_w.u32(uint32_t(count < 0 ? 0 : count));
    }
    bool hasDone() const { return m_lastDone >= 0; }
    void message(uint8_t token, int number, int state, int severity, const QString& text,
                 const QString& server, const QString& proc, int line)
    {
        m_w.u8(token);
        int lenPos = m_w.size();
        m_w.u16(0);
        m_w.u32(uint32_t(number));
        m_w.u8(uint8_t(state));
        m_w.u8(uint8_t(severity));
        m_w.usVarchar(text);
        m_w.bVarchar(server);
        m_w.bVarchar(proc);
        if (m_version.wideRowCount())
            m_w.u32(uint32_t(line));
        else
            m_w.u16(uint16_t(line));
        m_w.patchU16(lenPos, uint16_t(m_w.size() - lenPos - 2));
    }
    void envChange(uint8_t type, const QString& newValue, const QString& oldValue)
    {
        m_w.u8(kEnvChange);
        int lenPos = m_w.size();
        m_w.u16(0);
        m_w.u8(type);
        m_w.bVarchar(newValue);
        m_w.bVarchar(oldValue);
        m_w.patchU16(lenPos, uint16_t(m_w.size() - lenPos - 2));
    }
    void envChangeBytes(uint8_t type, const QByteArray& newValue, const QByteArray& oldValue)
    {
        m_w.u8(kEnvChange);
        int lenPos = m_w.size();
        m_w.u16(0);
        m_w.u8(type);
        m_w.bVarbyte(newValue);
        m_w.bVarbyte(oldValue);
        m_w.patchU16(lenPos, uint16_t(m_w.size() - lenPos - 2));
    }
    void returnStatus(int status) { m_w.u8(kReturnStatus); m_w.u32(uint32_t(status)); }
    void append(const QByteArray& b) { m_w.bytes(b); }
    QByteArray finish()
    {
        if (m_lastDone < 0)
            done(kDone, dFinal, 0, 0);
        QByteArray out = m_w.take();
        out[m_lastDone + 1] = char(uint8_t(out[m_lastDone + 1]) & ~uint8_t(dMore));
        return out;
    }

private:
    WireVersion m_version;
    ByteWriter m_w;
    int m_lastDone = -1;
};

QByteArray encodeResultSet(const ResultSet& rs, const WireVersion& v, bool withRows)
{
    ByteWriter w;
    if (rs.columns.size() > 4096)
        throw std::invalid_argument("too many columns");
    QList<ColumnType> types;
    w.u8(kColMetadata);
    w.u16(uint16_t(rs.columns.size()));
    for (const Column& c : rs.columns) {
        ColumnType t = wireType(c.type, v);
        types << t;
        if (v.wideRowCount())
            w.u32(0);
        else
            w.u16(0);
        uint16_t flags = 0x0008;  // read/write
        if (c.nullable)
            flags |= 0x0001;
        if (c.identity)
            flags = uint16_t((flags & ~0x0008) | 0x0010);
        w.u16(flags);
        writeTypeInfo(w, t);
        w.bVarchar(c.name);
    }
    if (withRows) {
        for (const QVariantList& row : rs.rows) {
            w.u8(kRow);
            for (int i = 0; i < types.size(); ++i)
                writeValue(w, types[i], i < row.size() ? row[i] : QVariant());
        }
    }
    return w.take();
}

struct Prepared {
    QString statement;
    QString declaration;
};

class Session {
public:
    Session(int fd, int number, const ServerConfig& config)
        : m_fd(fd), m_number(number), m_config(config), m_database(config.defaultDatabase) {}

    void run()
    {
        uint8_t type;
        QByteArray payload;
        // Before log-on only PRELOGIN (once) and LOGIN7 are accepted.
        bool preloginSeen = false;
        while (!m_loggedIn) {
            if (!readMessage(&type, &payload))
                return;
            if (type == pPrelogin && !preloginSeen) {
                preloginSeen = true;
                handlePrelogin(payload);
            } else if (type == pLogin7) {
                if (!handleLogin(payload))
                    return;
            } else {
                throw ProtocolError("unexpected message before log-on");
            }
        }
        for (;;) {
            if (!readMessage(&type, &payload))
                return;
            switch (type) {
            case pSqlBatch: handleBatch(payload); break;
            case pRpc: handleRpc(payload); break;
            case pTransaction: handleTransaction(payload); break;
            case pAttention: {
                TokenStream ts(m_version);
                ts.done(kDone, dAttention, 0, 0);
                send(ts.finish());
                break;
            }
            default:
                throw ProtocolError("unsupported message type");
            }
        }
    }

private:
    // ---- framing ----
    bool readExact(char* buf, int n, bool eofOk)
    {
        int got = 0;
        while (got < n) {
            ssize_t r = ::recv(m_fd, buf + got, size_t(n - got), 0);
            if (r == 0) {
                if (got == 0 && eofOk)
                    return false;
                throw ProtocolError("connection closed inside a packet");
            }
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                if (got == 0 && eofOk)
                    return false;
                throw ProtocolError("read failed");
            }
            got += int(r);
        }
        return true;
    }

    bool readMessage(uint8_t* type, QByteArray* payload)
    {
        payload->clear();
        bool first = true;
        for (;;) {
            char header[8];
            if (!readExact(header, 8, first))
                return false;
            uint8_t t = uint8_t(header[0]);
            uint8_t status = uint8_t(header[1]);
            int length = (uint8_t(header[2]) << 8) | uint8_t(header[3]);
            if (length < 8 || length > kMaxPacket)
                throw ProtocolError("bad packet length");
            if (first)
                *type = t;
            else if (t != *type)
                throw ProtocolError("packet type changes inside a message");
            QByteArray body(length - 8, '\0');
            if (length > 8)
                readExact(body.data(), length - 8, false);
            if (payload->size() + body.size() > kMaxMessage)
                throw ProtocolError("message too long");
            payload->append(body);
            first = false;
            if (status & 0x02) {  // the client abandoned this message
                payload->clear();
                first = true;
                continue;
            }
            if (status & 0x01)
                return true;
        }
    }

    void send(const QByteArray& data, uint8_t type = pReply)
    {
        const int chunk = m_packetSize - 8;
        int pos = 0;
        do {
            int n = qMin(chunk, int(data.size()) - pos);
            bool last = pos + n >= data.size();
            QByteArray packet;
            packet.reserve(n + 8);
            packet.append(char(type));
            packet.append(char(last ? 0x01 : 0x00));
            packet.append(char((n + 8) >> 8));
            packet.append(char((n + 8) & 0xff));
            packet.append(char(0));
            packet.append(char(m_number & 0xff));
            packet.append(char(m_packetId++));
            packet.append(char(0));
            packet.append(data.constData() + pos, n);
            int sent = 0;
            while (sent < packet.size()) {
                ssize_t r = ::send(m_fd, packet.constData() + sent, size_t(packet.size() - sent), MSG_NOSIGNAL);
                if (r < 0 && errno == EINTR)
                    continue;
                if (r <= 0)
                    throw ProtocolError("write failed");
                sent += int(r);
            }
            pos += n;
        } while (pos < data.size());
    }

    void event(const QString& line)
    {
        if (m_config.logEvent)
            m_config.logEvent(QStringLiteral("[%1] %2").arg(m_number).arg(line));
    }

    // ---- PRELOGIN ----
    void handlePrelogin(const QByteArray& payload)
    {
        ByteReader r(payload);
        uint8_t clientEncryption = 2;
        for (int i = 0; i < 64; ++i) {
            uint8_t option = r.u8();
            if (option == 0xFF)
                break;
            uint16_t offset = r.u16be();
            uint16_t length = r.u16be();
            if (int(offset) + int(length) > payload.size())
                throw ProtocolError("PRELOGIN option outside the message");
            if (option == 1 && length >= 1)
                clientEncryption = uint8_t(payload[offset]);
        }
        if (clientEncryption == 3 /* required */) {
            event(QStringLiteral("client requires encryption, which this server does not offer"));
        }
        QStringList parts = m_config.productVersion.split(QLatin1Char('.'));
        auto part = [&](int i) { return i < parts.size() ? parts[i].toUInt() : 0u; };
        ByteWriter opts, data;
        const int count = 5;
        int base = count * 5 + 1;
        auto option = [&](uint8_t token, const QByteArray& value) {
            opts.u8(token);
            opts.u16be(uint16_t(base + data.size()));
            opts.u16be(uint16_t(value.size()));
            data.bytes(value);
        };
        ByteWriter ver;
        ver.u8(uint8_t(part(0)));
        ver.u8(uint8_t(part(1)));
        ver.u16be(uint16_t(part(2)));
        ver.u16(uint16_t(part(3)));
        option(0, ver.data());
        option(1, QByteArray(1, char(2)));  // encryption not supported
        option(2, QByteArray(1, char(0)));
        option(3, QByteArray());
        option(4, QByteArray(1, char(0)));  // no MARS
        opts.u8(0xFF);
        send(opts.data() + data.data());
    }

    // ---- LOGIN7 ----
    bool handleLogin(const QByteArray& payload)
    {
        ByteReader r(payload);
        uint32_t length = r.u32();
        if (length < 36 || length > uint32_t(payload.size()) || length > uint32_t(kMaxLogin))
            throw ProtocolError("bad LOGIN7 length");
        uint32_t version = r.u32();
        uint32_t packetSize = r.u32();
        r.skip(4 * 3);  // client program version, process id, connection id
        r.skip(4);      // option flags
        r.skip(8);      // time zone, LCID
        auto field = [&](bool password = false) -> QString {
            uint16_t offset = r.u16();
            uint16_t chars = r.u16();
            if (chars == 0)
                return {};
            if (uint32_t(offset) + uint32_t(chars) * 2 > length || offset < 36)
                throw ProtocolError("LOGIN7 field outside the record");
            QByteArray raw = payload.mid(offset, chars * 2);
            if (password) {
                for (char& c : raw) {
                    uint8_t b = uint8_t(c) ^ 0xA5;
                    c = char(uint8_t((b << 4) | (b >> 4)));
                }
            }
            ByteReader fr(raw);
            return fr.ucs2(chars);
        };
        field();                       // host name
        QString user = field();
        QString password = field(true);
        QString app = field();
        field();                       // server name
        r.skip(4);                     // extension / unused
        field();                       // client interface name
        QString language = field();
        QString database = field();
        // The rest (client id, SSPI, attach file, change password) is not needed.

        if (version < kTds71) {
            event(QStringLiteral("refused a client of protocol version %1").arg(version, 8, 16, QLatin1Char('0')));
            return false;
        }
        m_version.tds = qMin(version, kTds74);
        if (packetSize == 0)
            packetSize = 4096;
        m_packetSize = int(qBound<uint32_t>(512, packetSize, 32767));
        m_user = user;
        event(QStringLiteral("log-on of %1 (%2), protocol %3").arg(user, app).arg(m_version.tds, 8, 16, QLatin1Char('0')));

        TokenStream ts(m_version);
        if (!m_config.password.isNull() && !m_config.password.isEmpty() && password != m_config.password) {
            ts.message(kError, 18456, 1, 14, QStringLiteral("Login failed for user '%1'.").arg(user),
                       m_config.serverName, QString(), 1);
            ts.done(kDone, dError, 0, 0);
            send(ts.finish());
            return false;
        }
        if (!database.isEmpty()) {
            QString known = knownDatabase(database);
            if (known.isEmpty()) {
                ts.message(kError, 4060, 1, 11,
                           QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.").arg(database),
                           m_config.serverName, QString(), 1);
                ts.message(kError, 18456, 1, 14, QStringLiteral("Login failed for user '%1'.").arg(user),
                           m_config.serverName, QString(), 1);
                ts.done(kDone, dError, 0, 0);
                send(ts.finish());
                return false;
            }
            m_database = known;
        }
        if (!language.isEmpty())
            m_language = language;
        ts.envChange(1, m_database, QStringLiteral("master"));
        ts.message(kInfo, 5701, 2, 0, QStringLiteral("Changed database context to '%1'.").arg(m_database),
                   m_config.serverName, QString(), 1);
        ts.envChangeBytes(7, serverCollation(), QByteArray());
        ts.envChange(2, m_language, QString());
        ts.message(kInfo, 5703, 1, 0, QStringLiteral("Changed language setting to %1.").arg(m_language),
                   m_config.serverName, QString(), 1);
        // LOGINACK
        ByteWriter& w = ts.w();
        w.u8(kLoginAck);
        int lenPos = w.size();
        w.u16(0);
        w.u8(1);  // T-SQL
        w.u32be(m_version.tds);
        w.bVarchar(QStringLiteral("Microsoft SQL Server"));
        QStringList parts = m_config.productVersion.split(QLatin1Char('.'));
        auto part = [&](int i) { return i < parts.size() ? parts[i].toUInt() : 0u; };
        w.u8(uint8_t(part(0)));
        w.u8(uint8_t(part(1)));
        w.u16be(uint16_t(part(2)));
        w.patchU16(lenPos, uint16_t(w.size() - lenPos - 2));
        ts.envChange(4, QString::number(m_packetSize), QString::number(m_packetSize));
        ts.done(kDone, dFinal, 0, 0);
        send(ts.finish());
        m_loggedIn = true;
        return true;
    }

    // ---- requests ----
    int skipAllHeaders(const QByteArray& payload)
    {
        if (!m_version.hasMaxTypes())  // before 7.2 there are no headers
            return 0;
        ByteReader r(payload);
        uint32_t total = r.u32();
        if (total < 4 || total > uint32_t(payload.size()))
            throw ProtocolError("bad ALL_HEADERS length");
        int pos = 4;
        for (int i = 0; pos < int(total) && i < 16; ++i) {
            ByteReader h(payload, pos);
            uint32_t len = h.u32();
            uint16_t type = h.u16();
            if (len < 6 || pos + int64_t(len) > int64_t(total))
                throw ProtocolError("bad header length");
            if (type == 2 && len >= 14) {
                // the transaction descriptor the client believes in; the server's own state holds
            }
            pos += int(len);
        }
        return int(total);
    }

    void handleBatch(const QByteArray& payload)
    {
        int start = skipAllHeaders(payload);
        int bytes = int(payload.size()) - start;
        if (bytes % 2)
            throw ProtocolError("odd length of a batch text");
        ByteReader r(payload, start);
        QString sql = r.ucs2(bytes / 2);
        TokenStream ts(m_version);
        static const QRegularExpression exec(QStringLiteral("^\\s*exec(ute)?\\s"), QRegularExpression::CaseInsensitiveOption);
        if (exec.match(sql).hasMatch()) {  // a procedure call: results inside it, then its status
            int status = 0;
            runStatement(sql, ts, true, {}, {}, &status);
            ts.returnStatus(status);
            ts.done(kDoneProc, dMore, 0, 0);
        } else {
            runStatement(sql, ts, false);
        }
        send(ts.finish());
    }

    void handleTransaction(const QByteArray& payload)
    {
        ByteReader r(payload, skipAllHeaders(payload));
        uint16_t request = r.u16();
        TokenStream ts(m_version);
        switch (request) {
        case 5:  // begin
            r.u8();
            r.bVarchar();
            event(QStringLiteral("begin transaction request"));
            beginTransaction(ts);
            break;
        case 7:  // commit
        case 8: {  // rollback
            r.bVarchar();
            uint8_t flags = r.atEnd() ? 0 : r.u8();
            event(request == 7 ? QStringLiteral("commit request") : QStringLiteral("rollback request"));
            endTransaction(ts, request == 7);
            if (flags & 0x01) {
                r.u8();
                r.bVarchar();
                beginTransaction(ts);
            }
            break;
        }
        case 9:  // save point
            r.bVarchar();
            break;
        default:
            ts.message(kError, 50000, 1, 16, QStringLiteral("Transaction manager request %1 is not supported.").arg(request),
                       m_config.serverName, QString(), 1);
            ts.done(kDone, dError, 0, 0);
            break;
        }
        ts.done(kDone, dFinal, 0, 0);
        send(ts.finish());
    }

    QByteArray descriptor(uint64_t id) const
    {
        ByteWriter w;
        w.u64(id);
        return w.take();
    }

    void beginTransaction(TokenStream& ts)
    {
        if (m_tranCount++ == 0) {
            m_tranId = ++m_tranSequence;
            ts.envChangeBytes(8, descriptor(m_tranId), QByteArray());
        }
    }

    // Commit or roll back the whole transaction; nothing happens when none is open.
    void endTransaction(TokenStream& ts, bool commit)
    {
        if (m_tranCount == 0)
            return;
        if (commit && m_tranCount > 1) {
            --m_tranCount;
            return;
        }
        m_tranCount = 0;
        ts.envChangeBytes(commit ? 9 : 10, QByteArray(), descriptor(m_tranId));
        m_tranId = 0;
    }

    // The name as the server spells it; empty when the server does not have it.
    QString knownDatabase(const QString& name) const
    {
        if (!m_config.responder)
            return name;
        const QStringList all = m_config.responder->databases();
        if (all.isEmpty())
            return name;
        for (const QString& db : all)
            if (db.compare(name, Qt::CaseInsensitive) == 0)
                return db;
        return {};
    }

    void error(TokenStream& ts, bool inProc, int number, const QString& text, int severity = 16, int line = 1)
    {
        ts.message(kError, number, 1, severity, text, m_config.serverName, QString(), line);
        ts.done(inProc ? kDoneInProc : kDone, dMore | dError, 0, 0);
    }

    // Statements the server answers itself: SET options, transaction statements and
    // @@TRANCOUNT. Returns false when Sql is none of them.
    bool builtin(const QString& sql, TokenStream& ts, bool inProc, bool metadataOnly)
    {
        using RE = QRegularExpression;
        const auto ci = RE::CaseInsensitiveOption;
        const uint8_t doneToken = inProc ? kDoneInProc : kDone;
        static const RE setOnly(QStringLiteral("^(\\s*set\\s+[a-z_]+[^;\\n]*;?)+\\s*$"), ci);
        static const RE begin(QStringLiteral("^\\s*begin\\s+tran(saction)?(\\s+\\w+)?\\s*;?\\s*$"), ci);
        static const RE end(QStringLiteral(
            "^\\s*(if\\s+@@trancount\\s*>\\s*0\\s+)?(commit|rollback)(\\s+(tran|transaction|work))?(\\s+\\w+)?\\s*;?"
            "\\s*(begin\\s+tran(saction)?)?\\s*;?\\s*$"), ci);
        static const RE tranCount(QStringLiteral("^\\s*select\\s+@@trancount\\s*;?\\s*$"), ci);
        if (setOnly.match(sql).hasMatch()) {
            ts.done(doneToken, dMore, 0, 0);
            return true;
        }
        if (begin.match(sql).hasMatch()) {
            beginTransaction(ts);
            ts.done(doneToken, dMore, 0, 0);
            return true;
        }
        auto m = end.match(sql);
        if (m.hasMatch()) {
            bool commit = m.captured(2).compare(QLatin1String("commit"), Qt::CaseInsensitive) == 0;
            if (m_tranCount == 0 && m.captured(1).isEmpty()) {
                error(ts, inProc, commit ? 3902 : 3903,
                      commit ? QStringLiteral("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.")
                             : QStringLiteral("The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."));
                return true;
            }
            endTransaction(ts, commit);
            if (!m.captured(6).isEmpty())
                beginTransaction(ts);
            ts.done(doneToken, dMore, 0, 0);
            return true;
        }
        if (tranCount.match(sql).hasMatch()) {
            ResultSet rs;
            Column c;
            c.name = QString();
            c.type.type = SqlType::Int;
            c.nullable = false;
            rs.columns << c;
            rs.rows << QVariantList{m_tranCount};
            ts.append(encodeResultSet(rs, m_version, !metadataOnly));
            ts.done(doneToken, dMore | dCount, 0xC1, metadataOnly ? 0 : 1);
            return true;
        }
        return false;
    }

    void writeAnswer(const Answer& a, TokenStream& ts, bool inProc, bool metadataOnly, int* returnStatus)
    {
        const uint8_t doneToken = inProc ? kDoneInProc : kDone;
        bool doneSince = false;
        for (const AnswerItem& item : a.items) {
            switch (item.kind) {
            case AnswerItem::Rows:
                try {
                    ts.append(encodeResultSet(item.result, m_version, !metadataOnly));
                    ts.done(doneToken, dMore | dCount, 0xC1, metadataOnly ? 0 : item.result.rows.size());
                } catch (const std::invalid_argument& e) {
                    error(ts, inProc, 50000, QStringLiteral("qorvel-test-server: the fixture's result cannot be sent: %1")
                                                 .arg(QString::fromUtf8(e.what())));
                }
                doneSince = true;
                break;
            case AnswerItem::RowCount:
                ts.done(doneToken, dMore | (item.count >= 0 ? dCount : 0), 0, item.count);
                doneSince = true;
                break;
            case AnswerItem::Error:
                ts.message(kError, item.number, item.state, item.severity, item.message, m_config.serverName,
                           QString(), item.line);
                ts.done(doneToken, dMore | dError, 0, 0);
                doneSince = true;
                break;
            case AnswerItem::Info:
                ts.message(kInfo, item.number, item.state, item.severity, item.message, m_config.serverName,
                           QString(), item.line);
                doneSince = false;
                break;
            case AnswerItem::ReturnStatus:
                if (returnStatus) {
                    *returnStatus = item.status;
                } else {
                    ts.returnStatus(item.status);
                    ts.done(kDoneProc, dMore, 0, 0);
                    doneSince = true;
                }
                break;
            }
        }
        if (!doneSince)
            ts.done(doneToken, dMore, 0, 0);
    }

    // Runs one statement text (a batch, or the text of an RPC after substitution).
    // For procedures the return status goes to *ReturnStatus instead of the stream.
    // Marked is the program's own form of a parameterised statement ("?" for each parameter)
    // and Values its bound values: fixtures are tried on that form first.
    void runStatement(const QString& text, TokenStream& ts, bool inProc, const QString& marked = {},
                      const QVariantList& values = {}, int* returnStatus = nullptr)
    {
        QString sql = normaliseLineEnds(text);
        while (!sql.isEmpty() && sql.back().isSpace())  // trailing blanks matter to no one
            sql.chop(1);
        if (m_config.logStatement)
            m_config.logStatement(m_number, m_database, sql);
        // The statement as the program sent it, its database switches included: a fixture may
        // hold it whole (the scripted session sees it so), or hold only what follows them.
        const QString whole = sql;
        bool switched = false;
        QString db, rest;
        for (int i = 0; i < 16 && takeUseLine(sql, &db, &rest); ++i) {
            const QString requested = db;
            db = knownDatabase(requested);
            if (db.isEmpty()) {
                error(ts, inProc, 911, QStringLiteral("Database '%1' does not exist. Make sure that the name is entered correctly.")
                                           .arg(requested));
                return;
            }
            QString old = m_database;
            m_database = db;
            ts.envChange(1, db, old);
            ts.message(kInfo, 5701, 1, 0, QStringLiteral("Changed database context to '%1'.").arg(db),
                       m_config.serverName, QString(), 1);
            ts.done(inProc ? kDoneInProc : kDone, dMore, 0, 0);
            sql = rest;
            switched = true;
        }
        if (sql.trimmed().isEmpty()) {
            if (!ts.hasDone())
                ts.done(inProc ? kDoneInProc : kDone, dMore, 0, 0);
            return;
        }
        bool metadataOnly = false;
        static const QRegularExpression fmtOnly(
            QStringLiteral("^\\s*set\\s+fmtonly\\s+on\\s*;?\\s+(.*?)\\s*;?\\s*set\\s+fmtonly\\s+off\\s*;?\\s*$"),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
        auto fm = fmtOnly.match(sql);
        if (fm.hasMatch()) {
            metadataOnly = true;
            sql = fm.captured(1);
        }
        if (builtin(sql, ts, inProc, metadataOnly))
            return;
        std::optional<Answer> answer;
        if (m_config.responder) {
            if (!marked.isEmpty())
                answer = m_config.responder->answer(normaliseLineEnds(marked), m_database, values);
            if (!answer && switched && !metadataOnly)
                answer = m_config.responder->answer(whole, m_database, {});
            if (!answer)
                answer = m_config.responder->answer(sql, m_database, {});
        }
        if (!answer) {
            QString shown = marked.isEmpty() ? (metadataOnly ? sql : whole) : normaliseLineEnds(marked);
            if (!values.isEmpty()) {
                QStringList v;
                for (const QVariant& x : values)
                    v << (x.isNull() ? QStringLiteral("NULL") : x.toString());
                shown += QStringLiteral("\n-- values: ") + v.join(QStringLiteral(", "));
            }
            if (m_config.unmatched)
                m_config.unmatched(m_database, shown);
            error(ts, inProc, 50000,
                  QStringLiteral("No fixture answers the statement (database %1): %2").arg(m_database, shown));
            return;
        }
        writeAnswer(*answer, ts, inProc, metadataOnly, returnStatus);
    }

    static int procIdOf(const QString& name)
    {
        QString n = name.toLower();
        n.remove(QRegularExpression(QStringLiteral("^(master\\.)?(dbo|sys)?\\.")));
        n.remove(QLatin1Char('['));
        n.remove(QLatin1Char(']'));
        static const QHash<QString, int> ids = {
            {QStringLiteral("sp_executesql"), 10}, {QStringLiteral("sp_prepare"), 11},
            {QStringLiteral("sp_execute"), 12}, {QStringLiteral("sp_prepexec"), 13},
            {QStringLiteral("sp_unprepare"), 15},
        };
        return ids.value(n, 0);
    }

    // The statement with its parameters replaced by the values, and the same text with "?".
    struct Bound {
        QString text;
        QString marked;
        QVariantList values;
    };
    static Bound bind(const QString& statement, const QString& declaration, const QList<RpcParam>& values)
    {
        QStringList names = declaredParameterNames(declaration);
        QHash<QString, QString> literals;
        for (int i = 0; i < values.size(); ++i) {
            QString name = values[i].name.isEmpty() ? names.value(i) : values[i].name;
            if (!name.isEmpty())
                literals.insert(name, values[i].literal);
        }
        QVariantList plain;
        for (const RpcParam& p : values)
            plain << p.value;
        return {substituteParameters(statement, literals), markParameters(statement, names), plain};
    }

    void returnHandle(TokenStream& ts, const RpcParam& p, int handle)
    {
        ByteWriter& w = ts.w();
        w.u8(kReturnValue);
        w.u16(0);
        w.bVarchar(p.name);
        w.u8(0x01);
        if (m_version.wideRowCount()) w.u32(0); else w.u16(0);
        w.u16(0x0009);
        ColumnType t;
        t.type = SqlType::Int;
        writeTypeInfo(w, t);
        writeValue(w, t, handle);
    }

    void runRpc(int procId, const QString& procName, const QList<RpcParam>& params, TokenStream& ts)
    {
        int status = 0;
        auto text = [&](int i) { return i < params.size() ? params[i].value.toString() : QString(); };
        auto finishProc = [&](const RpcParam* handleParam, int handle) {
            ts.returnStatus(status);
            if (handleParam)
                returnHandle(ts, *handleParam, handle);
            ts.done(kDoneProc, dMore, 0, 0);
        };
        auto failProc = [&](int number, const QString& message) {
            ts.message(kError, number, 1, 16, message, m_config.serverName, procName, 1);
            ts.done(kDoneProc, dMore | dError, 0, 0);
        };
        switch (procId) {
        case 10: {  // sp_executesql
            if (params.isEmpty())
                return failProc(201, QStringLiteral("Procedure or function 'sp_executesql' expects parameter '@statement', which was not supplied."));
            Bound b = bind(text(0), text(1), params.mid(2));
            runStatement(b.text, ts, true, b.marked, b.values, &status);
            return finishProc(nullptr, 0);
        }
        case 11:    // sp_prepare
        case 13: {  // sp_prepexec
            if (params.size() < 3)
                return failProc(201, QStringLiteral("Procedure expects more parameters."));
            int handle = m_nextHandle++;
            m_prepared.insert(handle, Prepared{text(2), text(1)});
            if (m_prepared.size() > 10000)
                m_prepared.erase(m_prepared.begin());
            if (procId == 13) {
                Bound b = bind(text(2), text(1), params.mid(3));
                runStatement(b.text, ts, true, b.marked, b.values, &status);
            } else if (m_config.logStatement) {
                m_config.logStatement(m_number, m_database, QStringLiteral("-- prepared %1: %2").arg(handle).arg(text(2)));
            }
            return finishProc(&params[0], handle);
        }
        case 12: {  // sp_execute
            int handle = params.isEmpty() ? -1 : params[0].value.toInt();
            auto it = m_prepared.constFind(handle);
            if (it == m_prepared.constEnd())
                return failProc(8179, QStringLiteral("Could not find prepared statement with handle %1.").arg(handle));
            Bound b = bind(it->statement, it->declaration, params.mid(1));
            runStatement(b.text, ts, true, b.marked, b.values, &status);
            return finishProc(nullptr, 0);
        }
        case 15: {  // sp_unprepare
            m_prepared.remove(params.isEmpty() ? -1 : params[0].value.toInt());
            return finishProc(nullptr, 0);
        }
        default: {
            // A stored procedure called by name: answered like "exec name @a = value, ...".
            QStringList args;
            for (const RpcParam& p : params)
                args << (p.name.isEmpty() ? p.literal : p.name + QStringLiteral(" = ") + p.literal)
                            + (p.output ? QStringLiteral(" output") : QString());
            QString sql = QStringLiteral("exec ") + procName + (args.isEmpty() ? QString() : QLatin1Char(' ') + args.join(QStringLiteral(", ")));
            runStatement(sql, ts, true, {}, {}, &status);
            return finishProc(nullptr, 0);
        }
        }
    }

    void handleRpc(const QByteArray& payload)
    {
        ByteReader r(payload, skipAllHeaders(payload));
        TokenStream ts(m_version);
        for (int calls = 0; !r.atEnd(); ++calls) {
            if (calls >= 256)
                throw ProtocolError("too many calls in one RPC message");
            uint16_t nameLen = r.u16();
            QString name;
            int procId = 0;
            if (nameLen == 0xFFFF) {
                procId = r.u16();
                static const char* const names[] = {"", "sp_cursor", "sp_cursoropen", "sp_cursorprepare",
                    "sp_cursorexecute", "sp_cursorprepexec", "sp_cursorunprepare", "sp_cursorfetch",
                    "sp_cursoroption", "sp_cursorclose", "sp_executesql", "sp_prepare", "sp_execute",
                    "sp_prepexec", "sp_prepexecrpc", "sp_unprepare"};
                if (procId < 1 || procId > 15)
                    throw ProtocolError("unknown procedure id");
                name = QString::fromLatin1(names[procId]);
            } else {
                if (nameLen == 0 || nameLen > 1024)
                    throw ProtocolError("bad procedure name length");
                name = r.ucs2(nameLen);
                procId = procIdOf(name);
            }
            r.u16();  // option flags
            event(QStringLiteral("procedure call %1").arg(name));
            QList<RpcParam> params;
            while (!r.atEnd()) {
                uint8_t next = r.peek();
                if (next == 0xFF || next == 0x80 || next == 0xFE) {
                    r.u8();
                    break;
                }
                if (params.size() >= kMaxParams)
                    throw ProtocolError("too many parameters");
                params << readRpcParam(r);
            }
            if (procId >= 1 && procId <= 9) {
                ts.message(kError, 50000, 1, 16, QStringLiteral("Server cursors are not supported by this server."),
                           m_config.serverName, name, 1);
                ts.done(kDoneProc, dMore | dError, 0, 0);
                continue;
            }
            runRpc(procId, name, params, ts);
        }
        send(ts.finish());
    }

    int m_fd;
    int m_number;
    const ServerConfig& m_config;
    WireVersion m_version;
    int m_packetSize = 4096;
    uint8_t m_packetId = 1;
    bool m_loggedIn = false;
    QString m_database;
    QString m_language = QStringLiteral("us_english");
    QString m_user;
    int m_tranCount = 0;
    uint64_t m_tranId = 0;
    uint64_t m_tranSequence = 0;
    QHash<int, Prepared> m_prepared;
    int m_nextHandle = 1;
};

} // namespace

void serveConnection(int fd, int connectionNumber, const ServerConfig& config)
{
    Session session(fd, connectionNumber, config);
    try {
        session.run();
        if (config.logEvent)
            config.logEvent(QStringLiteral("[%1] disconnected").arg(connectionNumber));
    } catch (const std::exception& e) {
        if (config.logEvent)
            config.logEvent(QStringLiteral("[%1] connection closed: %2").arg(connectionNumber).arg(QString::fromUtf8(e.what())));
    }
}

} // namespace qvtds
