#include "platform/http10_getter.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace px {

Http10Getter::Http10Getter(std::chrono::milliseconds deadline) : m_deadline(deadline) {}

QByteArray Http10Getter::request(const QString& host, int port, const QString& pathAndQuery)
{
    QByteArray r = "GET " + pathAndQuery.toUtf8() + " HTTP/1.0\r\n";
    r += "Host: " + host.toUtf8();
    if (port != 80)
        r += ':' + QByteArray::number(port);
    r += "\r\n";
    r += "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n";
    r += "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    r += "\r\n";
    return r;
}

std::optional<QByteArray> Http10Getter::bodyOf(const QByteArray& reply)
{
    const qsizetype headerEnd = reply.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return std::nullopt;
    const qsizetype lineEnd = reply.indexOf("\r\n");
    const QList<QByteArray> status = reply.left(lineEnd).split(' ');
    if (status.size() < 2 || !status[0].startsWith("HTTP/"))
        return std::nullopt;
    bool ok = false;
    const int code = status[1].toInt(&ok);
    if (!ok || code < 200 || code > 299)
        return std::nullopt;
    return reply.mid(headerEnd + 4);
}

std::optional<QByteArray> Http10Getter::get(const QString& url)
{
    const QUrl u(url);
    if (!u.isValid() || u.scheme() != QStringLiteral("http") || u.host().isEmpty())
        return std::nullopt;
    const int port = u.port(80);
    QString pathAndQuery = u.path(QUrl::FullyEncoded);
    if (pathAndQuery.isEmpty())
        pathAndQuery = QStringLiteral("/");
    if (u.hasQuery())
        pathAndQuery += u'?' + u.query(QUrl::FullyEncoded);

    QTcpSocket socket;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QByteArray reply;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(&socket, &QTcpSocket::connected, &loop,
                     [&] { socket.write(request(u.host(), port, pathAndQuery)); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] { reply += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError e) {
        // The server closing the connection ends an HTTP/1.0 reply; any other error fails it.
        if (e != QAbstractSocket::RemoteHostClosedError)
            reply.clear();
        loop.quit();
    });
    deadline.start(m_deadline);
    socket.connectToHost(u.host(), static_cast<quint16>(port));
    loop.exec();
    if (timedOut)
        return std::nullopt;
    reply += socket.readAll();
    return bodyOf(reply);
}

} // namespace px
