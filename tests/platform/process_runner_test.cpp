#include "platform/process_runner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace px {
namespace {

QString writeScript(const QTemporaryDir& dir, const char* name, const QByteArray& body)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(ProcessRunner, WaitsForAProgramThatEndsAndPassesItsParameters)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("args.txt"));
    const QString script =
        writeScript(dir, "quick.sh", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"" + out.toUtf8() + "\"\nexit 3\n");
    ProcessRunner runner;
    QElapsedTimer t;
    t.start();
    std::vector<int> told;
    const ProgramRunner::Result result =
        runner.run({script, QStringLiteral("-p \"C:\\Program Files\\bin\\\\\" --fast"), false, {}},
                   [&told](int seconds) { told.push_back(seconds); });
    EXPECT_EQ(result.outcome, ProgramRunner::Outcome::Ended);
    EXPECT_EQ(result.exitStatus, 3) << "the exit status is passed on";
    EXPECT_FALSE(result.succeeded());
    EXPECT_LT(t.elapsed(), 5000);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front(), 150) << "the whole wait is announced at the start";
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "the program did not run";
    EXPECT_EQ(f.readAll(), QByteArray("[-p]\n[C:\\Program Files\\bin\\\\]\n[--fast]\n"));
}

TEST(ProcessRunner, LeavesAProgramRunningPastTheLimit)
{
    QTemporaryDir dir;
    const QString done = dir.filePath(QStringLiteral("done"));
    const QString script = writeScript(dir, "slow.sh", "sleep 2\ntouch \"" + done.toUtf8() + "\"\n");
    ProcessRunner runner(std::chrono::milliseconds(1200));
    std::vector<int> told;
    EXPECT_EQ(runner.run({script, QString(), false, {}}, [&told](int seconds) { told.push_back(seconds); }).outcome,
              ProgramRunner::Outcome::LimitReached);
    // Announced at the start and again after a second, counting down.
    ASSERT_GE(told.size(), 2u);
    EXPECT_EQ(told[0], 2);
    EXPECT_EQ(told[1], 1);
    // The wait ended at the limit, before the program did; the program goes on to its end.
    EXPECT_FALSE(QFileInfo::exists(done));
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(done) && t.elapsed() < 10000)
        QThread::msleep(50);
    EXPECT_TRUE(QFileInfo::exists(done)) << "the program was stopped at the limit";
}

TEST(ProcessRunner, AProgramThatCannotStartReturnsAtOnce)
{
    ProcessRunner runner;
    QElapsedTimer t;
    t.start();
    bool told = false;
    EXPECT_EQ(runner.run({QStringLiteral("/nonexistent/Ethernet_Update.exe"), QStringLiteral("x"), false, {}},
                         [&told](int) { told = true; })
                  .outcome,
              ProgramRunner::Outcome::NotStarted);
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(told);
}

// The updater's own view: the working folder it was started in, what it printed on both
// channels (the end of it when long), and how it ended.
TEST(ProcessRunner, RunsInTheWorkingFolderAndKeepsWhatTheProgramPrinted)
{
    QTemporaryDir dir;
    QTemporaryDir work;
    const QString script = writeScript(dir, "print.sh",
                                       "echo \"in $(pwd)\"\necho 'to stderr' >&2\n"
                                       "head -c 70000 /dev/zero | tr '\\0' x\necho\necho last line\nexit 0\n");
    ProcessRunner runner;
    const ProgramRunner::Result result = runner.run({script, QString(), false, work.path()}, {});
    EXPECT_TRUE(result.succeeded());
    EXPECT_LE(result.output.size(), 64 * 1024);
    EXPECT_TRUE(result.output.endsWith(QStringLiteral("last line\n"))) << "the end is kept";

    const QString head = writeScript(dir, "head.sh", "echo \"in $(pwd)\"\necho 'to stderr' >&2\nkill -9 $$\n");
    const ProgramRunner::Result crashed = runner.run({head, QString(), false, work.path()}, {});
    EXPECT_EQ(crashed.outcome, ProgramRunner::Outcome::Ended);
    EXPECT_TRUE(crashed.crashed);
    EXPECT_FALSE(crashed.succeeded());
    EXPECT_EQ(crashed.output, QStringLiteral("in %1\nto stderr\n").arg(QFileInfo(work.path()).canonicalFilePath()));
}

// Cancel during the wait ends the program (a program that ignores the request to end is
// killed after the grace time) and the wait reports it; the countdown keeps the loop
// running meanwhile, so the request can come from a timer or a click.
TEST(ProcessRunner, CancelDuringTheWaitEndsTheProgram)
{
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray body;
    } programs[] = {
        {"polite.sh", "sleep 30\n"},
        {"stubborn.sh", "trap '' TERM\nwhile true; do sleep 0.1; done\n"},
    };
    for (const auto& p : programs) {
        ProcessRunner runner;
        runner.m_endGrace = std::chrono::milliseconds(300);
        const QString script = writeScript(dir, p.name, p.body);
        QTimer::singleShot(200, [&runner] { runner.cancel(); });
        QElapsedTimer t;
        t.start();
        const ProgramRunner::Result result = runner.run({script, QString(), false, {}}, {});
        EXPECT_EQ(result.outcome, ProgramRunner::Outcome::Cancelled) << p.name;
        EXPECT_LT(t.elapsed(), 10000) << p.name;
        runner.cancel(); // nothing waited for: nothing happens
    }
}

} // namespace
} // namespace px
