// The commissioning monitor under the load of the largest configuration: a saturated
// 1 Mbit/s bus (about 8,000 frames/s) and every one of its 3,584 receive registers polled
// every 100 ms (29 reads of at most 125 registers, 10 times a second).
//
// BM_MonitorBusSecond: one second of that load as the monitor's comparison sees it: 8,000
// frames of the configuration (receive and transmit, every one with new data), each decoded
// into the registers it feeds and recorded for the export, and ten rounds of answers
// compared register by register. Its time per iteration is the CPU share of one core.
// BM_MonitorPollRoundOverTcp: one round of the 29 reads with Qt's Modbus TCP client against
// the virtual converter's server in a thread of its own; the CPU time of the client's thread
// per round (times 10 is its share of a second).

#include "common/maximal_configuration.h"
#include "core/image/compiler.h"
#include "core/sim/monitor.h"
#include "core/sim/simulator.h"
#include "platform/sim/modbus_device_poller.h"
#include "platform/sim/modbus_tcp_endpoint.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>
#include <future>

namespace {

using namespace px;

struct Largest {
    Largest()
    {
        const bench::ConfigurationFiles files = bench::maximalConfigurationFiles();
        image::CompileInput input = bench::compileInput(files);
        bank2 = image::compileConfiguration(input).bank2;
        std::optional<QByteArray> bytes[5];
        for (std::size_t i = 0; i < 5; ++i)
            bytes[i] = files[i];
        config = config::readConfigurationFiles(QStringLiteral("Largest"), bytes);
    }
    QByteArray bank2;
    config::Configuration config;
};

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void BM_MonitorBusSecond(benchmark::State& state)
{
    const Largest largest;
    sim::Monitor monitor(largest.bank2, largest.config, 100, 0);
    // The receive frames 0x18FF0000 + i and the transmit frames 0x18EF0000 + i in turn.
    std::vector<sim::CanFrame> frames(600);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i].id = (i % 2 ? 0x18EF0000u : 0x18FF0000u) + static_cast<std::uint32_t>(i / 2);
        frames[i].extended = true;
        frames[i].length = 8;
    }
    std::vector<std::uint16_t> values(sim::kMostRegistersPerRead, 0x1234);
    sim::Millis second = 0;
    for (auto _ : state) {
        for (int n = 0; n < 8000; ++n) {
            sim::CanFrame& f = frames[static_cast<std::size_t>(n) % frames.size()];
            f.data[0] = static_cast<std::uint8_t>(n);
            f.data[7] = static_cast<std::uint8_t>(second);
            monitor.frameSeen(f, second * 1000 + n / 8);
            if (n % 800 == 799) {
                for (const sim::PollBlock& b : monitor.pollBlocks())
                    monitor.pollAnswered(b, values.data(), b.count, second * 1000 + n / 8);
            }
        }
        ++second;
    }
    benchmark::DoNotOptimize(monitor.summary(second * 1000));
    state.SetItemsProcessed(state.iterations() * 8000);
    state.counters["blocks"] = static_cast<double>(monitor.pollBlocks().size());
    state.counters["registers"] = static_cast<double>(monitor.registers().size());
}
BENCHMARK(BM_MonitorBusSecond)->Unit(benchmark::kMillisecond);

// A CAN side that is never heard.
struct SilentCan final : CanLink {
    void open() override {}
    void send(const sim::CanFrame&) override {}
    void close() override {}
    QString description() const override { return QStringLiteral("none"); }
};

void BM_MonitorPollRoundOverTcp(benchmark::State& state)
{
    const Largest largest;
    std::promise<std::uint16_t> listening;
    std::atomic<QEventLoop*> serverLoop{nullptr};
    QThread* server = QThread::create([&] {
        sim::SteadyClock clock;
        sim::Simulator simulator(largest.bank2, clock, std::make_unique<SilentCan>(), std::make_unique<ModbusTcpEndpoint>());
        simulator.start(QStringLiteral("127.0.0.1"), 0);
        QEventLoop loop;
        serverLoop = &loop;
        listening.set_value(simulator.port());
        loop.exec();
        simulator.stop();
    });
    server->start();
    const std::uint16_t port = listening.get_future().get();

    sim::Monitor monitor(largest.bank2, largest.config, 100, 0);
    ModbusDevicePoller poller;
    QEventLoop loop;
    int awaited = 0;
    QObject::connect(&poller, &DevicePoller::answered, [&](std::uint16_t start, const QList<quint16>& v) {
        monitor.pollAnswered({start, static_cast<std::uint16_t>(v.size())}, v.constData(), static_cast<int>(v.size()), 0);
        if (--awaited == 0)
            loop.quit();
    });
    QObject::connect(&poller, &DevicePoller::failed, [&](std::uint16_t, std::uint16_t, const QString&) {
        if (--awaited == 0)
            loop.quit();
    });
    poller.connectTo({QStringLiteral("127.0.0.1"), port, 1, 3}, 5000);
    while (!poller.isConnected())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    double cpu = 0;
    for (auto _ : state) {
        const double before = threadCpuSeconds();
        awaited = static_cast<int>(monitor.pollBlocks().size());
        for (const sim::PollBlock& b : monitor.pollBlocks())
            poller.read(b.start, b.count);
        loop.exec();
        cpu += threadCpuSeconds() - before;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(monitor.registers().size()));
    state.counters["client_cpu_us_per_round"] = cpu * 1e6 / static_cast<double>(state.iterations());
    state.counters["answers"] = static_cast<double>(monitor.summary(0).pollsAnswered);
    poller.close();
    QMetaObject::invokeMethod(serverLoop.load(), "quit", Qt::QueuedConnection);
    server->wait();
    delete server;
}
BENCHMARK(BM_MonitorPollRoundOverTcp)->UseRealTime()->Unit(benchmark::kMillisecond);


} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
