// The cross-file check and the register map of the largest configuration the editors
// allow (common/maximal_configuration.h, which bench_image compiles: its in-memory compile
// is the yardstick). Once on the model alone, once with the files read into the model and
// the map rendered as CSV.

#include "common/maximal_configuration.h"
#include "core/check/check.h"
#include "core/check/register_map.h"
#include "core/config/configuration.h"
#include "core/lang/message_table.h"

#include <benchmark/benchmark.h>

namespace {

using px::bench::maximalConfigurationFiles;

void BM_CheckAndMap(benchmark::State& state)
{
    const auto files = maximalConfigurationFiles();
    const px::config::Configuration config = px::config::readConfigurationFiles(QStringLiteral("Maximal"), files.data());
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
    const auto files = maximalConfigurationFiles();
    const px::MessageTable messages;
    for (auto _ : state) {
        const auto config = px::config::readConfigurationFiles(QStringLiteral("Maximal"), files.data());
        const auto findings = px::check::check(config);
        const QString csv = px::check::renderRegisterMap(px::check::buildRegisterMap(config), px::check::MapFormat::Csv, messages);
        benchmark::DoNotOptimize(findings.data());
        benchmark::DoNotOptimize(csv.constData());
    }
}
BENCHMARK(BM_ReadCheckAndRenderMap)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
