#pragma once

#include <QEvent>
#include <QSocketNotifier>

#include <utility>

namespace px {

// A socket notifier that calls its handler straight from the event, without a signal:
// QSocketNotifier emits two signals for each activation, which cost more than the
// virtual converter's answer to a Modbus request. The handler is called only while the
// notifier is switched on; it may switch it off or delete the notifier's owner later.
template <typename Handler>
class DirectNotifier final : public QSocketNotifier {
public:
    DirectNotifier(qintptr descriptor, Type type, QObject* parent, Handler handler)
        : QSocketNotifier(descriptor, type, parent), m_handler(std::move(handler))
    {
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::SockAct || e->type() == QEvent::SockClose) {
            if (isEnabled())
                m_handler();
            return true;
        }
        return QSocketNotifier::event(e);
    }

private:
    Handler m_handler;
};

} // namespace px
