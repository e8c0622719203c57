#!/usr/bin/env bash
# The sanitizer stage of the test command. Builds the whole test suite with
# clang's address and undefined-behaviour sanitizers in build-sanitize and
# runs it there, then fuzzes the probe and the walk for a bounded time from
# the seed corpus and every input that ever failed. A finding fails the run;
# its input is copied into fuzz/failures, which the replay test runs for
# good, and named in the output.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzzseconds=${QUADREL_FUZZ_SECONDS:-75}

bash scripts/install-missing.sh clang libclang-rt-14-dev g++ cmake make googletest ffmpeg e2fsprogs

build=build-sanitize
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADREL_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="$sanitize"
cmake --build "$build" -j2

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
# The leak checker stops the process to scan it, which some containers
# forbid; there it reports a fatal error of its own, and is turned off.
if { "$build/fuzz/replay" fuzz/seeds 2>&1 >/dev/null || true; } |
    grep -q "LeakSanitizer has encountered a fatal error"; then
    echo "test-sanitize: the leak checker cannot run here; going on without it"
    export ASAN_OPTIONS=detect_leaks=0
fi
(cd "$build" && ctest --output-on-failure -j2)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/corpus" "$scratch/findings"
find fuzz/seeds fuzz/failures -maxdepth 1 -type f ! -name '.*' -exec cp {} "$scratch/corpus/" \;

# Bounded and repeatable: a fixed seed, a fixed length limit that holds
# any movie's headers, and limits on time per input and on memory that a
# sound walk stays far below. The address sanitizer's quarantine is kept
# small so that the process's memory reflects the walk, not freed memory.
status=0
ASAN_OPTIONS="$ASAN_OPTIONS:quarantine_size_mb=64" \
    "$build/fuzz/fuzz_walk" -dict=fuzz/quadrel.dict -seed=1 -max_len=4096 -timeout=10 \
    -rss_limit_mb=1024 -malloc_limit_mb=64 -max_total_time="$fuzzseconds" -print_final_stats=1 \
    -artifact_prefix="$scratch/findings/" "$scratch/corpus" >"$scratch/log" 2>&1 || status=$?

execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/log")
peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$scratch/log")
echo "test-sanitize: fuzzed ${execs:-?} inputs in ${fuzzseconds} s, peak memory ${peak:-?} MB," \
    "corpus grew from $(find fuzz/seeds fuzz/failures -type f ! -name '.*' | wc -l)" \
    "to $(find "$scratch/corpus" -type f | wc -l) inputs"

found=0
for f in "$scratch"/findings/*; do
    [[ -e $f ]] || continue
    name=$(basename "$f")
    cp "$f" "fuzz/failures/$name"
    echo "test-sanitize: FUZZING FOUND A FAULT; the input is saved as fuzz/failures/$name"
    echo "  reproduce with: $build/fuzz/fuzz_walk fuzz/failures/$name"
    found=1
done
if ((status != 0 || found)); then
    tail -n 60 "$scratch/log"
    echo "test-sanitize: the fuzzer failed (status $status)"
    exit 1
fi
echo "test-sanitize: passed"
