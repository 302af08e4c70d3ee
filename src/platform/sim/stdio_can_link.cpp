#include "platform/sim/stdio_can_link.h"

#include "platform/sim/direct_notifier.h"

#include <QAbstractEventDispatcher>
#include <QDateTime>
#include <QTimerEvent>

#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#define PX_READ _read
#define PX_WRITE _write
#define PX_FILENO _fileno
#else
#include <cerrno>
#include <unistd.h>
#define PX_READ ::read
#define PX_WRITE ::write
#define PX_FILENO fileno
#endif

namespace px {
namespace {

// Input is read in pieces of this size, and frames written once this much waits.
constexpr qsizetype kChunk = 64 * 1024;

constexpr std::string_view kInterface = "vcan0";
// The longest line written for a frame, with its line end.
constexpr qsizetype kMostLineSize = sim::kMostCandumpLineSize + static_cast<qsizetype>(kInterface.size()) + 1;
// Turns of the event loop without a frame sent after which the link no longer listens to
// them (listening costs a little at every turn, starting again a little more).
constexpr int kMostTurnsWithoutFrames = 64;

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

StdioCanLink::StdioCanLink(int inputFd, std::FILE* output, QObject* parent)
    : CanLink(parent), m_inputFd(inputFd), m_output(output), m_out(new char[kChunk + kMostLineSize])
{
}

StdioCanLink::~StdioCanLink()
{
    close();
}

void StdioCanLink::open()
{
    if (m_open)
        return;
    m_open = true;
    m_inputEnded = false;
    // The lines go straight to the stream's descriptor: what the stream holds goes first.
    std::fflush(m_output);
    // The descriptor is read only when it has something, so the event loop never blocks.
    m_notifier = new DirectNotifier(static_cast<qintptr>(m_inputFd), QSocketNotifier::Read, this, [this] { readInput(); });
}

void StdioCanLink::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_more.timerId())
        takeLines();
    else
        CanLink::timerEvent(event);
}

void StdioCanLink::close()
{
    if (!m_open)
        return;
    m_open = false;
    // The notifier may be the sender of the signal being handled: delete it later.
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
    m_notifier = nullptr;
    m_more.stop();
    stopWatchingTurns();
    flushOutput();
}

void StdioCanLink::send(const sim::CanFrame& frame)
{
    if (!m_open)
        return;
    char* end = sim::writeCandumpLine(m_out.get() + m_outSize, frame, QDateTime::currentMSecsSinceEpoch() * 1000, kInterface);
    *end++ = '\n';
    m_outSize = end - m_out.get();
    if (m_outSize >= kChunk)
        flushOutput();
    else if (!m_watchingTurns)
        watchTurns();
}

// The frames sent during a turn of the event loop go out together once it has turned.
void StdioCanLink::watchTurns()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread());
    if (!dispatcher) {
        flushOutput();   // without an event loop, each frame goes out at once
        return;
    }
    m_turned = connect(dispatcher, &QAbstractEventDispatcher::awake, this, &StdioCanLink::turned);
    m_watchingTurns = true;
    m_turnsWithoutFrames = 0;
}

void StdioCanLink::turned()
{
    if (m_outSize > 0) {
        flushOutput();
        m_turnsWithoutFrames = 0;
    } else if (++m_turnsWithoutFrames == kMostTurnsWithoutFrames) {
        stopWatchingTurns();
    }
}

void StdioCanLink::stopWatchingTurns()
{
    if (!m_watchingTurns)
        return;
    disconnect(m_turned);
    m_watchingTurns = false;
}

void StdioCanLink::flushOutput()
{
    // One write for all the lines, not through the stream's buffer.
    const int fd = PX_FILENO(m_output);
    for (qsizetype at = 0; at < m_outSize;) {
        const auto n = PX_WRITE(fd, m_out.get() + at, static_cast<unsigned>(m_outSize - at));
        if (n <= 0) {
#ifndef Q_OS_WIN
            if (n < 0 && errno == EINTR)
                continue;
#endif
            break;   // an output that cannot be written (closed, full) loses the lines
        }
        at += n;
    }
    m_outSize = 0;
}

