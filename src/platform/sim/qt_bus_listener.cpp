#include "platform/sim/qt_bus_listener.h"

#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QVariant>

namespace px {

QtBusListener::QtBusListener(QString plugin, QString interfaceName, std::uint32_t bitRate, QObject* parent)
    : BusListener(parent), m_can(std::move(plugin), std::move(interfaceName), bitRate)
{
}

QtBusListener::~QtBusListener()
{
    close();
}

void QtBusListener::open()
{
    m_can.open(this, [this] { readFrames(); }, [this](const Message& why) { Q_EMIT ended(why); }, true);
}

void QtBusListener::close()
{
    m_can.close(this);
}

void QtBusListener::readFrames()
{
    while (m_can.device() && m_can.device()->framesAvailable()) {
        const QCanBusFrame f = m_can.device()->readFrame();
        if (f.frameType() == QCanBusFrame::ErrorFrame) {
            Q_EMIT errorFrameSeen();
            continue;
        }
        if (const std::optional<sim::CanFrame> frame = classicFrame(f))
            Q_EMIT frameSeen(*frame);
    }
}

} // namespace px
