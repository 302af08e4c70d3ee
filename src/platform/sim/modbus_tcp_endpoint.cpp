#include "platform/sim/modbus_tcp_endpoint.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"
#include "platform/sim/direct_notifier.h"

#include <QHostAddress>
#include <QTcpServer>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace px {
namespace {

// A request frame: transaction (2 bytes), protocol 0 (2), length (2) counting the unit
// identifier and the request, unit identifier (1), function code (1), data.
constexpr int kPrefixSize = 6;
// The longest length a client may announce: a function code 16 request whose byte count
// says 255, the most one byte holds. Such a request is answered (with exception 3); a
// longer one is no Modbus TCP client and the connection ends.
constexpr int kMostLength = 2 + 5 + 255;
// Requests are read into a buffer of this size per connection; past it the system's buffers hold
// them, and past those the client waits.
constexpr qint64 kReadBufferSize = 16 * 1024;
// A connection answers at most this many requests waiting in its buffer before the other
// connections and the CAN side get their turn.
constexpr int kMostRequestsAtOnce = 32;

// The longest reply: the frame's prefix, the unit identifier, function code 3 or 4, the
// byte count and 125 registers.
constexpr int kMostReplySize = kPrefixSize + 1 + 2 + 250;

constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalDataAddress = 2;
constexpr std::uint8_t kIllegalDataValue = 3;

// Registers as Modbus sends them, each high byte first; four at a time where they are
// stored low byte first.
void putRegisters(std::uint8_t* out, const std::uint16_t* values, int count)
{
    int i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 4 <= count; i += 4) {
            std::uint64_t four;
            std::memcpy(&four, values + i, sizeof four);
            four = (four & 0x00FF00FF00FF00FFull) << 8 | (four >> 8 & 0x00FF00FF00FF00FFull);
            std::memcpy(out + 2 * i, &four, sizeof four);
        }
    }
    for (; i < count; ++i) {
        out[2 * i] = static_cast<std::uint8_t>(values[i] >> 8);
        out[2 * i + 1] = static_cast<std::uint8_t>(values[i] & 0xFF);
    }
}


// The socket calls of the system, on a connection's descriptor.
#ifdef Q_OS_WIN
using Descriptor = SOCKET;
qint64 receiveSome(Descriptor fd, std::uint8_t* into, qint64 room)
{
    return ::recv(fd, reinterpret_cast<char*>(into), static_cast<int>(room), 0);
}
qint64 sendSome(Descriptor fd, const char* data, qint64 size)
{
    return ::send(fd, data, static_cast<int>(size), 0);
}
bool wouldBlock()
{
    return WSAGetLastError() == WSAEWOULDBLOCK;
}
void closeDescriptor(Descriptor fd)
{
    ::closesocket(fd);
}
void prepare(Descriptor fd)
{
    u_long on = 1;
    ::ioctlsocket(fd, FIONBIO, &on);
    BOOL noDelay = TRUE;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
}
#else
using Descriptor = int;
qint64 receiveSome(Descriptor fd, std::uint8_t* into, qint64 room)
{
    return ::recv(fd, into, static_cast<std::size_t>(room), 0);
}
qint64 sendSome(Descriptor fd, const char* data, qint64 size)
{
#ifdef MSG_NOSIGNAL
    return ::send(fd, data, static_cast<std::size_t>(size), MSG_NOSIGNAL);   // a closed peer is no signal
#else
    return ::send(fd, data, static_cast<std::size_t>(size), 0);
#endif
}
bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}
void closeDescriptor(Descriptor fd)
{
    ::close(fd);
}
void prepare(Descriptor fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int noDelay = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
}
#endif

} // namespace

// One client's connection, on the system's socket itself: requests are read into a buffer
// of its own and the replies to them made in another, from which they are sent at once;
// what the system does not take at once waits there until the socket can be written.
class ModbusConnection final : public QObject {
public:
    ModbusConnection(qintptr descriptor, RegisterBank& bank, QObject* parent)
        : QObject(parent), m_fd(static_cast<Descriptor>(descriptor)), m_bank(bank)
    {
        prepare(m_fd);
        m_in.resize(kReadBufferSize);
        m_out.resize(kMostRequestsAtOnce * kMostReplySize);
        m_reader = new DirectNotifier(descriptor, QSocketNotifier::Read, this, [this] { readRequests(); });
        m_writer = new DirectNotifier(descriptor, QSocketNotifier::Write, this, [this] { writeWaiting(); });
        m_writer->setEnabled(false);
    }
    ~ModbusConnection() override { closeDescriptor(m_fd); }

    qint64 unsentBytes() const { return static_cast<qint64>(m_outEnd - m_outFrom); }
    bool isOpen() const { return !m_ended; }

