// SPDX-License-Identifier: GPL-3.0-or-later
// The list work on the cache of about 100,000 entries: filling a category
// tab from the All list, and sorting the All list by each column.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_cache.h"
#include "catalogue.h"
#include "listview/cache_list_view.h"
#include "listview/category_rows.h"
#include "listview/list_sorter.h"

namespace {

using trovana::RowStore;
using trovana::catalogue::CCatalogue;

// The All list of the benchmark cache, scanned once.
const RowStore& AllRows()
{
    static const RowStore rows = [] {
        trovana::BusyIndicator busy;
        trovana::urlcache::UrlCache cache(trovana::bench::GetBenchCache().location);
        CCatalogue catalogue(cache, busy);
        catalogue.ScanCache();
        return catalogue.ListAll();
    }();
    return rows;
}

void BM_TabSwitch(benchmark::State& state)
{
    const RowStore& all = AllRows();
    const int category = static_cast<int>(state.range(0));
    int count = 0;
    for (auto _ : state) {
        RowStore rows;
        benchmark::DoNotOptimize(trovana::listview::CopyCategoryRows(all, category, rows, [](int) {}));
        count = rows.Count();
        state.PauseTiming();
        rows.DeleteAll();
        state.ResumeTiming();
    }
    state.counters["rows"] = count;
}
BENCHMARK(BM_TabSwitch)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);

// Column 0 URL (text), 1 access time (date), 2 hit rate and 3 size (integer);
// each run sorts a fresh copy, descending as the first click does.
void BM_SortColumn(benchmark::State& state)
{
    constexpr int kKinds[] = {trovana::listview::kSortText, trovana::listview::kSortDateTime,
                              trovana::listview::kSortInteger, trovana::listview::kSortInteger};
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto rows = std::make_unique<RowStore>(AllRows());
        state.ResumeTiming();
        {
            trovana::listview::CListSorter sorter(*rows, column);
            sorter.Sort(false, kKinds[column]);
        }
        state.PauseTiming();
        rows.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = AllRows().Count();
}
BENCHMARK(BM_SortColumn)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
