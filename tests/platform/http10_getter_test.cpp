#include "platform/http10_getter.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace px {
namespace {

// A one-shot server on 127.0.0.1 that records the request and answers with `reply`
// (and closes), or never answers when `reply` is empty.
class OneShotServer {
public:
    explicit OneShotServer(QByteArray reply) : m_reply(std::move(reply))
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket* s = m_server.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                request += s->readAll();
                if (request.endsWith("\r\n\r\n") && !m_reply.isEmpty()) {
                    s->write(m_reply);
                    s->disconnectFromHost();
                }
            });
        });
    }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/home/download/GetversionSW.asp?nomesw=PX40318").arg(m_server.serverPort());
    }
    QByteArray request;

private:
    QTcpServer m_server;
    QByteArray m_reply;
};

TEST(Http10Getter, SendsTheVersionQueryAsHttp10AndReturnsTheBody)
{
    OneShotServer server(QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nVER. 2.506"));
    Http10Getter http;
    EXPECT_EQ(http.get(server.url()), QByteArray("VER. 2.506"));
    EXPECT_EQ(server.request,
              QByteArray("GET /home/download/GetversionSW.asp?nomesw=PX40318 HTTP/1.0\r\n")
                  + "Host: 127.0.0.1:" + server.url().section(u':', 2).section(u'/', 0, 0).toLatin1() + "\r\n"
                  + "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                  + "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");
}

TEST(Http10Getter, ErrorStatusRefusalAndSilenceGiveNothing)
{
    OneShotServer notFound(QByteArray("HTTP/1.1 404 Not Found\r\n\r\nVER. 9.999"));
    Http10Getter http;
    EXPECT_FALSE(http.get(notFound.url()).has_value());

    OneShotServer silent{QByteArray()};
    Http10Getter impatient(std::chrono::milliseconds(300));
    EXPECT_FALSE(impatient.get(silent.url()).has_value());

    // A port where nothing listens refuses the connection.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    EXPECT_FALSE(http.get(QStringLiteral("http://127.0.0.1:%1/x").arg(port)).has_value());
    EXPECT_FALSE(http.get(QStringLiteral("not a url")).has_value());
}

} // namespace
} // namespace px
