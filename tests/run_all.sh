#!/bin/sh
# Builds and runs every test: the program's own build, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows build under
# Wine when mingw-w64 and Wine are installed.
set -eu
cd "$(dirname "$0")/.."

echo "== build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j 2
ctest --test-dir build --output-on-failure -j 2

echo "== build and tests under the address and undefined-behaviour sanitizers"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCAPITALS_SANITIZE=ON -DCAPITALS_BENCH=OFF
cmake --build build-sanitize -j 2
ctest --test-dir build-sanitize --output-on-failure -j 2

echo "== Windows build and tests under Wine"
if [ -f tests/windows/run_windows_tests.sh ]; then
  sh tests/windows/run_windows_tests.sh build-windows
else
  echo "Windows tests skipped: no Windows test script"
fi

echo "== all tests passed"
