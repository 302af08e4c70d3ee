#include "platform/sim/modbus_tcp_endpoint.h"

#include "core/base/error.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QHostAddress>
#include <QModbusTcpServer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <vector>

namespace px {

// Qt's server answers only the unit identifier of its own server address and tells
// processRequest nothing of it. The converter takes every unit identifier and logs it, so
// each new connection's stream is read here first, frame by frame (a 7-byte header
// followed by the request), and answered through the server's own request processing; the
// server's reader then finds nothing left to read.
class ConverterModbusServer final : public QModbusTcpServer {
public:
    explicit ConverterModbusServer(RegisterBank& bank) : m_bank(bank)
    {
        installConnectionObserver(new Observer(this));
    }

protected:
    QModbusResponse processRequest(const QModbusPdu& request) override
    {
        const QModbusPdu::FunctionCode code = request.functionCode();
        m_function = static_cast<std::uint8_t>(code);
        switch (code) {
        case QModbusPdu::ReadHoldingRegisters:
        case QModbusPdu::ReadInputRegisters:
            return QModbusTcpServer::processRequest(request);
        case QModbusPdu::WriteSingleRegister:
        case QModbusPdu::WriteMultipleRegisters:
            return processWrite(request);
        default:
            return QModbusExceptionResponse(code, QModbusExceptionResponse::IllegalFunction);
        }
    }

    // Writes are answered here: a register that no transmit mapping uses refuses the
    // request with exception 2 (illegal data address), as the converter's model says.
    QModbusResponse processWrite(const QModbusPdu& request)
    {
        const QByteArray data = request.data();
        const auto word = [&data](int i) {
            return static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[i]) << 8 | static_cast<std::uint8_t>(data[i + 1]));
        };
        const QModbusPdu::FunctionCode code = request.functionCode();
        std::vector<std::uint16_t> values;
        if (code == QModbusPdu::WriteSingleRegister) {
            if (data.size() != 4)
                return QModbusExceptionResponse(code, QModbusExceptionResponse::IllegalDataValue);
            values.push_back(word(2));
        } else {
            const int count = data.size() >= 5 ? word(2) : 0;
            if (data.size() < 5 || count < 1 || count > 123 || static_cast<std::uint8_t>(data[4]) != count * 2
                || data.size() != 5 + count * 2)
                return QModbusExceptionResponse(code, QModbusExceptionResponse::IllegalDataValue);
            for (int i = 0; i < count; ++i)
                values.push_back(word(5 + 2 * i));
        }
        const std::uint16_t start = word(0);
        if (start + values.size() > 0x10000
            || !m_bank.writeRegisters(m_unit, m_function, start, values.data(), static_cast<int>(values.size())))
            return QModbusExceptionResponse(code, QModbusExceptionResponse::IllegalDataAddress);
        // Function 6 echoes the request, function 16 the start and the count.
        return QModbusResponse(code, code == QModbusPdu::WriteSingleRegister ? data : data.left(4));
    }

    bool readData(QModbusDataUnit* unit) const override
    {
        if (unit->registerType() != QModbusDataUnit::HoldingRegisters
            && unit->registerType() != QModbusDataUnit::InputRegisters)
            return false;
        const int start = unit->startAddress();
        const int count = static_cast<int>(unit->valueCount());
        if (start < 0 || count < 0 || start + count > 0x10000)
            return false;
        std::vector<std::uint16_t> values(static_cast<std::size_t>(count));
        m_bank.readRegisters(m_unit, m_function, static_cast<std::uint16_t>(start), count, values.data());
        unit->setValues(QList<quint16>(values.begin(), values.end()));
        return true;
    }

    bool writeData(const QModbusDataUnit&) override
    {
        return false;   // every write goes through processWrite
    }

private:
    class Observer final : public QModbusTcpConnectionObserver {
    public:
        explicit Observer(ConverterModbusServer* server) : m_server(server) {}
        bool acceptNewConnection(QTcpSocket* socket) override
        {
            m_server->takeOver(socket);
            return true;
        }

    private:
        ConverterModbusServer* m_server;
    };

    static constexpr int kHeaderSize = 7;

    void takeOver(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QPointer<QTcpSocket> guarded(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, guarded, buffer] {
            if (guarded)
                readRequests(*guarded, *buffer);
        });
    }

    void readRequests(QTcpSocket& socket, QByteArray& buffer)
    {
        buffer += socket.readAll();
        while (buffer.size() >= kHeaderSize) {
            const auto byte = [&buffer](int i) { return static_cast<std::uint8_t>(buffer[i]); };
            const std::uint16_t transaction = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
            const std::uint16_t protocol = static_cast<std::uint16_t>(byte(2) << 8 | byte(3));
            const int length = byte(4) << 8 | byte(5);   // unit identifier and request
            // A request is at most 253 bytes; anything else is no Modbus TCP client.
            if (protocol != 0 || length < 2 || length > 254) {
                buffer.clear();
                socket.abort();
                return;
            }
            if (buffer.size() < 6 + length)
                return;
            m_unit = byte(6);
            const QModbusRequest request(static_cast<QModbusPdu::FunctionCode>(byte(7)),
                                         buffer.mid(kHeaderSize + 1, length - 2));
            buffer.remove(0, 6 + length);
            const QModbusResponse response = processRequest(request);
            // The response's own serialisation writes its function code byte (with the
            // exception bit) and its data.
            QByteArray pdu;
            {
                QDataStream out(&pdu, QIODevice::WriteOnly);
                out << response;
            }
            QByteArray adu;
            adu.reserve(kHeaderSize + pdu.size());
            adu.append(static_cast<char>(transaction >> 8)).append(static_cast<char>(transaction & 0xFF));
            adu.append('\0').append('\0');
            const int replyLength = static_cast<int>(pdu.size()) + 1;
            adu.append(static_cast<char>(replyLength >> 8)).append(static_cast<char>(replyLength & 0xFF));
            adu.append(static_cast<char>(m_unit)).append(pdu);
            socket.write(adu);
        }
    }

    RegisterBank& m_bank;
    std::uint8_t m_unit = 0;
    std::uint8_t m_function = 0;
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
    auto server = std::make_unique<ConverterModbusServer>(bank);
    server->setConnectionParameter(QModbusDevice::NetworkAddressParameter, address);
    server->setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    if (!server->connectDevice() || server->state() != QModbusDevice::ConnectedState)
        throw Error(QStringLiteral("Cannot listen for Modbus TCP on %1 port %2: %3").arg(address).arg(port).arg(server->errorString()));
    // With port 0 the system chose a free port: the listening socket tells which.
    const auto* listener = server->findChild<QTcpServer*>();
    m_port = listener ? listener->serverPort() : port;
    m_server = std::move(server);
}

void ModbusTcpEndpoint::close()
{
    if (!m_server)
        return;
    // Every client connection ends here and is deleted the way the server deletes one a
    // client closes: a connection deleted only with the server would keep its buffer.
    QList<QPointer<QTcpSocket>> clients;
    for (QTcpSocket* client : m_server->findChildren<QTcpSocket*>())
        clients << client;
    for (const QPointer<QTcpSocket>& client : clients) {
        if (client)
            client->abort();
    }
    for (const QPointer<QTcpSocket>& client : clients) {
        if (client)
            QCoreApplication::sendPostedEvents(client, QEvent::DeferredDelete);
    }
    m_server->disconnectDevice();
    m_server.reset();
}

} // namespace px