    // Ends the connection; the object goes at the next turn of the event loop.
    void end()
    {
        if (m_ended)
            return;
        m_ended = true;
        m_reader->setEnabled(false);
        m_writer->setEnabled(false);
        std::vector<std::uint8_t>().swap(m_out);
        m_outFrom = m_outEnd = 0;
        deleteLater();
    }

private:
    void readRequests()
    {
        if (m_ended)
            return;
        if (m_inFrom > 0) {
            std::memmove(m_in.data(), m_in.data() + m_inFrom, static_cast<std::size_t>(m_inSize - m_inFrom));
            m_inSize -= m_inFrom;
            m_inFrom = 0;
        }
        const qint64 room = kReadBufferSize - m_inSize;
        if (room > 0) {
            const qint64 n = receiveSome(m_fd, m_in.data() + m_inSize, room);
            if (n == 0 || (n < 0 && !wouldBlock())) {
                end();   // the client closed the connection, or it broke
                return;
            }
            if (n > 0)
                m_inSize += n;
        }
        serve();
    }

    void writeWaiting()
    {
        if (m_ended)
            return;
        sendWaiting();
        if (m_waitingForRoom && unsentBytes() <= ModbusTcpEndpoint::kMostUnsentBytes) {
            m_waitingForRoom = false;
            m_reader->setEnabled(true);
            serve();
        }
    }

    // Room for `size` more bytes of replies after those waiting.
    std::uint8_t* replyRoom(std::size_t size)
    {
        if (m_outEnd + size > m_out.size()) {
            if (m_outFrom > 0) {
                std::memmove(m_out.data(), m_out.data() + m_outFrom, m_outEnd - m_outFrom);
                m_outEnd -= m_outFrom;
                m_outFrom = 0;
            }
            if (m_outEnd + size > m_out.size())
                m_out.resize(std::max(m_out.size() * 2, m_outEnd + size));
        }
        return m_out.data() + m_outEnd;
    }

    // Answers the whole requests read, at most kMostRequestsAtOnce of them, and sends the
    // replies together.
    void serve()
    {
        m_continuation = false;
        int answered = 0;
        while (!m_ended) {
            // A client that does not read its replies is not read from either.
            if (unsentBytes() > ModbusTcpEndpoint::kMostUnsentBytes) {
                m_waitingForRoom = true;
                m_reader->setEnabled(false);
                break;
            }
            const qint64 available = m_inSize - m_inFrom;
            if (available < kPrefixSize)
                break;
            const std::uint8_t* request = m_in.data() + m_inFrom;
            const int protocol = request[2] << 8 | request[3];
            const int length = request[4] << 8 | request[5];
            if (protocol != 0 || length < 2 || length > kMostLength) {
                end();
                return;
            }
            if (available < kPrefixSize + length)
                break;
            if (answered == kMostRequestsAtOnce) {
                // The rest waits for the next turn of the event loop, after the others.
                m_continuation = true;
                QMetaObject::invokeMethod(this, &ModbusConnection::continueServing, Qt::QueuedConnection);
                break;
            }
            std::uint8_t* reply = replyRoom(kMostReplySize);
            const int pduSize = answer(request + kPrefixSize + 1, length - 1, request[kPrefixSize], reply + kPrefixSize + 1);
            std::copy_n(request, 4, reply);   // transaction and protocol
            reply[4] = static_cast<std::uint8_t>((pduSize + 1) >> 8);
            reply[5] = static_cast<std::uint8_t>((pduSize + 1) & 0xFF);
            reply[kPrefixSize] = request[kPrefixSize];   // the unit identifier as asked
            m_inFrom += kPrefixSize + length;
            m_outEnd += static_cast<std::size_t>(kPrefixSize + 1 + pduSize);
            ++answered;
        }
        if (m_inFrom == m_inSize)
            m_inFrom = m_inSize = 0;
        if (answered)
            sendWaiting();
    }

    void continueServing()
    {
        if (m_continuation)
            serve();
    }

    // Sends what waits, as far as the system takes it now; the rest when it can.
    void sendWaiting()
    {
        while (m_outFrom < m_outEnd) {
            const qint64 n = sendSome(m_fd, reinterpret_cast<const char*>(m_out.data() + m_outFrom),
                                      static_cast<qint64>(m_outEnd - m_outFrom));
            if (n < 0) {
                if (!wouldBlock()) {
                    end();
                    return;
                }
                break;
            }
            m_outFrom += static_cast<std::size_t>(n);
        }
        const bool waiting = m_outFrom < m_outEnd;
        if (!waiting)
            m_outFrom = m_outEnd = 0;
        if (waiting != m_writer->isEnabled())
            m_writer->setEnabled(waiting);
    }

