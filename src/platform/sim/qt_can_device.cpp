#include "platform/sim/qt_can_device.h"

#include "core/base/error.h"
#include "core/lang/message_ids.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QVariant>

#include <algorithm>

namespace px {

QtCanDevice::QtCanDevice(QString plugin, QString interfaceName, std::uint32_t bitRate)
    : m_plugin(std::move(plugin)), m_interface(std::move(interfaceName)), m_bitRate(bitRate)
{
}

QtCanDevice::~QtCanDevice() = default;

void QtCanDevice::open(QObject* owner, std::function<void()> framesArrived, std::function<void(const Message&)> failed,
                       bool withErrorFrames)
{
    if (m_device)
        return;
    QString error;
    std::unique_ptr<QCanBusDevice> device(QCanBus::instance()->createDevice(m_plugin, m_interface, &error));
    if (!device)
        throw Error(msg::kCannotUseCanInterface, {description(), error});
    const bool takesBitRate = m_plugin != QStringLiteral("virtualcan") && m_plugin != QStringLiteral("socketcan");
    if (m_bitRate && takesBitRate)
        device->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant::fromValue(m_bitRate));
    if (withErrorFrames) {
        device->setConfigurationParameter(QCanBusDevice::ErrorFilterKey,
                                          QVariant::fromValue(QCanBusFrame::FrameErrors(QCanBusFrame::AnyError)));
    }
    QObject::connect(device.get(), &QCanBusDevice::framesReceived, owner, std::move(framesArrived));
    QObject::connect(device.get(), &QCanBusDevice::errorOccurred, owner,
                     [this, failed = std::move(failed)](QCanBusDevice::CanBusError e) {
                         if (e == QCanBusDevice::ConnectionError && m_device) {
                             m_inDeviceSignal = true;
                             failed(Message(msg::kCanInterfaceFailed, {description(), m_device->errorString()}));
                             m_inDeviceSignal = false;
                         }
                     });
    if (!device->connectDevice())
        throw Error(msg::kCannotOpenCanInterface, {description(), device->errorString()});
    m_device = std::move(device);
}

void QtCanDevice::close(QObject* owner)
{
    if (!m_device)
        return;
    std::unique_ptr<QCanBusDevice> device = std::move(m_device);
    device->disconnect(owner);
    device->disconnectDevice();
    // A device whose failure is being handled is deleted once its signal has returned.
    if (m_inDeviceSignal)
        device.release()->deleteLater();
}

std::optional<sim::CanFrame> classicFrame(const QCanBusFrame& f)
{
    if (!f.isValid() || f.hasFlexibleDataRateFormat())
        return std::nullopt;
    if (f.frameType() != QCanBusFrame::DataFrame && f.frameType() != QCanBusFrame::RemoteRequestFrame)
        return std::nullopt;
    sim::CanFrame frame;
    frame.id = f.frameId();
    frame.extended = f.hasExtendedFrameFormat();
    frame.remote = f.frameType() == QCanBusFrame::RemoteRequestFrame;
    const QByteArray payload = f.payload();
    frame.length = static_cast<std::uint8_t>(std::min<qsizetype>(payload.size(), 8));
    if (!frame.remote)
        std::copy_n(payload.constData(), frame.length, reinterpret_cast<char*>(frame.data.data()));
    return frame;
}

} // namespace px
