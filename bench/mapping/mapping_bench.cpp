// Speed of the register mapping editor on the largest configuration: 300 frames and
// 3584 register entries.

#include "core/frames/mapping_model.h"
#include "core/shell/workspace.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kFrames = 300;
constexpr int kEntries = 3584;

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write the benchmark files");
}

// A configuration folder with the frame list, the mapping file and its CSV export.
struct LargeConfiguration {
    LargeConfiguration()
    {
        ws.configurationFolder = dir.path();
        ws.updateFilePaths();
        writeFile(ws.generalParametersFile, "<ParGen><Device_Type>1</Device_Type><CANType>0</CANType></ParGen>");
        QByteArray frames = "<COBID>";
        for (int i = 0; i < kFrames; ++i)
            frames += "<row CobID=\"" + QByteArray::number(0x100 + i) +
                      "\" CobType=\"2.0A (11 bits)\" Dimensin=\"8\" TimeOut_Time=\"0\" TimeOut=\"N\" RTR=\"N\""
                      " TimeRTR=\"\" DefaultValues=\"\" Mnemonic=\"frame\"/>";
        writeFile(ws.transmitFramesFile, frames + "</COBID><!--SW_VERSION = 2.505-->");
        px::RegisterMapping m(px::MappingProfile::transmitSide());
        m.load(ws);
        std::vector<px::config::MappingEntry> entries(kEntries);
        for (int i = 0; i < kEntries; ++i) {
            px::config::MappingEntry& e = entries[static_cast<std::size_t>(i)];
            e.registerIndex = QString::number(i);
            e.frameNumber = 1 + i % kFrames;
            e.highByte = 1 + i % 8;
            e.lowByte = 8 - i % 8;
            e.sendOnWrite = i % 2 == 1;
        }
        m.setEntries(std::move(entries));
        m.save(ws);
        csv = m.toCsv();
    }
    QTemporaryDir dir;
    px::Workspace ws;
    QByteArray csv;
};

LargeConfiguration& configuration()
{
    static LargeConfiguration c;
    return c;
}

void BM_ShowAndOk(benchmark::State& state)
{
    LargeConfiguration& c = configuration();
    px::RegisterMapping m(px::MappingProfile::transmitSide());
    for (auto _ : state) {
        m.load(c.ws);
        m.save(c.ws);
    }
    if (m.entryCount() != kEntries)
        state.SkipWithError("the mapping did not load whole");
}
BENCHMARK(BM_ShowAndOk)->Unit(benchmark::kMillisecond);

// The two halves apart: reading the three files, and writing the mapping file.
void BM_Show(benchmark::State& state)
{
    LargeConfiguration& c = configuration();
    px::RegisterMapping m(px::MappingProfile::transmitSide());
    for (auto _ : state)
        m.load(c.ws);
    if (m.entryCount() != kEntries)
        state.SkipWithError("the mapping did not load whole");
}
BENCHMARK(BM_Show)->Unit(benchmark::kMillisecond);

void BM_Ok(benchmark::State& state)
{
    LargeConfiguration& c = configuration();
    px::RegisterMapping m(px::MappingProfile::transmitSide());
    m.load(c.ws);
    for (auto _ : state)
        m.save(c.ws);
}
BENCHMARK(BM_Ok)->Unit(benchmark::kMillisecond);

void BM_ImportCsv(benchmark::State& state)
{
    LargeConfiguration& c = configuration();
    px::RegisterMapping m(px::MappingProfile::transmitSide());
    m.load(c.ws);
    for (auto _ : state)
        m.importCsv(c.csv);
    if (m.entryCount() != kEntries)
        state.SkipWithError("the import lost entries");
}
BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