    // The reply to one request (function code and data) in `pdu`; returns its size.
    int answer(const std::uint8_t* request, int size, std::uint8_t unit, std::uint8_t* pdu)
    {
        const std::uint8_t function = request[0];
        const std::uint8_t* data = request + 1;
        const int dataSize = size - 1;
        const auto word = [data](int i) { return static_cast<std::uint16_t>(data[i] << 8 | data[i + 1]); };
        const auto refuse = [&](std::uint8_t code, int start = 0, int count = 0) {
            m_bank.refuseRequest(unit, function, static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(count), code);
            pdu[0] = static_cast<std::uint8_t>(function | 0x80);
            pdu[1] = code;
            return 2;
        };
        switch (function) {
        case 3:
        case 4: {
            if (dataSize != 4)
                return refuse(kIllegalDataValue);
            const int start = word(0);
            const int count = word(2);
            if (count < 1 || count > 125)
                return refuse(kIllegalDataValue, start, count);
            if (start + count > 0x10000)
                return refuse(kIllegalDataAddress, start, count);
            std::array<std::uint16_t, 125> values;
            m_bank.readRegisters(unit, function, static_cast<std::uint16_t>(start), count, values.data());
            pdu[0] = function;
            pdu[1] = static_cast<std::uint8_t>(count * 2);
            putRegisters(pdu + 2, values.data(), count);
            return 2 + 2 * count;
        }
        case 6: {
            if (dataSize != 4)
                return refuse(kIllegalDataValue);
            const std::uint16_t value = word(2);
            // A refused write is told by the bank itself, naming the register.
            if (!m_bank.writeRegisters(unit, function, word(0), &value, 1)) {
                pdu[0] = static_cast<std::uint8_t>(function | 0x80);
                pdu[1] = kIllegalDataAddress;
                return 2;
            }
            std::copy_n(request, 5, pdu);   // the request echoed
            return 5;
        }
        case 16: {
            const int count = dataSize >= 5 ? word(2) : 0;
            if (dataSize < 5 || count < 1 || count > 123 || data[4] != count * 2 || dataSize != 5 + count * 2)
                return refuse(kIllegalDataValue, dataSize >= 4 ? word(0) : 0, count);
            const int start = word(0);
            if (start + count > 0x10000)
                return refuse(kIllegalDataAddress, start, count);
            std::array<std::uint16_t, 123> values;
            for (int i = 0; i < count; ++i)
                values[static_cast<std::size_t>(i)] = word(5 + 2 * i);
            if (!m_bank.writeRegisters(unit, function, static_cast<std::uint16_t>(start), values.data(), count)) {
                pdu[0] = static_cast<std::uint8_t>(function | 0x80);
                pdu[1] = kIllegalDataAddress;
                return 2;
            }
            std::copy_n(request, 5, pdu);   // the function code, the start and the count
            return 5;
        }
        default:
            return refuse(kIllegalFunction);
        }
    }

    Descriptor m_fd;
    RegisterBank& m_bank;
    QSocketNotifier* m_reader = nullptr;
    QSocketNotifier* m_writer = nullptr;
    std::vector<std::uint8_t> m_in;    // requests read: from m_inFrom to m_inSize not yet answered
    qint64 m_inFrom = 0;
    qint64 m_inSize = 0;
    std::vector<std::uint8_t> m_out;   // replies: from m_outFrom to m_outEnd not yet sent
    std::size_t m_outFrom = 0;
    std::size_t m_outEnd = 0;
    bool m_ended = false;
    bool m_continuation = false;
    bool m_waitingForRoom = false;
};

// The listening socket: each accepted connection's descriptor goes to a connection of
// the endpoint's own.
class ModbusListener final : public QTcpServer {
public:
    ModbusListener(RegisterBank& bank, QObject* parent) : QTcpServer(parent), m_bank(bank) {}

protected:
    void incomingConnection(qintptr descriptor) override { new ModbusConnection(descriptor, m_bank, this); }

private:
    RegisterBank& m_bank;
};

ModbusTcpEndpoint::ModbusTcpEndpoint(QObject* parent) : ModbusEndpoint(parent) {}

ModbusTcpEndpoint::~ModbusTcpEndpoint()
{
    close();
}

void ModbusTcpEndpoint::listen(const QString& address, std::uint16_t port, RegisterBank& bank)
{
    close();
    const QHostAddress host(address);
    if (host.isNull())
        throw Error(msg::kModbusNoIpAddress, {address});
    auto* listener = new ModbusListener(bank, this);
    if (!listener->listen(host, port)) {
        const QString cause = listener->errorString();
        delete listener;
        throw Error(msg::kModbusCannotListen, {address, port, cause});
    }
    m_listener = listener;
    // With port 0 the system chose a free port.
    m_port = listener->serverPort();
}

int ModbusTcpEndpoint::connectionCount() const
{
    int open = 0;
    if (m_listener) {
        for (const QObject* child : m_listener->children()) {
            if (const auto* connection = dynamic_cast<const ModbusConnection*>(child))
                open += connection->isOpen() ? 1 : 0;
        }
    }
    return open;
}

qint64 ModbusTcpEndpoint::unsentBytes() const
{
    qint64 unsent = 0;
    if (m_listener) {
        for (const QObject* child : m_listener->children()) {
            if (const auto* connection = dynamic_cast<const ModbusConnection*>(child))
                unsent += connection->unsentBytes();
        }
    }
    return unsent;
}

void ModbusTcpEndpoint::close()
{
    if (!m_listener)
        return;
    // Every connection ends with the listener: its socket closed and its buffers freed now.
    m_listener->close();
    delete m_listener;
    m_listener = nullptr;
}

} // namespace px
