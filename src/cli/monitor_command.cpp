// px40318 monitor DIR: the real bus and the real device compared with the configuration.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/config/configuration.h"
#include "core/image/compiler.h"
#include "core/lang/message_table.h"
#include "core/sim/event_text.h"
#include "core/sim/monitor_export.h"
#include "core/sim/monitor_session.h"
#include "platform/sim/monitor_ports_qt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cmath>

namespace px::cli {

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void requestMonitorStop(int)
{
    g_stopRequested = true;
}

// The summary as lines of text: the summary line, then what needs a look.
QString summaryText(const sim::Monitor& monitor, sim::Millis now, const QDateTime& start)
{
    const MessageTable english;
    const sim::MonitorSummary s = monitor.summary(now);
    QStringList lines{sim::summaryLine(s, english)};
    for (const QString& frame : s.neverSeen)
        lines << QStringLiteral("Never seen: %1").arg(frame);
    for (const sim::WatchedFrame& w : monitor.frames()) {
        if (w.timeout != 0 && w.timeOuts(now) > 0)
            lines << QStringLiteral("Time-out would have fired %1 times: %2 (time-out %3 ms, longest gap %4 ms)")
                         .arg(w.timeOuts(now))
                         .arg(monitor.frameLabel(w.ref))
                         .arg(w.timeout)
                         .arg(std::max(w.longestGap, now - w.lastSeen));
        if (w.wrongLength > 0)
            lines << QStringLiteral("Length %1 instead of %2 in %3 frames: %4")
                         .arg(w.lastData.length)
                         .arg(w.configured.length)
                         .arg(w.wrongLength)
                         .arg(monitor.frameLabel(w.ref));
    }
    const double seconds = std::max(static_cast<double>(s.duration) / 1000.0, 0.001);
    for (const sim::UnknownIdentifier& u : monitor.unknownIdentifiers()) {
        sim::CanFrame f;
        f.id = u.id;
        f.extended = u.extended;
        lines << QStringLiteral("Unknown identifier %1: %2 frames, %3 per second")
                     .arg(sim::identifierText(f))
                     .arg(u.count)
                     .arg(static_cast<double>(u.count) / seconds, 0, 'f', 1);
    }
    for (const sim::WatchedRegister& r : monitor.registers()) {
        if (r.mismatches == 0)
            continue;
        lines << QStringLiteral("Mismatch%1: register %2 reads %3, expected %4, since %5 (%6)")
                     .arg(r.marked ? QString() : QStringLiteral(" (ended)"))
                     .arg(r.reg)
                     .arg(r.device ? QString::number(*r.device) : QStringLiteral("nothing"))
                     .arg(r.expected)
                     .arg(sim::clockText(start, *r.lastMismatchBegan), r.source);
    }
    if (!s.lastPollFailure.isEmpty())
        lines << QStringLiteral("Last failed poll: %1").arg(s.lastPollFailure);
    return lines.join(u'\n') + u'\n';
}

} // namespace

int runMonitorCommand(const Arguments& args)
{
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    if (!args.isSet(QStringLiteral("can")))
        return args.usageError(QStringLiteral("--can names the bus to watch: virtualcan or PLUGIN:INTERFACE"));
    const QString canChoice = args.value(QStringLiteral("can"));
    sim::MonitorOptions options;
    if (args.isSet(QStringLiteral("modbus"))) {
        std::optional<Message> error;
        options.device = parseDeviceAddress(args.value(QStringLiteral("modbus")), &error);
        if (!options.device)
            return args.usageError(QStringLiteral("--modbus: %1").arg(error ? error->englishText() : QString()));
    }
    const auto number = [&args](const char* option, int low, int high, int fallback, bool* ok) {
        *ok = true;
        if (!args.isSet(QLatin1StringView(option)))
            return fallback;
        const int value = args.value(QLatin1StringView(option)).toInt(ok);
        *ok = *ok && value >= low && value <= high;
        return value;
    };
    bool ok = false;
    const int unit = number("unit", 0, 255, 1, &ok);
    if (!ok)
        return args.usageError(QStringLiteral("--unit takes a number from 0 to 255"));
    const int poll = number("poll", 10, 3600000, 1000, &ok);
    if (!ok)
        return args.usageError(QStringLiteral("--poll takes a number of milliseconds from 10 to 3600000"));
    const int function = number("function", 3, 4, 3, &ok);
    if (!ok)
        return args.usageError(QStringLiteral("--function takes 3 (holding registers) or 4 (input registers)"));
    double duration = 0;
    if (args.isSet(QStringLiteral("duration"))) {
        duration = args.value(QStringLiteral("duration")).toDouble(&ok);
        if (!ok || !(duration > 0) || duration > 7 * 24 * 3600.0)
            return args.usageError(QStringLiteral("--duration takes a number of seconds above 0"));
    }
    if (options.device) {
        options.device->unit = static_cast<std::uint8_t>(unit);
        options.device->function = static_cast<std::uint8_t>(function);
    }
    options.pollPeriod = poll;
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    const bool json = args.isSet(QStringLiteral("json"));

    try {
        const config::Configuration configuration = config::readConfiguration(dir);
        image::CompileInput input = image::CompileInput::fromFolder(dir);
        const QByteArray bank2 = image::compileConfiguration(input).bank2;
        const std::uint32_t bitRate = sim::Converter::fromImage(bank2, 0).canBitRate();
        MonitorPortsQt ports;
        sim::SteadyClock clock;
        sim::MonitorSession session(bank2, configuration, clock, ports.busListener(canChoice, bitRate),
                                    options.device ? ports.devicePoller() : nullptr, options);
        session.start();
        if (!json) {
            QString where = QStringLiteral("Monitor of %1: CAN on %2").arg(px::displayPath(dir), session.canDescription());
            if (options.device)
                where += QStringLiteral(", device %1 port %2 unit %3 read with function %4 every %5 ms (%6 registers in %7 requests)")
                             .arg(options.device->host)
                             .arg(options.device->port)
                             .arg(unit)
                             .arg(function)
                             .arg(poll)
                             .arg(session.monitor().registers().size())
                             .arg(session.monitor().pollBlocks().size());
            printOut(where + u'\n');
        }
        int status = kSuccess;
        QObject::connect(&session, &sim::MonitorSession::ended, &session, [&](const Message& reason) {
            std::fprintf(stderr, "px40318: %s\n", qPrintable(reason.englishText()));
            QCoreApplication::exit(kFailure);
        });
        g_stopRequested = false;
        std::signal(SIGINT, requestMonitorStop);
        std::signal(SIGTERM, requestMonitorStop);
        QTimer stopCheck;
        QObject::connect(&stopCheck, &QTimer::timeout, &session, [&] {
            if (g_stopRequested)
                QCoreApplication::exit(kSuccess);
        });
        stopCheck.start(50);
        QTimer end;
        end.setSingleShot(true);
        QObject::connect(&end, &QTimer::timeout, &session, [] { QCoreApplication::exit(kSuccess); });
        if (duration > 0)
            end.start(static_cast<int>(std::lround(duration * 1000)));
        status = QCoreApplication::exec();
        const sim::Millis now = session.now();
        session.stop();
        if (json)
            printOut(QString::fromUtf8(sim::summaryJson(session.monitor(), now, session.startTime())) + u'\n');
        else
            printOut(summaryText(session.monitor(), now, session.startTime()));
        if (status != kSuccess)
            return status;
        return session.monitor().summary(now).passed() ? kSuccess : kFailure;
    } catch (const px::Error& e) {
        return failure(e.text());
    }
}

} // namespace px::cli
