#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the URL cache fuzz targets with clang's libFuzzer into build-fuzz/
# and runs them side by side for the given seconds (default 60), each on a
# copy of its seed corpus (fuzz/corpus/<target>). Exits non-zero when a
# target finds a crash; the crashing inputs are left in build-fuzz/findings/. FUZZ_MAX_LEN sets
# libFuzzer's -max_len (smaller inputs run several times faster).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
max_len="${FUZZ_MAX_LEN:-524288}"
dir=build-fuzz
cmake -S . -B "$dir" -DTROVANA_FUZZ=ON -DTROVANA_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$dir" -j "$(nproc)" --target fuzz_read fuzz_write fuzz_webcache fuzz_ese_page fuzz_ese_database fuzz_ese_log fuzz_partitions

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The targets' scratch containers, in memory when /dev/shm is there.
scratch="$(mktemp -d /dev/shm/trovana-fuzz.XXXXXX 2>/dev/null || mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export TROVANA_FUZZ_SCRATCH="$scratch"
status=0
# The targets run side by side, so that the whole run takes about `seconds`
# however many targets there are (CI's time is the scarce thing; each target
# still gets its share of the cores for the whole time).
declare -A runs
targets=(fuzz_read fuzz_write fuzz_webcache fuzz_ese_page fuzz_ese_database fuzz_ese_log fuzz_partitions)
for target in "${targets[@]}"; do
    work="$dir/run/$target"
    findings="$dir/findings/$target"
    rm -rf "$work"
    mkdir -p "$work" "$findings"
    cp fuzz/corpus/"$target"/* "$work"/
    # The WebCache sample is test input only, never kept in the corpus: its
    # first pages (header, catalogue) are a seed for this run alone.
    if [ "$target" = fuzz_webcache ]; then
        gzip -dc tests/platform/webcache/samples/dissect-WebCacheV01.dat.gz | head -c "$max_len" >"$work/sample" || true
    fi
    # The ESE targets' seeds: the clean SRUM copy's first pages (4 KiB), and
    # some of its pages one by one (catalogue, a table, a long-value tree).
    if [ "$target" = fuzz_ese_database ]; then
        head -c "$max_len" tests/platform/ese/samples/srum-win11-clean/SRUDB.dat >"$work/srum"
    fi
    if [ "$target" = fuzz_ese_page ]; then
        for page in 4 5 31 47 79; do
            dd if=tests/platform/ese/samples/srum-win11-clean/SRUDB.dat of="$work/srum-page-$page" bs=4096 \
                skip=$((page + 1)) count=1 status=none
        done
    fi
    # The log target's seeds: the SRUM sample's logs, whose segments start
    # with fragments and hold inserts, replaces and deletes.
    if [ "$target" = fuzz_ese_log ]; then
        for log in SRU0005A.log SRU0005B.log; do
            head -c "$max_len" tests/platform/ese/samples/srum-win11-clean/$log >"$work/srum-$log"
        done
    fi
    echo "== Fuzzing $target for $seconds s (log: $findings.log)"
    # The largest sample is 480 KiB and fits the default -max_len. An input
    # takes well under a second: the timeout only allows for a busy machine.
    "$dir/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=60 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$work" \
        >"$findings.log" 2>&1 &
    runs[$target]=$!
done
for target in "${targets[@]}"; do
    findings="$dir/findings/$target"
    if wait "${runs[$target]}"; then
        echo "== $target"
        grep -E '^#[0-9]+[[:space:]]+DONE|^stat::' "$findings.log" || true
    else
        tail -n 60 "$findings.log"
        echo "!! $target found a crash: see $findings/"
        status=1
    fi
done
exit $status
