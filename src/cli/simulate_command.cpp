// px40318 simulate DIR: the configuration as a virtual converter on this computer.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/image/compiler.h"
#include "core/sim/event_text.h"
#include "core/sim/replay.h"
#include "core/sim/simulator.h"
#include "platform/sim/stdio_can_link.h"
#include "platform/sim/virtual_converter_ports_qt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace px::cli {

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void requestStop(int)
{
    g_stopRequested = true;
}

// Where the event log goes: a file (appended to) or a console stream, through a buffer
// that is written when it is full and when the event loop looks in. A write that fails
// (a full disk) is said once on standard error; logging stops and the run ends with
// status 1.
class LogOutput {
public:
    LogOutput() = default;
    LogOutput(const LogOutput&) = delete;
    LogOutput& operator=(const LogOutput&) = delete;
    ~LogOutput()
    {
        flush();
        if (m_ownsStream && m_stream)
            std::fclose(m_stream);
    }

    // False, with the cause in `error`, when the file cannot be opened.
    bool openFile(const QString& path, QString* error)
    {
        m_name = px::displayPath(path);
        QFile probe(path);   // the cause of a refusal in Qt's words
        m_stream = std::fopen(QFile::encodeName(path).constData(), "ab");
        if (!m_stream) {
            probe.open(QIODevice::Append);
            *error = QStringLiteral("Cannot write the log file %1: %2").arg(m_name, probe.errorString());
            return false;
        }
        m_ownsStream = true;
        std::setvbuf(m_stream, nullptr, _IOFBF, kBufferSize);
        return true;
    }
    void useConsole(std::FILE* stream)
    {
        m_name = stream == stderr ? QStringLiteral("standard error") : QStringLiteral("standard output");
        m_stream = stream;
        std::setvbuf(m_stream, nullptr, _IOFBF, kBufferSize);
    }

    bool isOn() const { return m_stream && !m_failed; }
    bool failed() const { return m_failed; }
    std::FILE* stream() const { return m_stream; }

    void write(const char* data, std::size_t size)
    {
        if (!isOn())
            return;
        if (std::fwrite(data, 1, size, m_stream) != size)
            fail();
    }
    void flush()
    {
        if (isOn() && std::fflush(m_stream) != 0)
            fail();
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    void fail()
    {
        m_failed = true;
        const int cause = errno;
        std::fprintf(stderr, "px40318: Cannot write the log file %s: %s; logging stopped\n", qPrintable(m_name),
                     std::strerror(cause));
        std::fflush(stderr);
    }

    std::FILE* m_stream = nullptr;
    bool m_ownsStream = false;
    bool m_failed = false;
    QString m_name;
};

} // namespace

