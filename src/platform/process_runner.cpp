#include "platform/process_runner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace px {

ProcessRunner::ProcessRunner(std::chrono::milliseconds limit) : m_limit(limit) {}

ProgramRunner::Outcome ProcessRunner::run(const QString& program, const QString& parameters, bool hidden,
                                          const Countdown& countdown)
{
    auto* process = new QProcess;
    process->setProgram(program);
#ifdef Q_OS_WIN
    process->setNativeArguments(parameters);
    // A GUI program starts console programs without a window by default; the updaters
    // show their progress in theirs unless the caller asks to hide it.
    process->setCreateProcessArgumentsModifier([hidden](QProcess::CreateProcessArguments* args) {
        args->flags &= ~static_cast<DWORD>(CREATE_NO_WINDOW);
        args->flags |= hidden ? CREATE_NO_WINDOW : CREATE_NEW_CONSOLE;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = hidden ? SW_HIDE : SW_SHOWNORMAL;
    });
#else
    Q_UNUSED(hidden) // elsewhere a program opens its own windows as it likes
    process->setArguments(QProcess::splitCommand(parameters));
#endif
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    if (!process->waitForStarted(5000)) {
        delete process;
        return Outcome::NotStarted;
    }

    QElapsedTimer clock;
    clock.start();
    const auto tellSecondsLeft = [&] {
        if (!countdown)
            return;
        const qint64 left = std::max<qint64>(0, m_limit.count() - clock.elapsed());
        countdown(static_cast<int>((left + 999) / 1000));
    };
    tellSecondsLeft();
    QEventLoop loop;
    QTimer everySecond;
    everySecond.setInterval(1000);
    QObject::connect(&everySecond, &QTimer::timeout, &loop, tellSecondsLeft);
    everySecond.start();
    QTimer poll;
    poll.setInterval(10);
    bool ended = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (process->state() == QProcess::NotRunning) {
            ended = true;
            loop.quit();
        } else if (clock.elapsed() >= m_limit.count()) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec();
    poll.stop();
    everySecond.stop();

    if (ended) {
        // One more 10 ms wait after the end, as the updaters have always been given.
        QEventLoop settle;
        QTimer::singleShot(10, &settle, &QEventLoop::quit);
        settle.exec();
        delete process;
        return Outcome::Ended;
    }
    // The program outlived the limit: it keeps running. Deleting the QProcess would kill
    // it, so the object is let go on purpose.
    process->disconnect();
    return Outcome::LimitReached;
}

} // namespace px
