#pragma once

#include <QAbstractEventDispatcher>

#include <atomic>
#include <chrono>
#include <vector>

struct pollfd;

namespace px {

// The command-line tool's event loop on Unix: one poll() over the socket notifiers, the
// timers kept in a short list, and a pipe that wakes the loop when an event is posted.
// Qt's own loop rebuilds its list of descriptors and looks through a hash of them at
// every turn, which costs more than answering a Modbus request; this one rebuilds the
// list only when a notifier comes, goes, or is switched on or off.
//
// It keeps the order of Qt's loop within a turn: posted events first, then the socket
// notifiers whose descriptors are ready (in the order they were switched on), then the
// timers that are due, each at most once a turn, those started during the turn not
// before the next one. Every timer keeps time to the millisecond (a very coarse one to
// the second), whatever its type.
// Only for Unix; elsewhere the tool keeps Qt's loop.
class PollEventDispatcher final : public QAbstractEventDispatcher {
public:
    explicit PollEventDispatcher(QObject* parent = nullptr);
    ~PollEventDispatcher() override;

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;

    void registerSocketNotifier(QSocketNotifier* notifier) override;
    void unregisterSocketNotifier(QSocketNotifier* notifier) override;

    void registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject* object) override;
    bool unregisterTimer(int timerId) override;
    bool unregisterTimers(QObject* object) override;
    QList<TimerInfo> registeredTimers(QObject* object) const override;
    int remainingTime(int timerId) override;

    void wakeUp() override;
    void interrupt() override;

private:
    using Clock = std::chrono::steady_clock;

    struct Timer {
        int id;
        qint64 interval;   // ms
        Qt::TimerType type;
        QObject* object;
        Clock::time_point due;
        unsigned long long turn;   // the turn it last fired in, or was started in
    };

    // The poll() timeout in ms for the timers: -1 none, 0 one is due.
    int timerWait(Clock::time_point now) const;
    int activateTimers();
    int activateNotifiers(const std::vector<pollfd>& polled, int ready);
    void rebuildPollList();

    std::vector<QSocketNotifier*> m_notifiers;   // in the order they were switched on
    std::vector<pollfd> m_poll;                  // one entry per notifier, then the wake pipe
    std::vector<QSocketNotifier*> m_polled;      // the notifier of each entry
    bool m_pollStale = true;
    std::vector<QSocketNotifier*> m_pending;     // ready this turn, not yet told
    std::size_t m_nextPending = 0;
    std::vector<Timer> m_timers;
    unsigned long long m_turn = 0;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::atomic<bool> m_woken{false};
    std::atomic<bool> m_interrupted{false};
};

} // namespace px
