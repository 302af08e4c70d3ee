// The compile of the largest configuration the editors allow: 300 receive and 300 transmit
// frames with every column used, default values on the first 256 of each direction and
// 3584 register mappings per direction. Once in memory, and once as the whole
// `px40318 compile` process on files.

#include "core/image/compiler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

using px::image::CompileInput;
using px::image::InputFile;

std::map<QString, QByteArray> maximalConfiguration()
{
    std::map<QString, QByteArray> files;
    files[QStringLiteral("ParGen.xml")] =
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
    files[QStringLiteral("RCobDef.xml")] = rx + "</COBID><!--SW_VERSION = 2.505-->";
    files[QStringLiteral("TCobDef.xml")] = tx + "</COBID><!--SW_VERSION = 2.505-->";
    QByteArray rmap = "<RInfoCob>";
    QByteArray tmap = "<TInfoCob>";
    for (int i = 0; i < 3584; ++i) {
        const int frame = i * 300 / 3584 + 1;
        const int pos = ((i % 4) * 2 + 1) * 16 + (i % 4) * 2 + 2;
        rmap += QStringLiteral("<row Index=\"%1\" NrPdo=\"%2\" PosComp=\"%3\"/>").arg(i).arg(frame).arg(pos).toLatin1();
        tmap += QStringLiteral("<row Index=\"%1\" NrPdo=\"%2\" PosComp=\"%3\" Send_on_Write=\"%4\"/>")
                    .arg(i).arg(frame).arg(pos).arg(i % 2).toLatin1();
    }
    files[QStringLiteral("RInfoCob.xml")] = rmap + "</RInfoCob><!--SW_VERSION = 2.505-->";
    files[QStringLiteral("TInfoCob.xml")] = tmap + "</TInfoCob><!--SW_VERSION = 2.505-->";
    return files;
}

void BM_CompileInMemory(benchmark::State& state)
{
    const auto files = maximalConfiguration();
    auto file = [&](const char* name) { return InputFile::fromBytes(QLatin1StringView(name), files.at(QLatin1StringView(name))); };
    for (auto _ : state) {
        CompileInput input{file("ParGen.xml"), file("RCobDef.xml"), file("TCobDef.xml"), file("RInfoCob.xml"), file("TInfoCob.xml")};
        const px::image::ConfigurationImage image = px::image::CompileConfiguration(input);
        benchmark::DoNotOptimize(image.bank2.constData());
    }
}
BENCHMARK(BM_CompileInMemory)->Unit(benchmark::kMillisecond);

void BM_CompileProcess(benchmark::State& state)
{
    QTemporaryDir dir;
    for (const auto& [name, bytes] : maximalConfiguration()) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            state.SkipWithError("cannot write the configuration");
            return;
        }
    }
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral(PX40318_EXE), {QStringLiteral("compile"), dir.path()});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            state.SkipWithError("px40318 compile failed");
            return;
        }
    }
}
BENCHMARK(BM_CompileProcess)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
