#pragma once
// A raw TDS client for protocol tests: builds PRELOGIN, LOGIN7, batch and RPC messages and
// reads the server's reply packets, with every wait bounded.
#include <QByteArray>
#include <QString>

namespace qvtest {

class RawTdsClient {
public:
    RawTdsClient() = default;
    ~RawTdsClient();
    RawTdsClient(const RawTdsClient&) = delete;
    RawTdsClient& operator=(const RawTdsClient&) = delete;

    bool connectTo(quint16 port);
    bool sendBytes(const QByteArray& bytes);
    // One message as a single packet (status end-of-message unless told otherwise).
    bool sendPacket(quint8 type, const QByteArray& payload, quint8 status = 0x01);
    void finishSending();  // half-close: the server sees the end of the stream

    // Reads one reply message (all packets up to end-of-message); empty when the connection
    // closed or nothing arrived within the time limit.
    QByteArray readReply(int timeoutMs = 5000);
    // Waits until the server closes the connection; false when it is still open at the limit.
    bool waitClosed(int timeoutMs = 5000);

    // PRELOGIN + LOGIN7; true when a LOGINACK came back.
    bool logOn(const QString& user = QStringLiteral("sa"), const QString& password = QStringLiteral("pass"),
               const QString& database = {});

    static QByteArray prelogin();
    static QByteArray login7(const QString& user, const QString& password, const QString& database,
                             quint32 version = 0x74000004);
    static QByteArray allHeaders();
    static QByteArray sqlBatch(const QString& sql);
    // sp_executesql with the statement, its declaration and nvarchar values.
    static QByteArray executeSql(const QString& sql, const QString& declaration, const QStringList& values);

private:
    int m_fd = -1;
};

// True when a byte of this token type occurs in Reply (a plain byte search, enough for the
// small replies of the tests).
bool replyHasToken(const QByteArray& reply, quint8 token);
// The text of every ERROR/INFO message in a reply, decoded.
QStringList replyMessages(const QByteArray& reply);

} // namespace qvtest
