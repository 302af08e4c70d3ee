#include "platform/sim/stdio_can_link.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <unistd.h>

namespace px {
namespace {

// Runs `body` in a thread of its own on the command-line tool's event loop: Qt's own, not
// GLib's (see the tool's main).
void onQtsOwnEventLoop(const std::function<void()>& body)
{
    std::unique_ptr<QThread> thread(QThread::create(body));
    const bool glibChosen = !qEnvironmentVariableIsSet("QT_NO_GLIB");
    qputenv("QT_NO_GLIB", "1");
    thread->start();
    while (thread->isRunning() && !thread->eventDispatcher())
        QThread::yieldCurrentThread();   // the thread makes its loop as it starts
    if (glibChosen)
        qunsetenv("QT_NO_GLIB");
    ASSERT_TRUE(thread->wait(20000));
}

TEST(StdioCanLink, OneMessagePerRefusedLineWithItsNumberHoweverLongTheLine)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::FILE* output = std::tmpfile();
    StdioCanLink link(fds[0], output);
    QStringList problems;
    QStringList frames;
    QString ended;
    QObject::connect(&link, &StdioCanLink::problem, [&](const QString& text) { problems << text; });
    QObject::connect(&link, &CanLink::received, [&](const sim::CanFrame& f) {
        frames << QString::number(f.id, 16) + u'#' + QString::number(f.data[0], 16);
        link.send(f);   // echoed, as the converter answers
    });
    QObject::connect(&link, &CanLink::ended, [&](const Message& reason) { ended = reason.englishText(); });
    link.open();

