// The cross-file check and the register map of the largest configuration the editors
// allow: 300 receive and 300 transmit frames with every column used, default values on the
// first 256 of each direction and 3584 register mappings per direction (the configuration
// of bench_image, whose in-memory compile is the yardstick). Once on the model alone, once
// with the files read into the model and the map rendered as CSV.

#include "core/check/check.h"
#include "core/check/register_map.h"
#include "core/config/configuration.h"
#include "core/lang/message_table.h"

#include <benchmark/benchmark.h>

#include <optional>

namespace {

using px::config::ConfigFile;

void maximalFiles(std::optional<QByteArray> files[5])
{
    files[static_cast<int>(ConfigFile::GeneralParameters)] =
        "<GeneralParameter><Device_Type>1</Device_Type><BaudRateCAN>6</BaudRateCAN><CANType>1</CANType>"
        "<CANTimeOut>1000</CANTimeOut><ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"10\"/>"
        "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/><EN_GATEWAY>1</EN_GATEWAY>"
        "<GATEWAY GATB1=\"192\" GATB2=\"168\" GATB3=\"0\" GATB4=\"1\"/><Port>502</Port><FAST_BOOT>0</FAST_BOOT>"
        "</GeneralParameter><!--SW_VERSION = 2.505-->";
    QByteArray rx = "<COBID>";
    QByteArray tx = "<COBID>";
    for (int i = 0; i < 300; ++i) {
        const QByteArray defaults = i < 256 ? QByteArray("1,2,3,4,5,6,7,8") : QByteArray();
        rx += QStringLiteral("<row CobID=\"0x%1\" CobType=\"2.0B (29 bits)\" Dimensin=\"8\" TimeOut_Time=\"%2\" TimeOut=\"Y\" "
                             "RTR=\"Y\" TimeRTR=\"%3\" DefaultValues=\"%4\" Mnemonic=\"Receive frame %5\"/>")
                  .arg(0x18FF0000 + i, 0, 16).arg(100 + i).arg(200 + i).arg(QString::fromLatin1(defaults)).arg(i + 1)
                  .toLatin1();
        tx += QStringLiteral("<row CobID=\"0x%1\" CobType=\"2.0B (29 bits)\" Dimensin=\"8\" RTR=\"N\" OnChange=\"Y\" "
                             "OnTimer=\"Y\" Timer=\"%2\" DefaultValues=\"%3\" Mnemonic=\"Transmit frame %4\"/>")
                  .arg(0x18EF0000 + i, 0, 16).arg(50 + i).arg(QString::fromLatin1(defaults)).arg(i + 1)
                  .toLatin1();
    }
    files[static_cast<int>(ConfigFile::ReceiveFrames)] = rx + "</COBID><!--SW_VERSION = 2.505-->";
    files[static_cast<int>(ConfigFile::TransmitFrames)] = tx + "</COBID><!--SW_VERSION = 2.505-->";
    QByteArray rmap = "<RInfoCob>";
    QByteArray tmap = "<TInfoCob>";
    for (int i = 0; i < 3584; ++i) {
        const int frame = i * 300 / 3584 + 1;
        const int pos = ((i % 4) * 2 + 1) * 16 + (i % 4) * 2 + 2;
        rmap += QStringLiteral("<row Index=\"%1\" NrPdo=\"%2\" PosComp=\"%3\"/>").arg(i).arg(frame).arg(pos).toLatin1();
        tmap += QStringLiteral("<row Index=\"%1\" NrPdo=\"%2\" PosComp=\"%3\" Send_on_Write=\"%4\"/>")
                    .arg(i).arg(frame).arg(pos).arg(i % 2).toLatin1();
    }
    files[static_cast<int>(ConfigFile::ReceiveMappings)] = rmap + "</RInfoCob><!--SW_VERSION = 2.505-->";
    files[static_cast<int>(ConfigFile::TransmitMappings)] = tmap + "</TInfoCob><!--SW_VERSION = 2.505-->";
}

void BM_CheckAndMap(benchmark::State& state)
{
    std::optional<QByteArray> files[5];
    maximalFiles(files);
    const px::config::Configuration config = px::config::readConfigurationFiles(QStringLiteral("Maximal"), files);
    for (auto _ : state) {
        const auto findings = px::check::check(config);
        const auto map = px::check::buildRegisterMap(config);
        benchmark::DoNotOptimize(findings.data());
        benchmark::DoNotOptimize(map.receive.registers.data());
    }
    state.counters["findings"] = static_cast<double>(px::check::check(config).size());
}
BENCHMARK(BM_CheckAndMap)->Unit(benchmark::kMillisecond);

void BM_ReadCheckAndRenderMap(benchmark::State& state)
{
    std::optional<QByteArray> files[5];
    maximalFiles(files);
    const px::MessageTable messages;
    for (auto _ : state) {
        const auto config = px::config::readConfigurationFiles(QStringLiteral("Maximal"), files);
        const auto findings = px::check::check(config);
        const QString csv = px::check::renderRegisterMap(px::check::buildRegisterMap(config), px::check::MapFormat::Csv, messages);
        benchmark::DoNotOptimize(findings.data());
        benchmark::DoNotOptimize(csv.constData());
    }
}
BENCHMARK(BM_ReadCheckAndRenderMap)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
