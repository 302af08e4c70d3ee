#include "platform/process_runner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

namespace px {

ProcessRunner::ProcessRunner(std::chrono::milliseconds limit) : m_limit(limit) {}

void ProcessRunner::run(const QString& program, const QString& parameters, bool hidden)
{
    Q_UNUSED(hidden) // a window of its own is only a matter on Windows, where the updaters run shown
    auto* process = new QProcess;
    process->setProgram(program);
#ifdef Q_OS_WIN
    process->setNativeArguments(parameters);
#else
    process->setArguments(QProcess::splitCommand(parameters));
#endif
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    if (!process->waitForStarted(5000)) {
        // A program that does not start is not reported; the caller goes on.
        delete process;
        return;
    }

    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
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

    if (ended) {
        // One more 10 ms wait after the end, as the updaters have always been given.
        QEventLoop settle;
        QTimer::singleShot(10, &settle, &QEventLoop::quit);
        settle.exec();
        delete process;
    } else {
        // The program outlived the limit: it keeps running. Deleting the QProcess would
        // kill it, so the object is let go on purpose.
        process->disconnect();
    }
}

} // namespace px
