#pragma once

#include "core/sim/can_frame.h"
#include "core/sim/simulator.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QTimer;

namespace px::sim {

// A frame of a capture with its time stamp.
struct TimedFrame {
    qint64 micros = 0;   // microseconds since the capture's first frame
    CanFrame frame;
};

// The frames of a candump log ("(1700000000.123456) can0 181#1122", remote requests as
// "181#R"), in the order written, timed from the first frame. A line without a time stamp
// takes the time of the line before it; blank lines are passed over. Throws px::Error
// naming `fileLabel`, the line and the cause at the first line that is no frame, or when
// the log holds no frame at all.
std::vector<TimedFrame> readCandumpLog(const QByteArray& bytes, const QString& fileLabel);
// The same from a file; throws px::Error naming it when it cannot be read.
std::vector<TimedFrame> readCandumpLogFile(const QString& path);

// A clock set by hand: the time a replay as fast as possible gives the converter.
class ManualClock final : public Clock {
public:
    Millis now() const override { return m_now; }
    void setNow(Millis now) { m_now = std::max(m_now, now); }

private:
    Millis m_now = 0;
};

// Plays captured frames into a virtual converter. Paced, each frame goes in at its time in
// the capture divided by the speed, on the computer's clock. As fast as possible, every
// frame goes in at once in order, with `clock` (the converter's own) set to the frame's time
// in the capture first, so the converter's time-outs and timers run on the capture's time;
// the frames go in batches so the event loop keeps turning.
class Replay final : public QObject {
    Q_OBJECT
public:
    // `speed` above 0 paces the frames; 0 plays them as fast as possible, which needs
    // `clock`, the converter's manual clock.
    Replay(std::vector<TimedFrame> frames, std::function<void(const CanFrame&)> feed, double speed,
           ManualClock* clock = nullptr, QObject* parent = nullptr);

    void start();
    void stop();
    bool isRunning() const { return m_running; }
    std::size_t framesPlayed() const { return m_next; }
    std::size_t frameCount() const { return m_frames.size(); }

Q_SIGNALS:
    // Every frame was played.
    void finished(int frames);

private:
    void playDue();

    std::vector<TimedFrame> m_frames;
    std::function<void(const CanFrame&)> m_feed;
    double m_speed = 1.0;
    ManualClock* m_clock = nullptr;
    Millis m_clockBase = 0;
    QTimer* m_timer = nullptr;
    QElapsedTimer m_elapsed;
    std::size_t m_next = 0;
    bool m_running = false;
};

} // namespace px::sim