void StdioCanLink::readInput()
{
    if (!m_inputEnded && m_pending.size() - m_taken < kChunk) {
        m_pending.remove(0, m_taken);
        m_taken = 0;
        const qsizetype had = m_pending.size();
        m_pending.resize(had + kChunk);
        const auto n = PX_READ(m_inputFd, m_pending.data() + had, static_cast<unsigned>(kChunk));
        m_pending.resize(had + std::max<qsizetype>(n, 0));
        if (n <= 0) {
            // End of input (or an input that cannot be read): what is left is the last line.
            m_inputEnded = true;
            m_endReason = Message(n == 0 ? msg::kEndOfInput : msg::kInputCannotBeRead);
        }
    }
    // While a chunk's worth of lines waits to be taken, the input waits in the system.
    m_notifier->setEnabled(!m_inputEnded && m_pending.size() - m_taken < kChunk);
    // Lines are taken by the timer, a batch per turn of the event loop after the turn's
    // notifiers: a Modbus request that came meanwhile is answered first.
    if (!m_more.isActive())
        m_more.start(0, this);
}

void StdioCanLink::takeLines()
{
    int taken = 0;
    while (m_open && taken < kLinesAtOnce) {
        const char* data = m_pending.constData();
        const qsizetype size = m_pending.size();
        const char* begin = data + m_taken;
        const auto* end = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(size - m_taken)));
        if (m_skippingLongLine) {
            m_taken = end ? end - data + 1 : size;
            m_skippingLongLine = !end;
            if (!end)
                break;
            continue;
        }
        if (!end) {
            if (size - m_taken > kLongestLine) {
                // Reported now, its rest dropped as it comes.
                m_taken = size;
                m_skippingLongLine = true;
                ++m_lineNumber;
                Q_EMIT problem(QStringLiteral("input line %1 skipped: longer than any frame").arg(m_lineNumber));
                break;
            }
            if (!m_inputEnded || m_taken == size)
                break;
            end = data + size;   // the last line, without a line end
        }
        m_taken = std::min<qsizetype>(end - data + 1, size);
        ++taken;
        takeLine(begin, end);
    }
    if (!m_open)
        return;
    if (!m_inputEnded && !m_notifier->isEnabled() && m_pending.size() - m_taken < kChunk)
        m_notifier->setEnabled(true);   // room for the next chunk
    if (taken == kLinesAtOnce) {
        if (!m_more.isActive())
            m_more.start(0, this);   // the next batch after the event loop turned
        return;
    }
    m_more.stop();
    if (m_inputEnded) {
        flushOutput();
        Q_EMIT ended(m_endReason);
    }
}

void StdioCanLink::takeLine(const char* begin, const char* end)
{
    ++m_lineNumber;
    if (end - begin > kLongestLine) {
        Q_EMIT problem(QStringLiteral("input line %1 skipped: longer than any frame").arg(m_lineNumber));
        return;
    }
    const char* first = begin;
    while (first < end && isBlank(*first))
        ++first;
    bool ascii = true;
    for (const char* p = first; p < end && ascii; ++p)
        ascii = static_cast<unsigned char>(*p) < 0x80;
    if (ascii && (first == end || *first == '#'))
        return;
    QString error;
    if (ascii) {
        if (const std::optional<sim::CanFrame> frame =
                sim::parseCandumpLine(std::string_view(first, static_cast<std::size_t>(end - first)), &error)) {
            Q_EMIT received(*frame);
            return;
        }
    }
    // Text beyond ASCII, and every line refused, as text.
    const QString line = QString::fromUtf8(begin, end - begin).trimmed();
    if (line.isEmpty() || line.startsWith(u'#'))
        return;
    if (const std::optional<sim::CanFrame> frame = sim::parseCandumpLine(QStringView(line), &error))
        Q_EMIT received(*frame);
    else
        Q_EMIT problem(QStringLiteral("input line %1 skipped (%2): %3").arg(m_lineNumber).arg(error, line));
}

} // namespace px
