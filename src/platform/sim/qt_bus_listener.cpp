#include "platform/sim/qt_bus_listener.h"

#include "core/base/error.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QVariant>

namespace px {

QtBusListener::QtBusListener(QString plugin, QString interfaceName, std::uint32_t bitRate, QObject* parent)
    : BusListener(parent), m_plugin(std::move(plugin)), m_interface(std::move(interfaceName)), m_bitRate(bitRate)
{
}

QtBusListener::~QtBusListener()
{
    close();
}

void QtBusListener::open()
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
    device->setConfigurationParameter(QCanBusDevice::ErrorFilterKey,
                                      QVariant::fromValue(QCanBusFrame::FrameErrors(QCanBusFrame::AnyError)));
    connect(device.get(), &QCanBusDevice::framesReceived, this, &QtBusListener::readFrames);
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

void QtBusListener::close()
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

void QtBusListener::readFrames()
{
    while (m_device && m_device->framesAvailable()) {
        const QCanBusFrame f = m_device->readFrame();
        if (f.frameType() == QCanBusFrame::ErrorFrame) {
            Q_EMIT errorFrameSeen();
            continue;
        }
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
        Q_EMIT frameSeen(frame);
    }
}

} // namespace px
