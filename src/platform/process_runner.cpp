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

namespace {

// The end of what an updater prints is what tells why it failed.
constexpr qsizetype kKeptOutputBytes = 64 * 1024;

} // namespace

ProcessRunner::ProcessRunner(std::chrono::milliseconds limit) : m_limit(limit) {}

ProgramRunner::Result ProcessRunner::run(const Request& request, const Countdown& countdown)
{
    Result result;
    // One wait at a time: the windows take no input while a program runs, so a second
    // start can only come from a programming error.
    if (m_process != nullptr)
        return result;

    auto* process = new QProcess;
    process->setProgram(request.program);
    if (!request.workingFolder.isEmpty())
        process->setWorkingDirectory(request.workingFolder);
#ifdef Q_OS_WIN
    process->setNativeArguments(request.parameters);
    // A GUI program starts console programs without a window by default; the updaters
    // show their progress in theirs unless the caller asks to hide it.
    const bool hidden = request.hidden;
    process->setCreateProcessArgumentsModifier([hidden](QProcess::CreateProcessArguments* args) {
        args->flags &= ~static_cast<DWORD>(CREATE_NO_WINDOW);
        args->flags |= hidden ? CREATE_NO_WINDOW : CREATE_NEW_CONSOLE;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = hidden ? SW_HIDE : SW_SHOWNORMAL;
    });
#else
    // Elsewhere a program opens its own windows as it likes.
    process->setArguments(QProcess::splitCommand(request.parameters));
#endif
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->closeWriteChannel();

    QByteArray output;
    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process, &output] {
        output += process->readAllStandardOutput();
        if (output.size() > kKeptOutputBytes)
            output.remove(0, output.size() - kKeptOutputBytes);
    });

    QEventLoop loop;
    bool started = false;
    bool ended = false;
    QObject::connect(process, &QProcess::started, &loop, [&] {
        started = true;
        loop.quit();
    });
    QObject::connect(process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    QObject::connect(process, &QProcess::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    process->start();
    // The start is reported by a signal too (at once where it fails before the fork).
    if (process->state() == QProcess::Starting)
        loop.exec();
    if (!started) {
        delete process;
        return result;
    }

    m_process = process;
    m_cancelled = false;
    QElapsedTimer clock;
    clock.start();
    const auto tellSecondsLeft = [&] {
        if (!countdown)
            return;
        const qint64 left = std::max<qint64>(0, m_limit.count() - clock.elapsed());
        countdown(static_cast<int>((left + 999) / 1000));
    };
    QTimer everySecond;
    everySecond.setInterval(1000);
    QObject::connect(&everySecond, &QTimer::timeout, &loop, tellSecondsLeft);
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setInterval(m_limit);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        // A program asked to end is waited for until it has (killed at worst).
        if (!m_cancelled)
            loop.quit();
    });
    if (!ended) {
        tellSecondsLeft();
        everySecond.start();
        deadline.start();
        // A program that ended while the countdown was told needs no wait.
        if (!ended)
            loop.exec();
    }
    everySecond.stop();
    deadline.stop();
    m_process = nullptr;

    if (ended) {
        output += process->readAllStandardOutput();
        if (output.size() > kKeptOutputBytes)
            output.remove(0, output.size() - kKeptOutputBytes);
        result.outcome = m_cancelled ? Outcome::Cancelled : Outcome::Ended;
        result.crashed = process->exitStatus() == QProcess::CrashExit;
        result.exitStatus = result.crashed ? 0 : process->exitCode();
        result.output = QString::fromLocal8Bit(output);
        delete process;
        // One more 10 ms wait after the end, as the updaters have always been given.
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
        return result;
    }
    // The program outlived the limit: it keeps running. Deleting the QProcess would kill
    // it, so the object is let go on purpose.
    process->disconnect();
    result.outcome = Outcome::LimitReached;
    result.output = QString::fromLocal8Bit(output);
    return result;
}

void ProcessRunner::cancel()
{
    if (m_process == nullptr || m_cancelled)
        return;
    m_cancelled = true;
    // Asked to end first; killed when it does not within the grace time. Either way the
    // finished signal ends the wait.
    m_process->terminate();
    QTimer::singleShot(m_endGrace, m_process, [process = m_process] {
        if (process->state() != QProcess::NotRunning)
            process->kill();
    });
}

} // namespace px
