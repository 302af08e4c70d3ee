#pragma once

#include "core/services/virtual_converter_ports.h"

#include <memory>

class QCanBusDevice;

namespace px {

// A CAN interface of one of Qt's CAN bus plugins: virtualcan, socketcan, peakcan, ...
class QtCanLink final : public CanLink {
    Q_OBJECT
public:
    // `bitRate` is set on adapters whose plugin sets it (not on virtualcan, and not on
    // socketcan, whose interfaces take theirs from the system).
    QtCanLink(QString plugin, QString interfaceName, std::uint32_t bitRate, QObject* parent = nullptr);
    ~QtCanLink() override;

    void open() override;
    void send(const sim::CanFrame& frame) override;
    void close() override;
    QString description() const override;

private:
    void readFrames();

    QString m_plugin;
    QString m_interface;
    std::uint32_t m_bitRate = 0;
    std::unique_ptr<QCanBusDevice> m_device;
    bool m_inDeviceSignal = false;
};

} // namespace px
