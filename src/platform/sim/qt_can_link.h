#pragma once

#include "core/services/virtual_converter_ports.h"
#include "platform/sim/qt_can_device.h"

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

    QtCanDevice m_can;
};

} // namespace px
