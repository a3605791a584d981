// Load and save of the largest table: 99 rows, 9 columns, 60-character values; and making up one
// new password.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "largest_table.h"
#include "store/password_generator.h"
#include "store/read_item_file.h"
#include "store/write_item_file.h"

namespace {

using namespace dravesse;

void BM_SaveLargestTable(benchmark::State& state) {
    QTemporaryDir dir;
    const SaveInput in = LargestTable();
    for (auto _ : state) {
        if (!WriteItemFileTo(dir.path(), in)) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveLargestTable)->Unit(benchmark::kMillisecond);

void BM_LoadLargestTable(benchmark::State& state) {
    QTemporaryDir dir;
    if (!WriteItemFileTo(dir.path(), LargestTable())) state.SkipWithError("save failed");
    AppPath = dir.path();
    for (auto _ : state) {
        RowCount = kMaxItemRows;
        ColCount = kMaxValueCols;
        if (ReadItemFile() != kMaxItemRows) state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_LoadLargestTable)->Unit(benchmark::kMillisecond);

void BM_GeneratePassword(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(GeneratePassword());
}
BENCHMARK(BM_GeneratePassword)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    MsgBoxScript quiet;  // any message would be a failure; none is expected
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return quiet.shown().empty() ? 0 : 1;
}
