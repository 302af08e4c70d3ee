#pragma once

#include "core/base/error.h"
#include "core/sim/can_frame.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QCanBusDevice;
class QCanBusFrame;
class QObject;

namespace px {

// One CAN interface of Qt's CAN bus plugins (virtualcan, socketcan, peakcan, ...), opened
// and closed the same way for the virtual converter's link and the monitor's listener.
class QtCanDevice {
public:
    // `bitRate` is set on adapters whose plugin sets it (not on virtualcan, and not on
    // socketcan, whose interfaces take theirs from the system).
    QtCanDevice(QString plugin, QString interfaceName, std::uint32_t bitRate);
    ~QtCanDevice();

    QString description() const { return m_plugin + u':' + m_interface; }

    // Opens the interface for `owner`: `framesArrived` runs when frames can be read,
    // `failed` with the message of a lost connection. Error frames are asked for when
    // `withErrorFrames` is set. Throws px::Error naming the interface and the cause.
    void open(QObject* owner, std::function<void()> framesArrived, std::function<void(const px::Message&)> failed,
              bool withErrorFrames);
    // Closes it; a device whose failure is being told is deleted once its signal has returned.
    void close(QObject* owner);
    QCanBusDevice* device() const { return m_device.get(); }

private:
    QString m_plugin;
    QString m_interface;
    std::uint32_t m_bitRate = 0;
    std::unique_ptr<QCanBusDevice> m_device;
    bool m_inDeviceSignal = false;
};

// A classic data or remote frame as the converter sees it; nothing for any other frame
// (invalid, CAN FD, error).
std::optional<sim::CanFrame> classicFrame(const QCanBusFrame& frame);

} // namespace px
