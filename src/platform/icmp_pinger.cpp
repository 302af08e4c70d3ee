#include "platform/icmp_pinger.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <optional>

#ifdef Q_OS_WIN
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace px {

namespace {

// The address as four decimal bytes (host order); no name is ever looked up, and no
// octal or hexadecimal reading applies.
std::optional<std::uint32_t> dottedAddress(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return std::nullopt;
        int byte = 0;
        for (const QChar c : p) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
            byte = byte * 10 + (c.unicode() - u'0');
        }
        if (byte > 255)
            return std::nullopt;
        value = (value << 8) | static_cast<std::uint32_t>(byte);
    }
    return value;
}

Error unusableAddress(const QString& address)
{
    return Error(msg::kNoIpv4Address, {address});
}

constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kEchoReply = 0;

std::uint16_t checksum(const QByteArray& bytes)
{
    std::uint32_t sum = 0;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    qsizetype n = bytes.size();
    for (; n > 1; n -= 2, p += 2)
        sum += static_cast<std::uint32_t>(p[0] << 8 | p[1]);
    if (n == 1)
        sum += static_cast<std::uint32_t>(p[0] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

void put16(QByteArray& bytes, qsizetype at, std::uint16_t value)
{
    bytes[at] = static_cast<char>(value >> 8);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

std::uint16_t get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

#ifndef Q_OS_WIN

// Apple's systems deliver the IP header on ICMP datagram sockets too, and keep the
// identifier that was sent.
#ifdef Q_OS_DARWIN
constexpr bool kDatagramWithIpHeader = true;
#else
constexpr bool kDatagramWithIpHeader = false;
#endif

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Apple's systems have no SOCK_CLOEXEC: the flag is set on the open socket there.
#ifdef SOCK_CLOEXEC
constexpr int kCloseOnExec = SOCK_CLOEXEC;
#else
constexpr int kCloseOnExec = 0;
#endif

int openIcmpSocket(int type)
{
    const int fd = ::socket(AF_INET, type | kCloseOnExec, IPPROTO_ICMP);
    if (fd >= 0 && kCloseOnExec == 0)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
}

// Closes the socket however the wait ends.
class Socket {
public:
    Socket()
    {
        m_fd = openIcmpSocket(SOCK_DGRAM);
        if (m_fd >= 0)
            return;
        const int datagramError = errno;
        m_fd = openIcmpSocket(SOCK_RAW);
        if (m_fd < 0) {
            throw Error(msg::kNoIcmpSocket, {systemText(datagramError), systemText(errno)});
        }
        m_raw = true;
    }
    ~Socket() { ::close(m_fd); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const { return m_fd; }
    bool raw() const { return m_raw; }

private:
    int m_fd = -1;
    bool m_raw = false;
};

#endif

} // namespace

namespace icmp {

QByteArray echoRequest(std::uint16_t identifier, std::uint16_t sequence, const QByteArray& payload)
{
    QByteArray request(8, '\0');
    request[0] = static_cast<char>(kEchoRequest);
    put16(request, 4, identifier);
    put16(request, 6, sequence);
    request += payload;
    put16(request, 2, checksum(request));
    return request;
}

bool isEchoReply(const QByteArray& datagram, bool withIpHeader, std::uint16_t identifier, std::uint16_t sequence,
                 const QByteArray& payload)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(datagram.constData());
    qsizetype size = datagram.size();
    if (withIpHeader) {
        if (size < 20 || (data[0] >> 4) != 4)
            return false;
        const qsizetype headerLength = (data[0] & 0x0F) * 4;
        if (headerLength < 20 || headerLength > size)
            return false;
        data += headerLength;
        size -= headerLength;
    }
    if (size != 8 + payload.size())
        return false;
    // On loopback the request itself arrives too: only the reply type counts.
    if (data[0] != kEchoReply || data[1] != 0)
        return false;
    // A datagram socket's identifier is chosen by the system, which delivers to it only
    // the replies that carry it.
    if (withIpHeader && get16(data + 4) != identifier)
        return false;
    if (get16(data + 6) != sequence)
        return false;
    return std::memcmp(data + 8, payload.constData(), static_cast<std::size_t>(payload.size())) == 0;
}

} // namespace icmp

#ifndef Q_OS_WIN

Pinger::Reply IcmpPinger::echo(const QString& address, const QByteArray& payload, std::uint16_t sequence,
                               std::chrono::milliseconds timeout)
{
    const std::optional<std::uint32_t> target = dottedAddress(address);
    if (!target)
        throw unusableAddress(address);

    Socket socket;
    const auto identifier = static_cast<std::uint16_t>(QRandomGenerator::global()->bounded(1, 0x10000));
    const QByteArray request = icmp::echoRequest(identifier, sequence, payload);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(*target);
    if (::sendto(socket.fd(), request.constData(), static_cast<std::size_t>(request.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to)
        < 0) {
        throw Error(msg::kEchoNotSent, {address, systemText(errno)});
    }

    // Takes the datagrams that are waiting; true once the answer is among them. A raw socket
    // receives every ICMP message of the machine: only the target's reply counts.
    std::uint8_t buffer[1500];
    const auto answerArrived = [&] {
        for (;;) {
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = ::recvfrom(socket.fd(), buffer, sizeof buffer, MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 0)
                return false;
            if (n > 0 && ntohl(from.sin_addr.s_addr) == *target
                && icmp::isEchoReply(QByteArray::fromRawData(reinterpret_cast<const char*>(buffer), n),
                                     socket.raw() || kDatagramWithIpHeader, identifier, sequence, payload))
                return true;
        }
    };

    if (!QCoreApplication::instance()) {
        // Without an event loop (the command-line tool): wait on the socket itself.
        QDeadlineTimer deadline(timeout);
        for (;;) {
            const qint64 left = deadline.remainingTime();
            if (left <= 0)
                return Reply::TimedOut;
            pollfd p{socket.fd(), POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) > 0 && answerArrived())
                return Reply::Answered;
        }
    }

    // The window stays responsive: the event loop runs, woken by the socket or the deadline
    // and by nothing else.
    QEventLoop loop;
    QSocketNotifier readable(socket.fd(), QSocketNotifier::Read);
    QTimer deadline;
    deadline.setSingleShot(true);
    Reply reply = Reply::TimedOut;
    QObject::connect(&readable, &QSocketNotifier::activated, &loop, [&] {
        if (answerArrived()) {
            reply = Reply::Answered;
            loop.quit();
        }
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeout);
    loop.exec();
    return reply;
}

#else

Pinger::Reply IcmpPinger::echo(const QString& address, const QByteArray& payload, std::uint16_t sequence,
                               std::chrono::milliseconds timeout)
{
    Q_UNUSED(sequence) // the system's echo service numbers its requests itself
    const std::optional<std::uint32_t> target = dottedAddress(address);
    if (!target)
        throw unusableAddress(address);
    const HANDLE icmp = IcmpCreateFile();
    if (icmp == INVALID_HANDLE_VALUE)
        throw Error(msg::kNoIcmpHandle, {GetLastError()});
    QByteArray reply(static_cast<qsizetype>(sizeof(ICMP_ECHO_REPLY) + payload.size() + 8 + 64), '\0');
    QByteArray request = payload;
    const DWORD count = IcmpSendEcho(icmp, htonl(*target), request.data(), static_cast<WORD>(request.size()), nullptr,
                                     reply.data(), static_cast<DWORD>(reply.size()),
                                     static_cast<DWORD>(timeout.count()));
    IcmpCloseHandle(icmp);
    if (count == 0)
        return Reply::TimedOut;
    const auto* answer = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.constData());
    const bool matches = answer->Status == IP_SUCCESS && static_cast<qsizetype>(answer->DataSize) == payload.size()
                         && std::memcmp(answer->Data, payload.constData(), static_cast<std::size_t>(payload.size())) == 0;
    return matches ? Reply::Answered : Reply::TimedOut;
}

#endif

} // namespace px
