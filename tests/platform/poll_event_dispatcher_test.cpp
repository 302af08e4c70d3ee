#include "platform/poll_event_dispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

#include <unistd.h>

namespace px {
namespace {

// Runs `body` on a thread whose event loop is the tool's own.
void onOwnLoop(const std::function<void()>& body)
{
    std::unique_ptr<QThread> thread(QThread::create(body));
    thread->setEventDispatcher(new PollEventDispatcher);
    thread->start();
    ASSERT_TRUE(thread->wait(20000));
}

// Turns the event loop once, waiting for something to happen.
void turn()
{
    QThread::currentThread()->eventDispatcher()->processEvents(QEventLoop::WaitForMoreEvents);
}

TEST(PollEventDispatcher, PostedEventsThenReadyNotifiersThenDueTimersEachOncePerTurn)
{
    onOwnLoop([] {
        QObject context;
        QStringList seen;
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        QSocketNotifier readable(ends[0], QSocketNotifier::Read);
        QObject::connect(&readable, &QSocketNotifier::activated, &context, [&] {
            char byte;
            ASSERT_EQ(::read(ends[0], &byte, 1), 1);
            seen << QStringLiteral("notifier");
        });
        QTimer zero;
        zero.setInterval(0);
        int zeroFired = 0;
        QTimer* late = nullptr;
        QObject::connect(&zero, &QTimer::timeout, &context, [&] {
            seen << QStringLiteral("zero timer");
            ++zeroFired;
            if (!late) {
                // A timer started while the timers are told waits for the next turn.
                late = new QTimer(&context);
                late->setSingleShot(true);
                QObject::connect(late, &QTimer::timeout, &context, [&] { seen << QStringLiteral("late timer"); });
                late->start(0);
            }
        });
        zero.start();
        ASSERT_EQ(::write(ends[1], "x", 1), 1);
        QMetaObject::invokeMethod(&context, [&] { seen << QStringLiteral("posted"); }, Qt::QueuedConnection);

        turn();
        EXPECT_EQ(seen, (QStringList{QStringLiteral("posted"), QStringLiteral("notifier"), QStringLiteral("zero timer")}));
        seen.clear();
        turn();
        EXPECT_EQ(seen, (QStringList{QStringLiteral("zero timer"), QStringLiteral("late timer")}));
        EXPECT_FALSE(late->isActive());

        // A timer stopped by another in the same turn is not told; one with an interval waits for it.
        QTimer stopped;
        stopped.start(0);
        QObject::connect(&stopped, &QTimer::timeout, &context, [&] { seen << QStringLiteral("stopped timer"); });
        zero.disconnect(&context);
        QObject::connect(&zero, &QTimer::timeout, &context, [&] { stopped.stop(); });
        QTimer interval;
        interval.setSingleShot(true);
        interval.setTimerType(Qt::PreciseTimer);
        int intervalFired = 0;
        QObject::connect(&interval, &QTimer::timeout, &context, [&] { ++intervalFired; });
        interval.start(30);
        EXPECT_GE(interval.remainingTime(), 0);
        EXPECT_LE(interval.remainingTime(), 30);
        seen.clear();
        QElapsedTimer clock;
        clock.start();
        while (!intervalFired && clock.elapsed() < 10000)
            turn();
        EXPECT_EQ(intervalFired, 1);
        EXPECT_TRUE(seen.isEmpty()) << seen.join(u',').toStdString();
        EXPECT_EQ(interval.remainingTime(), -1);
        ::close(ends[0]);
        ::close(ends[1]);
    });
}

TEST(PollEventDispatcher, NotifierSwitchedOffOrDeletedByAnotherIsToldNothing)
{
    onOwnLoop([] {
        int first[2];
        int second[2];
        int third[2];
        ASSERT_EQ(::pipe(first), 0);
        ASSERT_EQ(::pipe(second), 0);
        ASSERT_EQ(::pipe(third), 0);
        // Told in the order they were switched on.
        QSocketNotifier thirdReadable(third[0], QSocketNotifier::Read);
        auto* secondReadable = new QSocketNotifier(second[0], QSocketNotifier::Read);
        QSocketNotifier firstReadable(first[0], QSocketNotifier::Read);
        int secondTold = 0;
        int thirdTold = 0;
        int firstTold = 0;
        QObject::connect(secondReadable, &QSocketNotifier::activated, [&] { ++secondTold; });
        QObject::connect(&thirdReadable, &QSocketNotifier::activated, [&] {
            if (++thirdTold > 1)
                return;
            delete secondReadable;   // ready in this turn as well
            secondReadable = nullptr;
            firstReadable.setEnabled(false);
        });
        QObject::connect(&firstReadable, &QSocketNotifier::activated, [&] { ++firstTold; });
        for (const int fd : {first[1], second[1], third[1]})
            ASSERT_EQ(::write(fd, "x", 1), 1);
        turn();
        EXPECT_EQ(thirdTold, 1);
        EXPECT_EQ(secondTold, 0);
        EXPECT_EQ(firstTold, 0);

        // Switched on again, it is told of what still waits.
        firstReadable.setEnabled(true);
        turn();
        EXPECT_EQ(firstTold, 1);
        EXPECT_EQ(thirdTold, 2);   // its byte is still unread too
        for (const int fd : {first[0], first[1], second[0], second[1], third[0], third[1]})
            ::close(fd);
    });
}

TEST(PollEventDispatcher, AnotherThreadWakesTheWaitingLoopAndEndsIt)
{
    QEventLoop* running = nullptr;
    std::atomic<bool> told{false};
    std::atomic<QObject*> receiver{nullptr};
    std::unique_ptr<QThread> thread(QThread::create([&] {
        QObject context;
        QEventLoop loop;
        running = &loop;
        receiver = &context;
        loop.exec();   // waits with no timer and no notifier, until told from outside
        receiver = nullptr;
    }));
    thread->setEventDispatcher(new PollEventDispatcher);
    thread->start();
    while (!receiver)
        QThread::msleep(1);
    QMetaObject::invokeMethod(receiver.load(), [&] { told = true; }, Qt::QueuedConnection);
    for (int i = 0; i < 2000 && !told; ++i)
        QThread::msleep(5);
    EXPECT_TRUE(told);
    QMetaObject::invokeMethod(receiver.load(), [&] { running->exit(); }, Qt::QueuedConnection);
    EXPECT_TRUE(thread->wait(20000));
}

} // namespace
} // namespace px
