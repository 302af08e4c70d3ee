#pragma once

#include "core/lang/message_ids.h"
#include "core/services/virtual_converter_ports.h"

#include <QBasicTimer>
#include <QByteArray>

#include <cstdio>
#include <memory>

class QSocketNotifier;

namespace px {

// CAN frames as text lines in the candump log format: read from a file descriptor
// (standard input), written to a stream (standard output), one line per frame. The end of
// the input ends the link; a line that is no frame is reported by `problem` and skipped,
// once per line whatever its length.
//
// The input is taken a few lines at a time, after the other socket notifiers of each
// turn of the event loop, so a Modbus request never waits behind a long run of frames;
// the frames written are collected and go out together at the end of each turn of the
// event loop.
class StdioCanLink final : public CanLink {
    Q_OBJECT
public:
    explicit StdioCanLink(int inputFd = 0, std::FILE* output = stdout, QObject* parent = nullptr);
    ~StdioCanLink() override;

    void open() override;
    void send(const sim::CanFrame& frame) override;
    void close() override;
    QString description() const override { return QStringLiteral("standard input and output"); }

    // A line longer than this is no candump line.
    static constexpr qsizetype kLongestLine = 4096;
    // Lines taken at each turn of the event loop, after its socket notifiers: a Modbus
    // request that comes meanwhile waits for no more than these.
    static constexpr int kLinesAtOnce = 8;

Q_SIGNALS:
    void problem(const QString& text);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void readInput();
    void takeLines();
    void takeLine(const char* begin, const char* end);
    void flushOutput();
    void watchTurns();
    void turned();
    void stopWatchingTurns();

    int m_inputFd = 0;
    std::FILE* m_output = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    // Timers of the event loop itself, cheaper than QTimer's signal at every turn.
    QBasicTimer m_more;              // takes the lines read but not yet taken, at every turn
    // Writes the frames sent when the event loop has turned: its dispatcher says so at
    // every turn, which costs less than a timer started for each frame and stopped again.
    // The link listens while frames are sent, and stops after a run of turns without any.
    QMetaObject::Connection m_turned;
    bool m_watchingTurns = false;
    int m_turnsWithoutFrames = 0;
    QByteArray m_pending;            // input read, from m_taken on not yet taken
    qsizetype m_taken = 0;
    // The lines of the frames sent, not yet written: m_outSize bytes at m_out.
    std::unique_ptr<char[]> m_out;
    qsizetype m_outSize = 0;
    bool m_open = false;
    bool m_inputEnded = false;
    Message m_endReason{msg::kEndOfInput};
    bool m_skippingLongLine = false; // the rest of a line too long to be a frame is dropped
    int m_lineNumber = 0;
};

} // namespace px
