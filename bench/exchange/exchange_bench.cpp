// Speed of reading what an import starts from: a CAN database of 10,000 messages and a bus
// capture of 1,000,000 lines; of taking all 10,000 messages up to the room check; and of
// planning the import of N messages with its report, which grows in proportion to N.

#include "core/exchange/capture_reader.h"
#include "core/exchange/configuration_exchange.h"
#include "core/exchange/dbc_reader.h"

#include <QBuffer>

#include <benchmark/benchmark.h>

namespace {

// `messages` messages of eight 8-bit signals each, with a cycle time and a comment apiece.
QByteArray largeDatabase(int messages = 10000)
{
    QByteArray text = "VERSION \"\"\n\nNS_ :\n\tCM_\n\tBA_DEF_\n\tBA_\n\nBS_:\n\nBU_: A B\n\n";
    QByteArray tail;
    for (int m = 0; m < messages; ++m) {
        const QByteArray id = QByteArray::number(0x80000000u | static_cast<unsigned>(0x100000 + m));
        text += "BO_ " + id + " Message" + QByteArray::number(m) + ": 8 A\n";
        for (int s = 0; s < 8; ++s) {
            text += " SG_ Signal" + QByteArray::number(s) + " : " + QByteArray::number(s * 8) +
                    "|8@1+ (0.5,-10) [-10|117.5] \"unit\" B\n";
        }
        text += "\n";
        tail += "CM_ BO_ " + id + " \"Message number " + QByteArray::number(m) + "\";\n";
        tail += "BA_ \"GenMsgCycleTime\" BO_ " + id + " 100;\n";
    }
    return text + "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\n" + tail;
}

// What `import --receive all` does with the database up to the room check, which refuses
// it: read, the messages offered, the plan, the refusal's text.
void ImportAllOfDatabase(benchmark::State& state)
{
    const QByteArray text = largeDatabase();
    px::exchange::ImportTarget target;
    target.dipSwitch = true;
    for (auto _ : state) {
        const std::vector<px::exchange::ImportMessage> messages =
            px::exchange::importMessages(px::exchange::readDbc(text, QStringLiteral("large.dbc")));
        const px::exchange::ImportPlan plan = px::exchange::planImport(messages, target);
        benchmark::DoNotOptimize(px::exchange::overflowText(plan, target).size());
    }
}
BENCHMARK(ImportAllOfDatabase)->Unit(benchmark::kMillisecond);

// 1,000,000 log lines over 50 identifiers, 10 ms apart.
QByteArray largeCapture()
{
    QByteArray text;
    text.reserve(1000000 * 48);
    for (int i = 0; i < 1000000; ++i) {
        const long long us = 1700000000LL * 1000000 + i * 10000LL;
        text += '(' + QByteArray::number(us / 1000000) + '.' + QByteArray::number(us % 1000000).rightJustified(6, '0') +
                ") can0 " + QByteArray::number(0x100 + i % 50, 16) + "#1122334455667788\n";
    }
    return text;
}

void ReadDatabase(benchmark::State& state)
{
    const QByteArray text = largeDatabase();
    for (auto _ : state) {
        const px::exchange::CanDatabase db = px::exchange::readDbc(text, QStringLiteral("large.dbc"));
        benchmark::DoNotOptimize(db.messages.size());
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(ReadDatabase)->Unit(benchmark::kMillisecond);

void ReadCapture(benchmark::State& state)
{
    QByteArray text = largeCapture();
    for (auto _ : state) {
        QBuffer device(&text);
        device.open(QIODevice::ReadOnly);
        qint64 calls = 0;
        const auto summary = px::exchange::readCapture(device, QStringLiteral("large.log"), [&](qint64, qint64) {
            ++calls;
            return true;
        });
        benchmark::DoNotOptimize(summary->framesRead);
        benchmark::DoNotOptimize(calls);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(ReadCapture)->Unit(benchmark::kMillisecond);

// The plan of importing N messages (8 signals each) into an empty receive list and the
// report of it, as `import --receive all` makes them before the room check of the list
// refuses; linear in N.
void PlanAndReportImport(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<px::exchange::ImportMessage> messages =
        px::exchange::importMessages(px::exchange::readDbc(largeDatabase(n), QStringLiteral("large.dbc")));
    px::exchange::ImportTarget target;
    target.dipSwitch = true;
    for (auto _ : state) {
        const px::exchange::ImportPlan plan = px::exchange::planImport(messages, target);
        const QStringList report = px::exchange::importReport(plan, messages, target);
        benchmark::DoNotOptimize(report.size());
    }
    state.SetComplexityN(n);
}
BENCHMARK(PlanAndReportImport)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(8000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
