#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, the same suite under AddressSanitizer
# and UndefinedBehaviorSanitizer, and the fuzzers for a bounded time each.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

# The fuzzers: a bounded run each, from the seeds in fuzz/corpus; a crash fails the run.
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVC_FUZZ=ON -DVC_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_receiver_framing fuzz_sender_framing fuzz_numbers
fuzz_seconds=${FUZZ_SECONDS:-30}
for target in receiver_framing sender_framing numbers; do
    work=$(mktemp -d)
    cp fuzz/corpus/$target/* "$work"/
    echo "fuzz_$target for ${fuzz_seconds}s"
    if ! build-fuzz/bin/fuzz_$target -max_total_time="$fuzz_seconds" -artifact_prefix="$work/" \
        "$work" >"$work.log" 2>&1; then
        tail -n 40 "$work.log"
        echo "fuzz_$target found a crash; the input is in $work" >&2
        exit 1
    fi
    tail -n 1 "$work.log"
    rm -rf "$work" "$work.log"
done

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVC_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 900
