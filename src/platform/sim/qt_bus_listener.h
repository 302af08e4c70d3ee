#pragma once

#include "core/services/monitor_ports.h"
#include "platform/sim/qt_can_device.h"

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
    QString description() const override { return m_can.description(); }

private:
    void readFrames();

    QtCanDevice m_can;
};

} // namespace px
