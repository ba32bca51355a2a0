#!/usr/bin/env bash
# Builds everything and runs every test: the unit, window and end-to-end
# tests (the last on a private Xvfb display the tests start themselves), the
# reader's tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# the tests of the code that runs on several threads under ThreadSanitizer,
# the fuzz target for a bounded time, and the reader and tools built for
# Windows with a cross compiler, which keeps their Win32 code compiling.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_packages "${TEST_PACKAGES[@]}"
jobs=$(nproc)
# Paths relative to the checkout, so that a clone elsewhere reuses what ccache
# compiled for another one.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fuzz_seconds=${BRIMWELL_FUZZ_SECONDS:-60}

echo "== Build and test (warnings are errors)"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMWELL_WERROR=ON
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs"

echo "== The reader under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIMWELL_GUI=OFF -DBRIMWELL_BENCH=OFF \
  -DBRIMWELL_SANITIZE=ON -DBRIMWELL_WERROR=ON
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== The reader, the frame cache and the channel views under ThreadSanitizer"
# Only the test programs whose code runs on several threads; the channel
# views' tests need Qt's image class, so the viewer stays configured, but
# nothing else of it is built. The programs are run directly: ctest would
# also list the programs left unbuilt.
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMWELL_BENCH=OFF -DBRIMWELL_E2E=OFF \
  -DBRIMWELL_TSAN=ON -DBRIMWELL_WERROR=ON
cmake --build build/tsan -j "$jobs" --target reader_tests frame_cache_tests logic_tests
tsan_suppressions="$PWD/tests/tsan_qt.supp"
for program in tests/reader/reader_tests tests/cache/frame_cache_tests tests/logic/logic_tests; do
  (cd build/tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$tsan_suppressions" \
    QT_QPA_PLATFORM=offscreen \
    "$program" --gtest_brief=1)
done

echo "== The fuzz target, ${fuzz_seconds} s"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMWELL_GUI=OFF -DBRIMWELL_BENCH=OFF \
  -DBRIMWELL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14 -DBRIMWELL_WERROR=ON
cmake --build build/fuzz -j "$jobs"
ctest --test-dir build/fuzz --output-on-failure -j "$jobs"
mkdir -p build/fuzz/fuzz/corpus
build/fuzz/fuzz/fuzz_rla -max_total_time="$fuzz_seconds" -close_fd_mask=1 \
  build/fuzz/fuzz/corpus build/fuzz/fuzz/seeds

echo "== The reader, the folder list and the tools built for Windows"
cmake -S . -B build/windows -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_CXX_COMPILER=x86_64-w64-mingw32-g++-posix \
  -DBRIMWELL_GUI=OFF -DBRIMWELL_TESTS=OFF -DBRIMWELL_BENCH=OFF -DBRIMWELL_WERROR=ON
cmake --build build/windows -j "$jobs"

echo "== All tests passed"
