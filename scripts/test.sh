#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, the same suite under AddressSanitizer
# and UndefinedBehaviorSanitizer, and the fuzzers for a bounded time each.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVC_TESTS=ON -DVC_SANITIZE=OFF >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --no-tests=error --output-on-failure -j"$jobs" --timeout 600

# The fuzzers: a bounded run each, from the seeds in fuzz/corpus; a crash fails the run.
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVC_FUZZ=ON -DVC_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
fuzzers=(receiver_framing sender_framing numbers sender_engine receiver_engine)
cmake --build build-fuzz -j"$jobs" --target "${fuzzers[@]/#/fuzz_}"
fuzz_seconds=${FUZZ_SECONDS:-30}
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
for target in "${fuzzers[@]}"; do
    # The engines run on the real toolkit, whose font caches outlive the process's last
    # check; there the fuzzers look for crashes and undefined behaviour, and the sanitizer
    # run of the test suite below looks for leaks.
    leaks=1
    case $target in *_engine) leaks=0 ;; esac
    work=$(mktemp -d)
    cp fuzz/corpus/$target/* "$work"/
    echo "fuzz_$target for ${fuzz_seconds}s"
    if ! ASAN_OPTIONS=detect_leaks=$leaks build-fuzz/bin/fuzz_$target -max_total_time="$fuzz_seconds" -detect_leaks=$leaks -artifact_prefix="$work/" \
        "$work" >"$work.log" 2>&1; then
        tail -n 40 "$work.log"
        echo "fuzz_$target found a crash; the input is in $work" >&2
        exit 1
    fi
    tail -n 1 "$work.log"
    rm -rf "$work" "$work.log"
done

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVC_SANITIZE=ON -DVC_TESTS=ON >/dev/null
cmake --build build-asan -j"$jobs"
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --no-tests=error --output-on-failure -j"$jobs" --timeout 900
