// Load and save of the largest table: 99 rows, 9 columns, 60-character values.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/read_item_file.h"
#include "store/write_item_file.h"

namespace {

using namespace dravesse;

SaveInput largestTable() {
    SaveInput in;
    in.rowCount = kMaxItemRows;
    in.colCount = kMaxValueCols;
    in.hintWord = QStringLiteral("hint");
    for (int c = 1; c <= in.colCount; ++c) in.titles[c] = QStringLiteral("Title %1").arg(c);
    for (int r = 0; r < in.rowCount; ++r) {
        in.table[r][0] = QStringLiteral("Item %1").arg(r + 1);
        for (int c = 1; c <= in.colCount; ++c)
            in.table[r][c] = QStringLiteral("%1").arg(r * 10 + c, 60, 10, QLatin1Char('v'));
    }
    in.table[5][0] = kCredentialsName;
    return in;
}

void BM_SaveLargestTable(benchmark::State& state) {
    QTemporaryDir dir;
    const SaveInput in = largestTable();
    for (auto _ : state) {
        if (!WriteItemFileTo(dir.path(), in)) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveLargestTable)->Unit(benchmark::kMillisecond);

void BM_LoadLargestTable(benchmark::State& state) {
    QTemporaryDir dir;
    if (!WriteItemFileTo(dir.path(), largestTable())) state.SkipWithError("save failed");
    AppPath = dir.path();
    for (auto _ : state) {
        RowCount = kMaxItemRows;
        ColCount = kMaxValueCols;
        if (ReadItemFile() != kMaxItemRows) state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_LoadLargestTable)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    MsgBoxScript quiet;  // any message would be a failure; none is expected
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return quiet.shown().empty() ? 0 : 1;
}