    std::thread writer([fd = fds[1]] {
        const auto put = [fd](const QByteArray& bytes) {
            for (qsizetype at = 0; at < bytes.size();) {
                const auto n = ::write(fd, bytes.constData() + at, static_cast<std::size_t>(bytes.size() - at));
                if (n <= 0)
                    return;
                at += n;
            }
        };
        put("(1.0) vcan0 181#11\n");
        put(QByteArray(50 * 1024 * 1024, 'x'));   // line 2, one line of 50 MB
        put("\n# a comment\n\nbad\n");
        put(QByteArray(5000, 'y') + "\n");        // line 6, longer than any frame but whole
        put("181#22\n182#33");                    // the last line has no line end
        ::close(fd);
    });
    QDeadlineTimer deadline(60000);
    while (ended.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    writer.join();
    ::close(fds[0]);

    EXPECT_EQ(ended, QStringLiteral("end of input"));
    EXPECT_EQ(frames, (QStringList{QStringLiteral("181#11"), QStringLiteral("181#22"), QStringLiteral("182#33")}));
    EXPECT_EQ(problems, (QStringList{QStringLiteral("input line 2 skipped: longer than any frame"),
                                     QStringLiteral("input line 5 skipped (no '#' between identifier and data): bad"),
                                     QStringLiteral("input line 6 skipped: longer than any frame")}));
    link.close();
    std::rewind(output);
    char text[4096] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, output);
    std::fclose(output);
    const QStringList lines = QString::fromLatin1(text, static_cast<qsizetype>(n)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(") vcan0 181#11"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(") vcan0 182#33"))) << lines[2].toStdString();
}

// A Modbus request that comes while candump lines wait is told before the next batch of
// lines is taken: each turn of the event loop takes a batch, after the turn's notifiers.
TEST(StdioCanLink, TakesABatchOfLinesPerTurnAfterTheOtherNotifiers)
{
    onQtsOwnEventLoop([] {
        int input[2];
        int request[2];
        ASSERT_EQ(::pipe(input), 0);
        ASSERT_EQ(::pipe(request), 0);
        QByteArray lines;
        for (int i = 0; i < 3 * StdioCanLink::kLinesAtOnce; ++i)
            lines += "181#" + QByteArray::number(i % 256, 16).rightJustified(2, '0') + '\n';
        ASSERT_EQ(::write(input[1], lines.constData(), static_cast<std::size_t>(lines.size())), lines.size());
        ASSERT_EQ(::write(request[1], "r", 1), 1);

        std::FILE* output = std::tmpfile();
        StdioCanLink link(input[0], output);
        int frames = 0;
        QObject::connect(&link, &CanLink::received, [&] { ++frames; });
        link.open();
        QSocketNotifier requests(request[0], QSocketNotifier::Read);   // switched on after the link's
        QList<int> framesBeforeRequest;
        QObject::connect(&requests, &QSocketNotifier::activated, [&] {
            char byte;
            ASSERT_EQ(::read(request[0], &byte, 1), 1);
            framesBeforeRequest << frames;
        });
        const auto turn = [] { QThread::currentThread()->eventDispatcher()->processEvents(QEventLoop::WaitForMoreEvents); };
        turn();
        EXPECT_EQ(framesBeforeRequest, QList<int>{0});
        EXPECT_EQ(frames, StdioCanLink::kLinesAtOnce);
        ASSERT_EQ(::write(request[1], "r", 1), 1);
        turn();
        EXPECT_EQ(framesBeforeRequest, (QList<int>{0, StdioCanLink::kLinesAtOnce}));
        EXPECT_EQ(frames, 2 * StdioCanLink::kLinesAtOnce);
        link.close();
        std::fclose(output);
        for (const int fd : {input[0], input[1], request[0], request[1]})
            ::close(fd);
    });
}

// The frames sent during a turn of the event loop are written together, in the order sent,
// when it has turned; so is a frame sent after a long run of turns without any. On the
// windows' event loop and on the command-line tool's.
TEST(StdioCanLink, WritesTheFramesOfATurnInOrderWhenTheEventLoopHasTurned)
{
    const auto body = [] {
        int input[2];
        ASSERT_EQ(::pipe(input), 0);
        std::FILE* output = std::tmpfile();
        const auto written = [output] {
            char text[4096];
            const auto n = ::pread(fileno(output), text, sizeof text, 0);
            return QString::fromLatin1(text, std::max<qsizetype>(n, 0)).split(u'\n', Qt::SkipEmptyParts);
        };
        const auto turn = [] { QThread::currentThread()->eventDispatcher()->processEvents(QEventLoop::AllEvents); };
        const auto frame = [](std::uint32_t id, std::uint8_t byte) {
            sim::CanFrame f;
            f.id = id;
            f.length = 1;
            f.data[0] = byte;
            return f;
        };
        {
            StdioCanLink link(input[0], output);
            link.open();
            turn();
            link.send(frame(0x181, 1));
            link.send(frame(0x182, 2));
            link.send(frame(0x181, 3));
            EXPECT_TRUE(written().isEmpty());   // one write for the turn, not one per frame
            turn();
            const QStringList lines = written();
            ASSERT_EQ(lines.size(), 3);
            EXPECT_TRUE(lines[0].endsWith(QStringLiteral(") vcan0 181#01"))) << lines[0].toStdString();
            EXPECT_TRUE(lines[1].endsWith(QStringLiteral(") vcan0 182#02"))) << lines[1].toStdString();
            EXPECT_TRUE(lines[2].endsWith(QStringLiteral(") vcan0 181#03"))) << lines[2].toStdString();
            for (int i = 0; i < 200; ++i)
                turn();
            link.send(frame(0x301, 0x42));
            turn();
            EXPECT_EQ(written().size(), 4);
            EXPECT_TRUE(written().value(3).endsWith(QStringLiteral(") vcan0 301#42")));
            link.send(frame(0x301, 0x43));
        }
        EXPECT_TRUE(written().value(4).endsWith(QStringLiteral(") vcan0 301#43")));   // closing writes what waits
        std::fclose(output);
        ::close(input[0]);
        ::close(input[1]);
    };
    body();
    onQtsOwnEventLoop(body);
}

} // namespace
} // namespace px
