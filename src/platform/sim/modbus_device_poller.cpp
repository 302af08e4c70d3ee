#include "platform/sim/modbus_device_poller.h"

#include <QModbusReply>
#include <QModbusTcpClient>
#include <QVariant>

namespace px {

ModbusDevicePoller::ModbusDevicePoller(QObject* parent) : DevicePoller(parent), m_client(new QModbusTcpClient(this))
{
    m_client->setNumberOfRetries(0);
}

ModbusDevicePoller::~ModbusDevicePoller()
{
    close();
}

void ModbusDevicePoller::connectTo(const DeviceAddress& address, int timeoutMs)
{
    if (m_client->state() != QModbusDevice::UnconnectedState)
        return;
    m_address = address;
    m_client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, address.host);
    m_client->setConnectionParameter(QModbusDevice::NetworkPortParameter, static_cast<int>(address.port));
    m_client->setTimeout(timeoutMs);
    m_client->connectDevice();
}

bool ModbusDevicePoller::isConnected() const
{
    return m_client->state() == QModbusDevice::ConnectedState;
}

void ModbusDevicePoller::read(std::uint16_t start, std::uint16_t count)
{
    const auto type = m_address.function == 4 ? QModbusDataUnit::InputRegisters : QModbusDataUnit::HoldingRegisters;
    QModbusReply* reply = isConnected() ? m_client->sendReadRequest(QModbusDataUnit(type, start, count), m_address.unit) : nullptr;
    if (!reply) {
        Q_EMIT failed(start, count, isConnected() ? m_client->errorString() : QStringLiteral("not connected"));
        return;
    }
    const auto finish = [this, reply, start, count] {
        reply->deleteLater();
        if (reply->error() == QModbusDevice::NoError) {
            Q_EMIT answered(start, reply->result().values());
            return;
        }
        QString cause = reply->errorString();
        if (reply->error() == QModbusDevice::ProtocolError)
            cause = QStringLiteral("exception %1").arg(static_cast<int>(reply->rawResult().exceptionCode()));
        Q_EMIT failed(start, count, cause);
    };
    if (reply->isFinished())
        finish();
    else
        connect(reply, &QModbusReply::finished, this, finish);
}

void ModbusDevicePoller::close()
{
    if (m_client->state() != QModbusDevice::UnconnectedState)
        m_client->disconnectDevice();
}

} // namespace px
