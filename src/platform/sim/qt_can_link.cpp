#include "platform/sim/qt_can_link.h"

#include "core/base/error.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QVariant>

namespace px {

QtCanLink::QtCanLink(QString plugin, QString interfaceName, std::uint32_t bitRate, QObject* parent)
    : CanLink(parent), m_plugin(std::move(plugin)), m_interface(std::move(interfaceName)), m_bitRate(bitRate)
{
}

QtCanLink::~QtCanLink()
{
    close();
}

QString QtCanLink::description() const
{
    return m_plugin + u':' + m_interface;
}

void QtCanLink::open()
{
    if (m_device)
        return;
    QString error;
    std::unique_ptr<QCanBusDevice> device(QCanBus::instance()->createDevice(m_plugin, m_interface, &error));
    if (!device)
        throw Error(QStringLiteral("Cannot use the CAN interface %1: %2").arg(description(), error));
    const bool takesBitRate = m_plugin != QStringLiteral("virtualcan") && m_plugin != QStringLiteral("socketcan");
    if (m_bitRate && takesBitRate)
        device->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant::fromValue(m_bitRate));
    connect(device.get(), &QCanBusDevice::framesReceived, this, &QtCanLink::readFrames);
    connect(device.get(), &QCanBusDevice::errorOccurred, this, [this](QCanBusDevice::CanBusError e) {
        if (e == QCanBusDevice::ConnectionError && m_device) {
            m_inDeviceSignal = true;
            Q_EMIT ended(QStringLiteral("The CAN interface %1 failed: %2").arg(description(), m_device->errorString()));
            m_inDeviceSignal = false;
        }
    });
    if (!device->connectDevice())
        throw Error(QStringLiteral("Cannot open the CAN interface %1: %2").arg(description(), device->errorString()));
    m_device = std::move(device);
}

void QtCanLink::close()
{
    if (!m_device)
        return;
    std::unique_ptr<QCanBusDevice> device = std::move(m_device);
    device->disconnect(this);
    device->disconnectDevice();
    // A device whose failure is being handled is deleted once its signal has returned.
    if (m_inDeviceSignal)
        device.release()->deleteLater();
}

void QtCanLink::send(const sim::CanFrame& frame)
{
    if (!m_device)
        return;
    QCanBusFrame f(frame.remote ? QCanBusFrame::RemoteRequestFrame : QCanBusFrame::DataFrame);
    f.setFrameId(frame.id);
    f.setExtendedFrameFormat(frame.extended);
    if (frame.remote) {
        // The length asked for travels in the remote frame's length code.
        f.setPayload(QByteArray(frame.length, '\0'));
    } else {
        f.setPayload(QByteArray(reinterpret_cast<const char*>(frame.data.data()), frame.length));
    }
    m_device->writeFrame(f);
}

void QtCanLink::readFrames()
{
    if (!m_device)
        return;
    while (m_device && m_device->framesAvailable()) {
        const QCanBusFrame f = m_device->readFrame();
        if (!f.isValid() || f.hasFlexibleDataRateFormat())
            continue;
        if (f.frameType() != QCanBusFrame::DataFrame && f.frameType() != QCanBusFrame::RemoteRequestFrame)
            continue;
        sim::CanFrame frame;
        frame.id = f.frameId();
        frame.extended = f.hasExtendedFrameFormat();
        frame.remote = f.frameType() == QCanBusFrame::RemoteRequestFrame;
        const QByteArray payload = f.payload();
        frame.length = static_cast<std::uint8_t>(std::min<qsizetype>(payload.size(), 8));
        if (!frame.remote)
            std::copy_n(payload.constData(), frame.length, reinterpret_cast<char*>(frame.data.data()));
        Q_EMIT received(frame);
    }
}

} // namespace px
