#include "platform/sim/qt_can_link.h"

#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QVariant>

namespace px {

QtCanLink::QtCanLink(QString plugin, QString interfaceName, std::uint32_t bitRate, QObject* parent)
    : CanLink(parent), m_can(std::move(plugin), std::move(interfaceName), bitRate)
{
}

QtCanLink::~QtCanLink()
{
    close();
}

QString QtCanLink::description() const
{
    return m_can.description();
}

void QtCanLink::open()
{
    m_can.open(this, [this] { readFrames(); }, [this](const Message& why) { Q_EMIT ended(why); }, false);
}

void QtCanLink::close()
{
    m_can.close(this);
}

void QtCanLink::send(const sim::CanFrame& frame)
{
    QCanBusDevice* device = m_can.device();
    if (!device)
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
    device->writeFrame(f);
}

void QtCanLink::readFrames()
{
    // Each frame is told on its own: a listener may close the link meanwhile.
    while (m_can.device() && m_can.device()->framesAvailable()) {
        if (const std::optional<sim::CanFrame> frame = classicFrame(m_can.device()->readFrame()))
            Q_EMIT received(*frame);
    }
}

} // namespace px
