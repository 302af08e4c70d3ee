// px40318 simulate DIR: the configuration as a virtual converter on this computer.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/image/compiler.h"
#include "core/sim/event_text.h"
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
#include <cstdio>

namespace px::cli {

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void requestStop(int)
{
    g_stopRequested = true;
}

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
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));

    const bool stdio = canChoice == QStringLiteral("stdio");
    // In stdio mode standard output carries the frames; the log goes to standard error.
    std::FILE* logStream = stdio ? stderr : stdout;
    QFile logFile;
    try {
        image::CompileInput input = image::CompileInput::fromFolder(dir);
        const QByteArray bank2 = image::compileConfiguration(input).bank2;
        if (args.isSet(QStringLiteral("log"))) {
            const QString logPath = QDir::fromNativeSeparators(args.value(QStringLiteral("log")));
            logFile.setFileName(logPath);
            if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
                return failure(QStringLiteral("Cannot write the log file %1: %2").arg(px::displayPath(logPath), logFile.errorString()));
        }
        auto write = [&](const QString& line) {
            const QByteArray bytes = line.toUtf8() + '\n';
            std::fputs(bytes.constData(), logStream);
            std::fflush(logStream);
            if (logFile.isOpen()) {
                logFile.write(bytes);
                logFile.flush();
            }
        };

        VirtualConverterPortsQt ports;
        const std::uint32_t bitRate = sim::Converter::fromImage(bank2, 0).canBitRate();
        std::unique_ptr<CanLink> can = ports.canLink(canChoice, bitRate);
        if (auto* lines = qobject_cast<StdioCanLink*>(can.get()))
            QObject::connect(lines, &StdioCanLink::problem, lines, write);
        sim::SteadyClock clock;
        sim::Simulator simulator(bank2, clock, std::move(can), ports.modbusEndpoint());
        simulator.start(address, static_cast<std::uint16_t>(port));
        sim::EventTextLog log(simulator.startTime(), write);
        simulator.addObserver(&log);
        const sim::Converter& model = simulator.converter();
        write(QStringLiteral("Virtual converter of %1: Modbus TCP on %2 port %3, CAN on %4 (%5 receive frames, "
                             "%6 transmit frames, %7 register mappings)")
                  .arg(px::displayPath(dir), address)
                  .arg(simulator.port())
                  .arg(simulator.canDescription())
                  .arg(model.receiveFrames().size())
                  .arg(model.transmitFrames().size())
                  .arg(model.registerUses().size()));

        QObject::connect(&simulator, &sim::Simulator::ended, &simulator, [&](const QString& reason) {
            write(QStringLiteral("Stopped: %1").arg(reason));
            QCoreApplication::exit(kSuccess);
        });
        // Ctrl+C and a termination request stop the converter cleanly: the handler only
        // raises a flag, which the event loop looks at.
        g_stopRequested = false;
        std::signal(SIGINT, requestStop);
        std::signal(SIGTERM, requestStop);
        QTimer stopCheck;
        QObject::connect(&stopCheck, &QTimer::timeout, &simulator, [&] {
            if (g_stopRequested) {
                simulator.stop();
                write(QStringLiteral("Stopped"));
                QCoreApplication::exit(kSuccess);
            }
        });
        stopCheck.start(50);
        const int status = QCoreApplication::exec();
        simulator.stop();
        return status;
    } catch (const px::Error& e) {
        return failure(e.text());
    }
}

} // namespace px::cli
