// The compile of the largest configuration the editors allow (common/maximal_configuration.h):
// once in memory, and once as the whole `px40318 compile` process on files.

#include "common/maximal_configuration.h"
#include "core/check/check.h"
#include "core/image/compile_input.h"
#include "core/image/compiler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using px::bench::maximalConfigurationFiles;

void BM_CompileInMemory(benchmark::State& state)
{
    const auto files = maximalConfigurationFiles();
    for (auto _ : state) {
        px::image::CompileInput input = px::bench::compileInput(files);
        const px::image::ConfigurationImage image = px::image::compileConfiguration(input);
        benchmark::DoNotOptimize(image.bank2.constData());
    }
}
BENCHMARK(BM_CompileInMemory)->Unit(benchmark::kMillisecond);

// What `px40318 compile` does in memory: the files read and parsed once, checked, compiled.
void BM_CheckAndCompileInMemory(benchmark::State& state)
{
    QTemporaryDir dir;
    const auto files = maximalConfigurationFiles();
    for (std::size_t i = 0; i < files.size(); ++i) {
        QFile f(dir.filePath(px::config::fileName(static_cast<px::config::ConfigFile>(i))));
        if (!f.open(QIODevice::WriteOnly) || f.write(*files[i]) != files[i]->size()) {
            state.SkipWithError("cannot write the configuration");
            return;
        }
    }
    for (auto _ : state) {
        px::image::ConfigurationRead read = px::image::readConfigurationOnce(dir.path());
        benchmark::DoNotOptimize(px::check::check(read.configuration).size());
        read.input.takeModelRows(std::move(read.configuration));
        const px::image::ConfigurationImage image = px::image::compileConfiguration(read.input);
        benchmark::DoNotOptimize(image.bank2.constData());
    }
}
BENCHMARK(BM_CheckAndCompileInMemory)->Unit(benchmark::kMillisecond);

void BM_CompileProcess(benchmark::State& state)
{
    QTemporaryDir dir;
    const auto files = maximalConfigurationFiles();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QByteArray& bytes = *files[i];
        QFile f(dir.filePath(px::config::fileName(static_cast<px::config::ConfigFile>(i))));
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
