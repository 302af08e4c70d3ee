// The virtual converter under load. From the CAN side: the receive side of the largest
// configuration the editors allow (common/maximal_configuration.h: 300 receive frames with
// time-outs and RTR polls, 3584 receive mappings, about 12 per frame), every frame received
// with new data, as the converter model alone and with each frame read from a candump line
// first. A saturated 1 Mbit/s bus carries about 8,000 frames/s; the CPU share of that load
// is 8000 / (frames per second).
// From the Modbus side: reads of 125 registers over loopback TCP, one request after the
// other, from a client in this thread to the converter's server in a thread of its own.

#include "common/maximal_configuration.h"
#include "core/image/compiler.h"
#include "core/sim/simulator.h"
#include "platform/sim/modbus_tcp_endpoint.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpSocket>
#include <QThread>

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>
#include <future>

namespace {

using namespace px;

// The receive side of the largest configuration: its transmit frames and mappings are left
// out, so every event counted comes from the frames received.
QByteArray largestImage()
{
    bench::ConfigurationFiles files = bench::maximalConfigurationFiles();
    files[static_cast<std::size_t>(config::ConfigFile::TransmitFrames)].reset();
    files[static_cast<std::size_t>(config::ConfigFile::TransmitMappings)].reset();
    image::CompileInput input = bench::compileInput(files);
    return image::compileConfiguration(input).bank2;
}

// Counts what the converter reports, as a log would see it.
struct Counter final : sim::ConverterEvents {
    void frameReceived(sim::Millis, const sim::CanFrame&, sim::FrameRef) override { ++events; }
    void frameSent(sim::Millis, const sim::CanFrame&, sim::FrameRef, sim::SendReason) override { ++events; }
    void registerChanged(sim::Millis, std::uint16_t, std::uint16_t) override { ++events; }
    void receiveStateChanged(sim::Millis, int, sim::ReceiveState) override { ++events; }
    void modbusRequest(sim::Millis, const sim::ModbusAccess&) override { ++events; }
    long long events = 0;
};

void BM_ReceiveFrames(benchmark::State& state)
{
    sim::Converter converter = sim::Converter::fromImage(largestImage(), 0);
    Counter counter;
    converter.setEvents(&counter);
    const bool fromText = state.range(0) != 0;
    std::vector<QString> lines;
    for (int i = 0; i < 300; ++i)
        lines.push_back(QStringLiteral("(1700000000.000000) vcan0 %1#%2").arg(0x18FF0000 + i, 8, 16).arg(i * 7919ULL * 1000003ULL % 0xFFFFFFFFFFFFULL, 16, 16, QLatin1Char('0')));
    long long n = 0;
    for (auto _ : state) {
        const int f = static_cast<int>(n % 300);
        sim::CanFrame frame;
        if (fromText) {
            frame = *sim::parseCandumpLine(lines[static_cast<std::size_t>(f)], nullptr);
            frame.data[0] = static_cast<std::uint8_t>(n / 300);   // new data every round
        } else {
            frame.id = 0x18FF0000u + static_cast<std::uint32_t>(f);
            frame.extended = true;
            frame.length = 8;
            for (int b = 0; b < 8; ++b)
                frame.data[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(n / 300 + b);
        }
        converter.receive(frame, n / 8);   // 8 frames per millisecond
        benchmark::DoNotOptimize(converter.nextDue());
        ++n;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["events"] = benchmark::Counter(static_cast<double>(counter.events), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveFrames)->Arg(0)->Arg(1)->ArgName("from_candump_line");

// A CAN side that is never heard: the benchmark drives only Modbus.
struct SilentCan final : CanLink {
    void open() override {}
    void send(const sim::CanFrame&) override {}
    void close() override {}
    QString description() const override { return QStringLiteral("none"); }
};

void BM_ModbusRead125Registers(benchmark::State& state)
{
    const QByteArray bank2 = largestImage();
    std::promise<std::uint16_t> listening;
    std::atomic<QEventLoop*> serverLoop{nullptr};
    QThread* server = QThread::create([&] {
        sim::SteadyClock clock;
        sim::Simulator simulator(bank2, clock, std::make_unique<SilentCan>(), std::make_unique<ModbusTcpEndpoint>());
        simulator.start(QStringLiteral("127.0.0.1"), 0);
        QEventLoop loop;
        serverLoop = &loop;
        listening.set_value(simulator.port());
        loop.exec();
        simulator.stop();
    });
    server->start();
    const std::uint16_t port = listening.get_future().get();

    QTcpSocket client;
    client.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!client.waitForConnected(5000)) {
        state.SkipWithError("no connection");
        return;
    }
    client.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // Function 3, registers 0 to 124, unit 1.
    const QByteArray request = QByteArray::fromHex("00010000000601030000007D");
    const std::clock_t cpuBefore = std::clock();
    for (auto _ : state) {
        client.write(request);
        client.flush();
        QByteArray reply;
        while (reply.size() < 9 + 250) {
            if (!client.waitForReadyRead(5000)) {
                state.SkipWithError("no reply");
                break;
            }
            reply += client.readAll();
        }
    }
    const double cpuSeconds = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    state.SetItemsProcessed(state.iterations());
    // Both ends run in this process: the CPU time of the process per request.
    state.counters["cpu_us_per_read_both_ends"] = cpuSeconds * 1e6 / static_cast<double>(state.iterations());
    client.disconnectFromHost();
    QMetaObject::invokeMethod(serverLoop.load(), "quit", Qt::QueuedConnection);
    server->wait();
    delete server;
}
BENCHMARK(BM_ModbusRead125Registers)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
