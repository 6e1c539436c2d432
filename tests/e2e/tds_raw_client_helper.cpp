#include "tds_raw_client_helper.h"

#include "tds_wire.h"

#include <QStringList>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvtest {

using qvtds::ByteWriter;

RawTdsClient::~RawTdsClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawTdsClient::connectTo(quint16 port)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

bool RawTdsClient::sendBytes(const QByteArray& bytes)
{
    int sent = 0;
    while (sent < bytes.size()) {
        ssize_t r = ::send(m_fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        sent += int(r);
    }
    return true;
}

bool RawTdsClient::sendPacket(quint8 type, const QByteArray& payload, quint8 status)
{
    QByteArray p;
    int len = int(payload.size()) + 8;
    p.append(char(type)).append(char(status)).append(char(len >> 8)).append(char(len & 0xff));
    p.append(QByteArray(2, '\0')).append(char(1)).append(char(0));
    return sendBytes(p + payload);
}

void RawTdsClient::finishSending() { ::shutdown(m_fd, SHUT_WR); }

namespace {

// Reads exactly N bytes within the time limit; false on close or timeout.
bool readExact(int fd, char* buf, int n, int timeoutMs)
{
    int got = 0;
    while (got < n) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        ssize_t r = ::recv(fd, buf + got, size_t(n - got), 0);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        got += int(r);
    }
    return true;
}

} // namespace

QByteArray RawTdsClient::readReply(int timeoutMs)
{
    QByteArray out;
    for (int packets = 0; packets < 10000; ++packets) {
        char header[8];
        if (!readExact(m_fd, header, 8, timeoutMs))
            return {};
        int len = (uchar(header[2]) << 8) | uchar(header[3]);
        if (len < 8)
            return {};
        QByteArray body(len - 8, '\0');
        if (len > 8 && !readExact(m_fd, body.data(), len - 8, timeoutMs))
            return {};
        out += body;
        if (header[1] & 0x01)
            return out;
    }
    return out;
}

bool RawTdsClient::waitClosed(int timeoutMs)
{
    char buf[4096];
    for (int i = 0; i < 100000; ++i) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        ssize_t r = ::recv(m_fd, buf, sizeof buf, 0);
        if (r == 0 || (r < 0 && errno != EINTR))
            return true;
    }
    return false;
}

bool RawTdsClient::logOn(const QString& user, const QString& password, const QString& database)
{
    if (!sendPacket(18, prelogin()) || readReply().isEmpty())
        return false;
    if (!sendPacket(16, login7(user, password, database)))
        return false;
    return replyHasToken(readReply(), 0xAD);
}

QByteArray RawTdsClient::prelogin()
{
    ByteWriter w;
    // VERSION at 11 (6 bytes), ENCRYPTION at 17 (1 byte), terminator.
    w.u8(0); w.u16be(11); w.u16be(6);
    w.u8(1); w.u16be(17); w.u16be(1);
    w.u8(0xFF);
    w.u8(11); w.u8(0); w.u16be(0); w.u16(0);
    w.u8(2);  // encryption not supported
    return w.take();
}

QByteArray RawTdsClient::login7(const QString& user, const QString& password, const QString& database, quint32 version)
{
    const QString fields[9] = {QStringLiteral("host"), user, password, QStringLiteral("rawtest"), QStringLiteral("127.0.0.1"),
                               QString(), QStringLiteral("ODBC"), QString(), database};
    ByteWriter data;
    ByteWriter table;
    const int base = 94;
    for (int i = 0; i < 9; ++i) {
        QString s = fields[i];
        table.u16(uint16_t(base + data.size()));
        table.u16(uint16_t(s.size()));
        if (i == 2) {  // the password is scrambled
            for (QChar c : s) {
                for (uint8_t b : {uint8_t(c.unicode() & 0xff), uint8_t(c.unicode() >> 8)}) {
                    b = uint8_t((b << 4) | (b >> 4));
                    data.u8(b ^ 0xA5);
                }
            }
        } else {
            data.ucs2(s);
        }
    }
    for (int i = 0; i < 6; ++i) table.u8(0);           // client id
    for (int i = 0; i < 3; ++i) { table.u16(uint16_t(base + data.size())); table.u16(0); }  // SSPI, attach, change pw
    table.u32(0);                                        // long SSPI length
    ByteWriter w;
    w.u32(uint32_t(base + data.size()));
    w.u32(version);
    w.u32(4096);
    w.u32(0x07000000);
    w.u32(1234);
    w.u32(0);
    w.u8(0xE0); w.u8(0x03); w.u8(0); w.u8(0);
    w.u32(0);
    w.u32(0x0411);
    w.bytes(table.data());
    w.bytes(data.data());
    return w.take();
}

QByteArray RawTdsClient::allHeaders()
{
    ByteWriter w;
    w.u32(22); w.u32(18); w.u16(2); w.u64(0); w.u32(1);
    return w.take();
}

QByteArray RawTdsClient::sqlBatch(const QString& sql)
{
    ByteWriter w;
    w.bytes(allHeaders());
    w.ucs2(sql);
    return w.take();
}

QByteArray RawTdsClient::executeSql(const QString& sql, const QString& declaration, const QStringList& values)
{
    ByteWriter w;
    w.bytes(allHeaders());
    w.u16(0xFFFF);
    w.u16(10);
    w.u16(0);
    auto nvarchar = [&](const QString& name, const QString& v) {
        w.bVarchar(name);
        w.u8(0);
        w.u8(0xE7);
        w.u16(8000);
        w.bytes(QByteArray::fromHex("1104d00000"));
        w.u16(uint16_t(v.size() * 2));
        w.ucs2(v);
    };
    nvarchar(QString(), sql);
    nvarchar(QString(), declaration);
    for (int i = 0; i < values.size(); ++i)
        nvarchar(QStringLiteral("@P%1").arg(i + 1), values[i]);
    return w.take();
}

bool replyHasToken(const QByteArray& reply, quint8 token) { return reply.contains(char(token)); }

QStringList replyMessages(const QByteArray& reply)
{
    // Walks ERROR (0xAA) and INFO (0xAB) tokens found at plausible places.
    QStringList out;
    for (int i = 0; i + 3 < reply.size(); ++i) {
        uchar t = uchar(reply[i]);
        if (t != 0xAA && t != 0xAB)
            continue;
        try {
            qvtds::ByteReader r(reply, i + 1);
            int len = r.u16();
            if (len < 12 || i + 3 + len > reply.size())
                continue;
            r.skip(6);
            out << r.usVarchar();
            i += 2 + len;
        } catch (const qvtds::ProtocolError&) {
        }
    }
    return out;
}

} // namespace qvtest
