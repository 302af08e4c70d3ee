#pragma once

#include "core/services/monitor_ports.h"

#include <memory>

class QCanBusDevice;

namespace px {

// A CAN interface of one of Qt's CAN bus plugins, only listened to: frames are never
// written to it. Error frames are asked for where the plugin passes them on.
class QtBusListener final : public BusListener {
    Q_OBJECT
public:
    // `bitRate` is set on adapters whose plugin sets it (not on virtualcan, and not on
    // socketcan, whose interfaces take theirs from the system).
    QtBusListener(QString plugin, QString interfaceName, std::uint32_t bitRate, QObject* parent = nullptr);
    ~QtBusListener() override;

    void open() override;
    void close() override;
    QString description() const override { return m_plugin + u':' + m_interface; }

private:
    void readFrames();

    QString m_plugin;
    QString m_interface;
    std::uint32_t m_bitRate = 0;
    std::unique_ptr<QCanBusDevice> m_device;
    bool m_inDeviceSignal = false;
};

} // namespace px
