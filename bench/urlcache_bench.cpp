// SPDX-License-Identifier: GPL-3.0-or-later
// The URL cache library on a cache of about 100,000 entries.
#include <benchmark/benchmark.h>

#include <optional>

#include "bench_cache.h"

using namespace trovana::urlcache;
using trovana::bench::BenchCache;

// Every entry with all its fields, as the program's scan reads them; a new
// UrlCache each time, so reading the files is part of it.
static void BM_EnumerateAll(benchmark::State& state)
{
    const BenchCache& cache = trovana::bench::GetBenchCache();
    size_t count = 0;
    for (auto _ : state) {
        UrlCache urlCache(cache.location);
        CacheEnumeration enumeration = urlCache.Enumerate();
        count = 0;
        while (auto entry = enumeration.Next()) {
            benchmark::DoNotOptimize(entry->sourceUrlName.data());
            ++count;
        }
    }
    if (count != cache.urls.size())
        state.SkipWithError("enumeration did not list every entry");
    state.counters["entries"] = static_cast<double>(count);
}
BENCHMARK(BM_EnumerateAll)->Unit(benchmark::kMillisecond);

// Every URL looked up once; the time per lookup is the figure that counts.
// With `batched` (argument 1) the lookups of one pass are a LookupBatch, so
// the index files are checked for other processes' changes once per pass
// instead of once per lookup; argument 0 is the single lookup beside it.
static void BM_LookupEveryUrl(benchmark::State& state)
{
    const BenchCache& cache = trovana::bench::GetBenchCache();
    const bool batched = state.range(0) != 0;
    UrlCache urlCache(cache.location);
    urlCache.GetEntryInfo(cache.urls.front());  // the first read of the files is not a lookup
    for (auto _ : state) {
        std::optional<UrlCache::LookupBatch> batch;
        if (batched)
            batch.emplace(urlCache);
        for (const std::string& url : cache.urls) {
            auto entry = urlCache.GetEntryInfo(url);
            if (!entry) {
                state.SkipWithError("a URL was not found");
                return;
            }
            benchmark::DoNotOptimize(entry.get());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * cache.urls.size()));
    state.counters["us_per_lookup"] = benchmark::Counter(static_cast<double>(state.iterations() * cache.urls.size()),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                                                         benchmark::Counter::kIs1000);
}
BENCHMARK(BM_LookupEveryUrl)->ArgName("batched")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every entry deleted, one URL after the other in one batch, on a fresh copy.
static void BM_DeleteEveryEntry(benchmark::State& state)
{
    const BenchCache& original = trovana::bench::GetBenchCache();
    for (auto _ : state) {
        state.PauseTiming();
        BenchCache copy = trovana::bench::CopyBenchCache(original.root.string() + "-delete");
        UrlCache urlCache(copy.location);
        state.ResumeTiming();
        for (const CacheResult& r : urlCache.DeleteEntries(copy.urls)) {
            if (!r.ok()) {
                state.SkipWithError(r.message.c_str());
                break;
            }
        }
        state.PauseTiming();
        std::filesystem::remove_all(copy.root);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteEveryEntry)->Unit(benchmark::kSecond)->Iterations(1);

BENCHMARK_MAIN();
