#!/bin/sh
# Builds and runs every test: the program alone as a machine without the
# test tools builds it; the program's own build with its tests, the install
# and the .deb; the same under AddressSanitizer and
# UndefinedBehaviorSanitizer; short fuzz runs of the terminal key decoder
# and (with libvterm) the terminal renderer when clang is installed; the
# Windows build and zip, under Wine when mingw-w64 and Wine are installed;
# 64-bit ARM Linux under qemu-user, the static programs for any Linux and
# the macOS build, when their tools are installed.
set -eu
cd "$(dirname "$0")/.."
# As many compiler and test jobs as the machine has cores, unless set.
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CMAKE_BUILD_PARALLEL_LEVEL=$jobs

echo "== the program alone, without GoogleTest or Google Benchmark"
cmake -S . -B build-plain -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  >build-plain.configure.log
if ! grep -q "tests: skipped, GoogleTest not found" build-plain.configure.log ||
  ! grep -q "Benchmarks: skipped, Google Benchmark not found" build-plain.configure.log; then
  cat build-plain.configure.log
  echo "The configure without the test tools does not say that it skips the tests and benchmarks"
  exit 1
fi
grep "skipped" build-plain.configure.log
rm -f build-plain.configure.log
cmake --build build-plain --target capitals

echo "== build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAPITALS_TESTS=ON -DCAPITALS_BENCH=ON
cmake --build build
ctest --test-dir build --output-on-failure --no-tests=error -j "$jobs"

echo "== build and tests under the address and undefined-behaviour sanitizers"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCAPITALS_SANITIZE=ON -DCAPITALS_TESTS=ON -DCAPITALS_BENCH=OFF
cmake --build build-sanitize
ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j "$jobs"

echo "== the terminal key decoder and the terminal renderer under the fuzzer, for 30 s each"
# Runs one fuzz target for 30 s over its corpus folders; a fault stops the
# test command with the input kept in build-fuzz/.
fuzz_for_30_seconds() {
  target=$1
  shift
  if build-fuzz/fuzz/$target -max_total_time=30 -print_final_stats=1 -artifact_prefix=build-fuzz/ \
    "$@" > build-fuzz/$target.log 2>&1; then
    echo "$target:"
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" build-fuzz/$target.log
  else
    tail -n 40 build-fuzz/$target.log
    echo "The fuzzer found a fault in $target; the input is in build-fuzz/"
    exit 1
  fi
}
if command -v clang++ >/dev/null 2>&1 &&
  cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCAPITALS_FUZZ=ON -DCAPITALS_TESTS=OFF \
    -DCAPITALS_BENCH=OFF >/dev/null &&
  cmake --build build-fuzz --target key_decoder_fuzz >/dev/null; then
  mkdir -p build-fuzz/fuzz/corpus build-fuzz/fuzz/renderer_corpus
  fuzz_for_30_seconds key_decoder_fuzz build-fuzz/fuzz/corpus fuzz/corpus
  if pkg-config --exists vterm 2>/dev/null && cmake --build build-fuzz --target renderer_fuzz >/dev/null; then
    fuzz_for_30_seconds renderer_fuzz build-fuzz/fuzz/renderer_corpus
  else
    echo "Renderer fuzz run skipped: libvterm is not installed"
  fi
else
  echo "Fuzz run skipped: clang with libFuzzer is not installed"
fi

echo "== Windows build, zip and tests under Wine"
if [ -f tests/windows/run_windows_tests.sh ]; then
  sh tests/windows/run_windows_tests.sh build-windows
else
  echo "Windows tests skipped: no Windows test script"
fi

echo "== 64-bit ARM Linux: the unit tests and a round under qemu-user"
sh tests/platforms/arm64_linux.sh build-arm64

echo "== any Linux: the static tarballs, built twice, and a round of each"
sh tests/platforms/static_linux.sh

echo "== macOS, x86_64 and arm64"
sh tests/platforms/macos.sh

echo "== all tests passed"
