#include "core/sim/replay.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/lang/message_ids.h"

#include <QFile>

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace px::sim {
namespace {

// "(1700000000.123456)" in microseconds; nothing when the part is no time stamp.
std::optional<qint64> stampMicros(QStringView part)
{
    if (!part.startsWith(u'(') || !part.endsWith(u')'))
        return std::nullopt;
    part = part.mid(1, part.size() - 2);
    const qsizetype dot = part.indexOf(u'.');
    bool ok = false;
    const qint64 seconds = (dot < 0 ? part : part.left(dot)).toLongLong(&ok);
    if (!ok || seconds < 0)
        return std::nullopt;
    qint64 micros = 0;
    if (dot >= 0) {
        QStringView fraction = part.mid(dot + 1).left(6);
        if (fraction.isEmpty())
            return std::nullopt;
        micros = fraction.toLongLong(&ok);
        if (!ok || micros < 0)
            return std::nullopt;
        for (qsizetype i = fraction.size(); i < 6; ++i)
            micros *= 10;
    }
    return seconds * 1000000 + micros;
}

// Frames go into the converter in batches of this many before the event loop turns.
constexpr std::size_t kBatch = 2000;

} // namespace

std::vector<TimedFrame> readCandumpLog(const QByteArray& bytes, const QString& fileLabel)
{
    std::vector<TimedFrame> frames;
    const QString text = QString::fromUtf8(bytes);
    std::optional<qint64> first;
    qint64 last = 0;
    int lineNumber = 0;
    for (QStringView line : QStringView(text).split(u'\n')) {
        ++lineNumber;
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        QString error;
        const std::optional<CanFrame> frame = parseCandumpLine(line, &error);
        if (!frame)
            throw Error(msg::kCaptureLineFault, {fileLabel, lineNumber, error});
        qint64 stamp = last;
        if (line.startsWith(u'(')) {
            const std::optional<qint64> micros = stampMicros(line.left(line.indexOf(u' ')));
            if (!micros)
                throw Error(msg::kCaptureTimeStamp, {fileLabel, lineNumber});
            if (!first)
                first = *micros;
            // A capture whose times run backwards keeps its order; the frame comes at once.
            stamp = std::max(last, *micros - *first);
        }
        last = stamp;
        frames.push_back({stamp, *frame});
    }
    if (frames.empty())
        throw Error(msg::kCaptureNoFrame, {fileLabel});
    return frames;
}

std::vector<TimedFrame> readCandumpLogFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(msg::kCannotReadCapture, {displayPath(path), file.errorString()});
    return readCandumpLog(file.readAll(), displayPath(path));
}

Replay::Replay(std::vector<TimedFrame> frames, std::function<void(const CanFrame&)> feed, double speed,
               ManualClock* clock, QObject* parent)
    : QObject(parent), m_frames(std::move(frames)), m_feed(std::move(feed)), m_speed(speed), m_clock(clock)
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Replay::playDue);
}

void Replay::start()
{
    if (m_running)
        return;
    if (m_speed <= 0 && !m_clock)
        throw Error(msg::kReplayNeedsClock);
    m_running = true;
    m_next = 0;
    if (m_clock)
        m_clockBase = m_clock->now();
    m_elapsed.start();
    m_timer->start(0);
}

void Replay::stop()
{
    m_running = false;
    m_timer->stop();
}

void Replay::playDue()
{
    if (!m_running)
        return;
    if (m_speed <= 0) {
        const std::size_t end = std::min(m_frames.size(), m_next + kBatch);
        for (; m_next < end && m_running; ++m_next) {
            const TimedFrame& f = m_frames[m_next];
            m_clock->setNow(m_clockBase + f.micros / 1000);
            m_feed(f.frame);
        }
    } else {
        const double now = static_cast<double>(m_elapsed.nsecsElapsed()) / 1000.0 * m_speed;   // capture microseconds
        for (std::size_t n = 0; m_next < m_frames.size() && m_running && n < kBatch; ++m_next, ++n) {
            if (static_cast<double>(m_frames[m_next].micros) > now)
                break;
            m_feed(m_frames[m_next].frame);
        }
    }
    if (!m_running)
        return;
    if (m_next >= m_frames.size()) {
        m_running = false;
        Q_EMIT finished(static_cast<int>(m_frames.size()));
        return;
    }
    int wait = 0;
    if (m_speed > 0) {
        const double now = static_cast<double>(m_elapsed.nsecsElapsed()) / 1000.0 * m_speed;
        const double due = static_cast<double>(m_frames[m_next].micros);
        wait = due > now ? static_cast<int>(std::min(std::ceil((due - now) / 1000.0 / m_speed), 3600000.0)) : 0;
    }
    m_timer->start(wait);
}

} // namespace px::sim
