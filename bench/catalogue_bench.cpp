// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue scan on the cache of about 100,000 entries: its time beside
// the bare enumeration of urlcache_bench, and the heap it needs.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "bench_cache.h"
#include "catalogue.h"

// Every operator new and delete of this program counts the heap in use and
// its highest mark, so that the memory a scan needs can be read off.
namespace {

std::atomic<size_t> g_heapInUse{0};
std::atomic<size_t> g_heapPeak{0};

void* Allocate(size_t size)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    const size_t inUse = g_heapInUse += malloc_usable_size(block);
    size_t peak = g_heapPeak.load();
    while (inUse > peak && !g_heapPeak.compare_exchange_weak(peak, inUse)) {
    }
    return block;
}

void Release(void* block) noexcept
{
    if (block != nullptr) {
        g_heapInUse -= malloc_usable_size(block);
        std::free(block);
    }
}

}  // namespace

void* operator new(size_t size)
{
    return Allocate(size);
}
void* operator new[](size_t size)
{
    return Allocate(size);
}
void operator delete(void* block) noexcept
{
    Release(block);
}
void operator delete[](void* block) noexcept
{
    Release(block);
}
void operator delete(void* block, size_t) noexcept
{
    Release(block);
}
void operator delete[](void* block, size_t) noexcept
{
    Release(block);
}

namespace {

using trovana::catalogue::CCatalogue;

constexpr double kMegabyte = 1024.0 * 1024.0;

// A scan into a new catalogue, with a new UrlCache each time as in
// BM_EnumerateAll, so that reading the files is part of it. Freeing the
// catalogue afterwards is not timed.
void BM_ScanCache(benchmark::State& state)
{
    const trovana::bench::BenchCache& cache = trovana::bench::GetBenchCache();
    trovana::BusyIndicator busy;
    int rows = 0;
    size_t held = 0;
    size_t peak = 0;
    for (auto _ : state) {
        const size_t before = g_heapInUse.load();
        g_heapPeak = before;
        auto urlCache = std::make_unique<trovana::urlcache::UrlCache>(cache.location);
        auto catalogue = std::make_unique<CCatalogue>(*urlCache, busy);
        catalogue->ScanCache();

        state.PauseTiming();
        rows = catalogue->ListAll().Count();
        urlCache.reset();
        held = g_heapInUse.load() - before;
        peak = g_heapPeak.load() - before;
        catalogue.reset();
        state.ResumeTiming();
    }
    if (rows != static_cast<int>(cache.urls.size())) {
        state.SkipWithError("the scan did not list every entry");
    }
    state.counters["rows"] = rows;
    // The rows and the tree alone, and the highest heap mark of the scan
    // (catalogue, cache library and one entry at a time together).
    state.counters["catalogue_MB"] = static_cast<double>(held) / kMegabyte;
    state.counters["peak_MB"] = static_cast<double>(peak) / kMegabyte;
}
BENCHMARK(BM_ScanCache)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
