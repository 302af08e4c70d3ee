#include "platform/sim/modbus_tcp_endpoint.h"

#include "core/base/error.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <array>

namespace px {
namespace {

// A request frame: transaction (2 bytes), protocol 0 (2), length (2) counting the unit
// identifier and the request, unit identifier (1), function code (1), data.
constexpr int kPrefixSize = 6;
// The longest length a client may announce: a function code 16 request whose byte count
// says 255, the most one byte holds. Such a request is answered (with exception 3); a
// longer one is no Modbus TCP client and the connection ends.
constexpr int kMostLength = 2 + 5 + 255;
// Requests are read in Qt's buffer no larger than this; past it the system's buffers hold
// them, and past those the client waits.
constexpr qint64 kReadBufferSize = 16 * 1024;
// A connection answers at most this many requests waiting in its buffer before the other
// connections and the CAN side get their turn.
constexpr int kMostRequestsAtOnce = 32;

constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalDataAddress = 2;
constexpr std::uint8_t kIllegalDataValue = 3;

} // namespace

// One client's connection: reads whole requests, answers each through the register bank.
class ModbusConnection final : public QObject {
public:
    ModbusConnection(QTcpSocket* socket, RegisterBank& bank, QObject* parent)
        : QObject(parent), m_socket(socket), m_bank(bank)
    {
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->setReadBufferSize(kReadBufferSize);
        connect(socket, &QTcpSocket::readyRead, this, &ModbusConnection::serve);
        // Replies that went out make room for more: requests left unread are read again.
        connect(socket, &QTcpSocket::bytesWritten, this, [this] {
            if (m_waitingForRoom && m_socket->bytesToWrite() <= ModbusTcpEndpoint::kMostUnsentBytes)
                serve();
        });
        connect(socket, &QTcpSocket::disconnected, this, &ModbusConnection::end);
    }

    // Ends the connection now; the object goes at the next turn of the event loop.
    void end()
    {
        if (m_ended)
            return;
        m_ended = true;
        m_socket->disconnect(this);
        m_socket->abort();
        deleteLater();
    }

private:
    void serve()
    {
        m_continuation = false;
        if (m_ended || m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        std::array<std::uint8_t, kPrefixSize + kMostLength> request;
        int answered = 0;
        for (;;) {
            // A client that does not read its replies is not read from either.
            m_waitingForRoom = m_socket->bytesToWrite() > ModbusTcpEndpoint::kMostUnsentBytes;
            if (m_waitingForRoom)
                break;
            const qint64 available = m_socket->bytesAvailable();
            if (available < kPrefixSize)
                break;
            if (answered == kMostRequestsAtOnce) {
                // The rest waits for the next turn of the event loop, after the others.
                m_continuation = true;
                QMetaObject::invokeMethod(this, &ModbusConnection::continueServing, Qt::QueuedConnection);
                break;
            }
            m_socket->peek(reinterpret_cast<char*>(request.data()), kPrefixSize);
            const int protocol = request[2] << 8 | request[3];
            const int length = request[4] << 8 | request[5];
            if (protocol != 0 || length < 2 || length > kMostLength) {
                end();
                return;
            }
            if (available < kPrefixSize + length)
                break;
            m_socket->read(reinterpret_cast<char*>(request.data()), kPrefixSize + length);
            std::array<std::uint8_t, kPrefixSize + 1 + 2 + 250> reply;
            const int pduSize = answer(request.data() + kPrefixSize + 1, length - 1, request[kPrefixSize],
                                       reply.data() + kPrefixSize + 1);
            std::copy_n(request.begin(), 4, reply.begin());   // transaction and protocol
            reply[4] = static_cast<std::uint8_t>((pduSize + 1) >> 8);
            reply[5] = static_cast<std::uint8_t>((pduSize + 1) & 0xFF);
            reply[kPrefixSize] = request[kPrefixSize];   // the unit identifier as asked
            m_socket->write(reinterpret_cast<const char*>(reply.data()), kPrefixSize + 1 + pduSize);
            ++answered;
        }
        // Sent at once, not at the next turn of the event loop.
        if (answered)
            m_socket->flush();
    }

    void continueServing()
    {
        if (m_continuation)
            serve();
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
            for (int i = 0; i < count; ++i) {
                pdu[2 + 2 * i] = static_cast<std::uint8_t>(values[static_cast<std::size_t>(i)] >> 8);
                pdu[3 + 2 * i] = static_cast<std::uint8_t>(values[static_cast<std::size_t>(i)] & 0xFF);
            }
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

    QTcpSocket* m_socket;
    RegisterBank& m_bank;
    bool m_ended = false;
    bool m_continuation = false;
    bool m_waitingForRoom = false;
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
        throw Error(QStringLiteral("Cannot listen for Modbus TCP on %1: not an IP address").arg(address));
    auto* listener = new QTcpServer(this);
    if (!listener->listen(host, port)) {
        const QString cause = listener->errorString();
        delete listener;
        throw Error(QStringLiteral("Cannot listen for Modbus TCP on %1 port %2: %3").arg(address).arg(port).arg(cause));
    }
    m_listener = listener;
    m_bank = &bank;
    // With port 0 the system chose a free port.
    m_port = listener->serverPort();
    connect(listener, &QTcpServer::newConnection, this, &ModbusTcpEndpoint::acceptConnections);
}

void ModbusTcpEndpoint::acceptConnections()
{
    while (QTcpSocket* socket = m_listener->nextPendingConnection())
        new ModbusConnection(socket, *m_bank, m_listener);
}

int ModbusTcpEndpoint::connectionCount() const
{
    if (!m_listener)
        return 0;
    int open = 0;
    for (const QTcpSocket* socket : m_listener->findChildren<QTcpSocket*>())
        open += socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
    return open;
}

qint64 ModbusTcpEndpoint::unsentBytes() const
{
    if (!m_listener)
        return 0;
    qint64 unsent = 0;
    for (const QTcpSocket* socket : m_listener->findChildren<QTcpSocket*>())
        unsent += socket->bytesToWrite();
    return unsent;
}

void ModbusTcpEndpoint::close()
{
    if (!m_listener)
        return;
    // Every connection ends with the listener: closed here, its buffers freed now.
    m_listener->close();
    delete m_listener;
    m_listener = nullptr;
    m_bank = nullptr;
}

} // namespace px
