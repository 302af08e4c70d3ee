#include "platform/poll_event_dispatcher.h"

#ifdef Q_OS_UNIX

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace px {
namespace {

void makeNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

short pollEvents(QSocketNotifier::Type type)
{
    switch (type) {
    case QSocketNotifier::Read:
        return POLLIN;
    case QSocketNotifier::Write:
        return POLLOUT;
    case QSocketNotifier::Exception:
        return POLLPRI;
    }
    return 0;
}

// What makes a notifier of each kind ready: its own event, or the descriptor broke or hung up.
short readyEvents(QSocketNotifier::Type type)
{
    return static_cast<short>(pollEvents(type) | POLLHUP | POLLERR);
}

const char* typeName(QSocketNotifier::Type type)
{
    switch (type) {
    case QSocketNotifier::Read:
        return "Read";
    case QSocketNotifier::Write:
        return "Write";
    case QSocketNotifier::Exception:
        return "Exception";
    }
    return "";
}

} // namespace

PollEventDispatcher::PollEventDispatcher(QObject* parent) : QAbstractEventDispatcher(parent)
{
    int ends[2];
    if (::pipe(ends) == 0) {
        makeNonBlocking(ends[0]);
        makeNonBlocking(ends[1]);
        m_wakeRead = ends[0];
        m_wakeWrite = ends[1];
    } else {
        qFatal("The event loop cannot make its wake-up pipe: %s", strerror(errno));
    }
}

PollEventDispatcher::~PollEventDispatcher()
{
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

bool PollEventDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    m_interrupted.store(false, std::memory_order_relaxed);
    Q_EMIT awake();
    QCoreApplication::sendPostedEvents();
    if (m_interrupted.load(std::memory_order_relaxed))
        return false;

    const bool timers = !(flags & QEventLoop::X11ExcludeTimers);
    const bool notifiers = !(flags & QEventLoop::ExcludeSocketNotifiers);
    int wait = 0;
    if (flags & QEventLoop::WaitForMoreEvents) {
        Q_EMIT aboutToBlock();
        // An event posted meanwhile has written to the wake pipe: the poll returns at once.
        if (!m_interrupted.load(std::memory_order_relaxed))
            wait = timers ? timerWait(Clock::now()) : -1;
    }

    if (m_pollStale)
        rebuildPollList();
    // The wake pipe is the last entry: alone when the notifiers are left out.
    pollfd* first = notifiers ? m_poll.data() : &m_poll.back();
    const auto count = static_cast<nfds_t>(notifiers ? m_poll.size() : 1);
    int ready = ::poll(first, count, wait);
    if (ready < 0)
        ready = 0;   // a signal came: the timers are looked at, and the caller turns again

    int events = 0;
    if (ready > 0 && m_poll.back().revents) {
        --ready;
        ++events;
        m_woken.store(false, std::memory_order_release);
        char drain[64];
        while (::read(m_wakeRead, drain, sizeof drain) > 0) {
        }
    }
    if (notifiers && ready > 0)
        events += activateNotifiers(m_poll, ready);
    if (timers)
        events += activateTimers();
    return events > 0;
}

void PollEventDispatcher::rebuildPollList()
{
    m_poll.clear();
    for (const QSocketNotifier* n : m_notifiers)
        m_poll.push_back({static_cast<int>(n->socket()), pollEvents(n->type()), 0});
    m_poll.push_back({m_wakeRead, POLLIN, 0});
    m_polled = m_notifiers;
    m_pollStale = false;
}

int PollEventDispatcher::activateNotifiers(const std::vector<pollfd>& polled, int ready)
{
    // Every notifier ready is noted before any is told, so one that goes meanwhile is told nothing.
    for (std::size_t i = 0; i + 1 < polled.size() && ready > 0; ++i) {
        const short revents = polled[i].revents;
        if (!revents)
            continue;
        --ready;
        QSocketNotifier* n = m_polled[i];
        if (revents & POLLNVAL) {
            qWarning("QSocketNotifier: Invalid socket %d with type %s, disabling...", polled[i].fd, typeName(n->type()));
            n->setEnabled(false);
            continue;
        }
        if (revents & readyEvents(n->type()))
            m_pending.push_back(n);
    }
    int told = 0;
    // A notifier's slot may turn the event loop again: that turn tells the rest.
    while (m_nextPending < m_pending.size()) {
        QSocketNotifier* n = m_pending[m_nextPending++];
        if (!n)
            continue;
        QEvent event(QEvent::SockAct);
        QCoreApplication::sendEvent(n, &event);
        ++told;
    }
    m_pending.clear();
    m_nextPending = 0;
    return told;
}

void PollEventDispatcher::registerSocketNotifier(QSocketNotifier* notifier)
{
    m_notifiers.push_back(notifier);
    m_pollStale = true;
}

void PollEventDispatcher::unregisterSocketNotifier(QSocketNotifier* notifier)
{
    const auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
    if (it != m_notifiers.end()) {
        m_notifiers.erase(it);
        m_pollStale = true;
    }
    for (std::size_t i = m_nextPending; i < m_pending.size(); ++i) {
        if (m_pending[i] == notifier)
            m_pending[i] = nullptr;
    }
}

void PollEventDispatcher::registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject* object)
{
    if (timerType == Qt::VeryCoarseTimer)
        interval = (interval + 500) / 1000 * 1000;   // to the nearest second
    interval = std::max<qint64>(interval, 0);
    m_timers.push_back({timerId, interval, timerType, object, Clock::now() + std::chrono::milliseconds(interval), m_turn});
}