int runSimulateCommand(const Arguments& args)
{
    QString dir = QDir::fromNativeSeparators(args.positional(0));
    const QString canChoice = args.isSet(QStringLiteral("can")) ? args.value(QStringLiteral("can")) : QStringLiteral("virtualcan");
    const QString address = args.isSet(QStringLiteral("address")) ? args.value(QStringLiteral("address")) : QStringLiteral("127.0.0.1");
    int port = 1502;
    if (args.isSet(QStringLiteral("port"))) {
        bool ok = false;
        port = args.value(QStringLiteral("port")).toInt(&ok);
        if (!ok || port < 0 || port > 65535)
            return args.usageError(QStringLiteral("--port takes a number from 0 to 65535 (0: any free port)"));
    }
    const bool replaying = args.isSet(QStringLiteral("replay"));
    const bool asFast = args.isSet(QStringLiteral("as-fast-as-possible"));
    double speed = 1.0;
    if (args.isSet(QStringLiteral("speed"))) {
        bool ok = false;
        speed = args.value(QStringLiteral("speed")).toDouble(&ok);
        if (!ok || !(speed >= 0.01) || speed > 10000)
            return args.usageError(QStringLiteral("--speed takes a factor from 0.01 to 10000"));
    }
    if ((args.isSet(QStringLiteral("speed")) || asFast) && !replaying)
        return args.usageError(QStringLiteral("--speed and --as-fast-as-possible go with --replay"));
    if (args.isSet(QStringLiteral("speed")) && asFast)
        return args.usageError(QStringLiteral("--speed and --as-fast-as-possible exclude each other"));
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));

    const bool stdio = canChoice == QStringLiteral("stdio");
    // In stdio mode standard output carries the frames; messages go to standard error.
    std::FILE* console = stdio ? stderr : stdout;
    LogOutput log;
    try {
        image::CompileInput input = image::CompileInput::fromFolder(dir);
        const QByteArray bank2 = image::compileConfiguration(input).bank2;
        std::vector<sim::TimedFrame> replayFrames;
        if (replaying)
            replayFrames = sim::readCandumpLogFile(QDir::fromNativeSeparators(args.value(QStringLiteral("replay"))));
        if (args.isSet(QStringLiteral("log"))) {
            const QString logPath = QDir::fromNativeSeparators(args.value(QStringLiteral("log")));
            QString error;
            if (logPath == QStringLiteral("-"))
                log.useConsole(console);
            else if (!log.openFile(logPath, &error))
                return failure(error);
        }
        // What the tool says (where it listens, input lines skipped, why it stopped) goes
        // to the console at once, and into the log file as well.
        auto say = [&](const QString& line) {
            const QByteArray bytes = line.toUtf8() + '\n';
            if (log.stream() != console) {
                std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), console);
                std::fflush(console);
            }
            log.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            log.flush();
        };

        VirtualConverterPortsQt ports;
        const std::uint32_t bitRate = sim::Converter::fromImage(bank2, 0).canBitRate();
        std::unique_ptr<CanLink> can = ports.canLink(canChoice, bitRate);
        if (auto* lines = qobject_cast<StdioCanLink*>(can.get()))
            QObject::connect(lines, &StdioCanLink::problem, lines, say);
        // As fast as possible, the converter runs on the capture's time.
        sim::SteadyClock steadyClock;
        sim::ManualClock captureClock;
        sim::Clock& clock = asFast ? static_cast<sim::Clock&>(captureClock) : steadyClock;
        sim::Simulator simulator(bank2, clock, std::move(can), ports.modbusEndpoint());
        simulator.start(address, static_cast<std::uint16_t>(port));
        // The event log costs more than the converter itself: made only when asked for.
        std::unique_ptr<sim::EventTextLog> events;
        if (log.isOn()) {
            events = std::make_unique<sim::EventTextLog>(
                simulator.startTime(), [&log](const char* data, std::size_t size) { log.write(data, size); });
            simulator.addObserver(events.get());
        }
        const sim::Converter& model = simulator.converter();
        say(QStringLiteral("Virtual converter of %1: Modbus TCP on %2 port %3, CAN on %4 (%5 receive frames, "
                           "%6 transmit frames, %7 register mappings)")
                .arg(px::displayPath(dir), address)
                .arg(simulator.port())
                .arg(simulator.canDescription())
                .arg(model.receiveFrames().size())
                .arg(model.transmitFrames().size())
                .arg(model.registerUses().size()));

        sim::Replay replay(std::move(replayFrames), [&simulator](const sim::CanFrame& f) { simulator.feed(f); },
                           asFast ? 0.0 : speed, &captureClock);
        QObject::connect(&replay, &sim::Replay::finished, &simulator, [&](int frames) {
            simulator.stop();
            say(QStringLiteral("Stopped: end of the replay (%1 frames)").arg(frames));
            QCoreApplication::exit(kSuccess);
        });
        if (replaying)
            replay.start();
        QObject::connect(&simulator, &sim::Simulator::ended, &simulator, [&](const Message& reason) {
            say(QStringLiteral("Stopped: %1").arg(reason.englishText()));
            QCoreApplication::exit(kSuccess);
        });
        // Ctrl+C and a termination request stop the converter cleanly: the handler only
        // raises a flag, which the event loop looks at, and writes what the log holds.
        g_stopRequested = false;
        std::signal(SIGINT, requestStop);
        std::signal(SIGTERM, requestStop);
        QTimer stopCheck;
        QObject::connect(&stopCheck, &QTimer::timeout, &simulator, [&] {
            log.flush();
            if (g_stopRequested) {
                simulator.stop();
                say(QStringLiteral("Stopped"));
                QCoreApplication::exit(kSuccess);
            }
        });
        stopCheck.start(50);
        const int status = QCoreApplication::exec();
        simulator.stop();
        log.flush();
        return log.failed() ? kFailure : status;
    } catch (const px::Error& e) {
        return failure(e.text());
    }
}

} // namespace px::cli
