// The default-values check over a hand-edited cell of any length: it reads the text once,
// so two million bytes take milliseconds (it took minutes when the rest of the text was
// copied at every comma).
#include "core/frames/frame_list.h"

#include <QString>

#include <benchmark/benchmark.h>

namespace px {
namespace {

void BM_CheckLongByteList(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const QString list = QStringLiteral("1,").repeated(count) + QStringLiteral("256");
    for (auto _ : state) {
        benchmark::DoNotOptimize(checkByteList(list, count));
        benchmark::DoNotOptimize(checkByteList(list, 8));
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_CheckLongByteList)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace px

BENCHMARK_MAIN();
