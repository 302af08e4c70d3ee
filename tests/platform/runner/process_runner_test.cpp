#include "platform/process_runner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

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
    EXPECT_EQ(runner.run(script, QStringLiteral("-p \"C:\\Program Files\\bin\\\\\" --fast"), false,
                         [&told](int seconds) { told.push_back(seconds); }),
              ProgramRunner::Outcome::Ended);
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
    EXPECT_EQ(runner.run(script, QString(), false, [&told](int seconds) { told.push_back(seconds); }),
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
    EXPECT_EQ(runner.run(QStringLiteral("/nonexistent/Ethernet_Update.exe"), QStringLiteral("x"), false,
                         [&told](int) { told = true; }),
              ProgramRunner::Outcome::NotStarted);
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(told);
}

} // namespace
} // namespace px
