#include "platform/sim/stdio_can_link.h"

#include "core/base/error.h"

#include <QDateTime>
#include <QSocketNotifier>

#ifdef Q_OS_WIN
#include <io.h>
#define PX_READ _read
#else
#include <unistd.h>
#define PX_READ ::read
#endif

namespace px {

StdioCanLink::StdioCanLink(int inputFd, std::FILE* output, QObject* parent)
    : CanLink(parent), m_inputFd(inputFd), m_output(output)
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
    // The descriptor is read only when it has something, so the event loop never blocks.
    m_notifier = new QSocketNotifier(static_cast<qintptr>(m_inputFd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StdioCanLink::readInput);
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
    std::fflush(m_output);
}

void StdioCanLink::send(const sim::CanFrame& frame)
{
    if (!m_open)
        return;
    const QByteArray line =
        sim::candumpLine(frame, QDateTime::currentMSecsSinceEpoch() * 1000, u"vcan0").toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_output);
    std::fflush(m_output);
}

void StdioCanLink::readInput()
{
    char buffer[4096];
    const auto n = PX_READ(m_inputFd, buffer, sizeof buffer);
    if (n > 0) {
        m_pending.append(buffer, static_cast<qsizetype>(n));
        takeLines(false);
        return;
    }
    // End of input (or an input that cannot be read): the rest is the last line.
    takeLines(true);
    if (m_notifier)
        m_notifier->setEnabled(false);
    Q_EMIT ended(n == 0 ? QStringLiteral("end of input") : QStringLiteral("the input cannot be read"));
}

void StdioCanLink::takeLines(bool atEnd)
{
    qsizetype from = 0;
    for (;;) {
        qsizetype end = m_pending.indexOf('\n', from);
        if (end < 0) {
            if (!atEnd || from >= m_pending.size())
                break;
            end = m_pending.size();
        }
        const QString line = QString::fromUtf8(m_pending.constData() + from, end - from).trimmed();
        from = end + 1;
        ++m_lineNumber;
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        QString error;
        if (const std::optional<sim::CanFrame> frame = sim::parseCandumpLine(line, &error))
            Q_EMIT received(*frame);
        else
            Q_EMIT problem(QStringLiteral("input line %1 skipped (%2): %3").arg(m_lineNumber).arg(error, line));
        if (!m_open)
            return;
    }
    m_pending.remove(0, std::min(from, m_pending.size()));
    // A line without an end that grows past any frame is no candump line: drop it.
    if (m_pending.size() > 4096) {
        m_pending.clear();
        Q_EMIT problem(QStringLiteral("input line %1 skipped: longer than any frame").arg(++m_lineNumber));
    }
}

} // namespace px