bool PollEventDispatcher::unregisterTimer(int timerId)
{
    const auto it = std::find_if(m_timers.begin(), m_timers.end(), [timerId](const Timer& t) { return t.id == timerId; });
    if (it == m_timers.end())
        return false;
    m_timers.erase(it);
    return true;
}

bool PollEventDispatcher::unregisterTimers(QObject* object)
{
    const auto kept = std::remove_if(m_timers.begin(), m_timers.end(), [object](const Timer& t) { return t.object == object; });
    const bool any = kept != m_timers.end();
    m_timers.erase(kept, m_timers.end());
    return any;
}

QList<QAbstractEventDispatcher::TimerInfo> PollEventDispatcher::registeredTimers(QObject* object) const
{
    QList<TimerInfo> list;
    for (const Timer& t : m_timers) {
        if (t.object == object)
            list.append(TimerInfo(t.id, static_cast<int>(t.interval), t.type));
    }
    return list;
}

int PollEventDispatcher::remainingTime(int timerId)
{
    const auto it = std::find_if(m_timers.begin(), m_timers.end(), [timerId](const Timer& t) { return t.id == timerId; });
    if (it == m_timers.end())
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(it->due - Clock::now()).count();
    return static_cast<int>(std::clamp<qint64>(left, 0, INT_MAX));
}

int PollEventDispatcher::timerWait(Clock::time_point now) const
{
    if (m_timers.empty())
        return -1;
    Clock::time_point next = m_timers.front().due;
    for (const Timer& t : m_timers)
        next = std::min(next, t.due);
    if (next <= now)
        return 0;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::min<qint64>(left, INT_MAX));
}

int PollEventDispatcher::activateTimers()
{
    if (m_timers.empty())
        return 0;
    const auto now = Clock::now();
    const unsigned long long turn = ++m_turn;
    int fired = 0;
    for (;;) {
        // The earliest due of the timers not yet fired this turn; the list may change with each.
        Timer* next = nullptr;
        for (Timer& t : m_timers) {
            if (t.turn < turn && t.due <= now && (!next || t.due < next->due))
                next = &t;
        }
        if (!next)
            return fired;
        next->turn = turn;
        // A timer that fell behind by more than its interval goes on from now.
        next->due += std::chrono::milliseconds(next->interval);
        if (next->due <= now)
            next->due = now + std::chrono::milliseconds(next->interval);
        QTimerEvent event(next->id);
        QCoreApplication::sendEvent(next->object, &event);
        ++fired;
    }
}

void PollEventDispatcher::wakeUp()
{
    if (!m_woken.exchange(true, std::memory_order_acq_rel)) {
        const char byte = 1;
        while (::write(m_wakeWrite, &byte, 1) < 0 && errno == EINTR) {
        }
    }
}

void PollEventDispatcher::interrupt()
{
    m_interrupted.store(true, std::memory_order_relaxed);
    wakeUp();
}

} // namespace px

#endif
