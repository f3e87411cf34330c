#!/bin/sh
# 64-bit ARM Linux: the program and its unit tests cross-built with Debian's
# aarch64 compilers (GoogleTest built for aarch64 from Debian's googletest
# source first), the unit tests run under qemu-user, then one round of the
# program played in a tmux pane under qemu-user.
#
#   sh tests/platforms/arm64_linux.sh [build-folder]     (default build-arm64)
#
# Exits 0 without testing, saying why, when a tool is missing.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build-arm64}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
sysroot=/usr/aarch64-linux-gnu
for tool in aarch64-linux-gnu-g++ qemu-aarch64; do
    command -v $tool >/dev/null 2>&1 ||
        { echo "64-bit ARM Linux skipped: $tool is not installed (g++-aarch64-linux-gnu, qemu-user)"; exit 0; }
done
[ -f /usr/src/googletest/CMakeLists.txt ] ||
    { echo "64-bit ARM Linux skipped: GoogleTest's source is not installed (googletest)"; exit 0; }

# logged LOG COMMAND...: runs the command with its output in LOG, shown if it fails.
logged() {
    log=$1
    shift
    "$@" >"$log" 2>&1 || { tail -n 40 "$log"; echo "64-bit ARM Linux FAILED: $*"; exit 1; }
}
mkdir -p "$build"
logged "$build/googletest.log" cmake -S /usr/src/googletest -B "$build/googletest-build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$build/googletest"
logged "$build/googletest.log" cmake --build "$build/googletest-build" --parallel "$jobs" --target install
logged "$build/configure.log" cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAPITALS_TESTS=ON -DCAPITALS_BENCH=OFF \
    -DGTest_DIR="$build/googletest/lib/cmake/GTest" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$build" --parallel "$jobs" || { echo "64-bit ARM Linux FAILED: the build"; exit 1; }
file "$build/capitals" 2>/dev/null | sed 's/, BuildID[^,]*//'

echo "== unit tests under qemu-aarch64"
# Left out: the tests that start the program itself (on pseudo-terminals,
# in tmux, measuring it in /proc) and the death tests that start the test
# program again, as only an arm64 kernel (or binfmt) can start these;
# the round below plays the program under qemu instead.
qemu-aarch64 -L "$sysroot" "$build/tests/capitals_tests" --gtest_brief=1 \
    --gtest_filter='-ProgramRedirected.*:ProgramOnTerminal.*:TerminalPlay.*:*/TerminalSizes.*:TerminalResize.*:TerminalScrollback.*:EventHandlerDeathTest.*' \
    >"$build/unit-tests.log" 2>&1
status=$?
grep -E '^\[ *(PASSED|SKIPPED|FAILED) *\]|tests from .* ran' "$build/unit-tests.log"
[ $status -eq 0 ] || { grep -B 5 'FAILED' "$build/unit-tests.log" | head -n 60; echo "64-bit ARM Linux FAILED: unit tests"; exit 1; }

echo "== a round in tmux under qemu-aarch64"
if ! command -v tmux >/dev/null 2>&1; then
    echo "  the round skipped: tmux is not installed"
    exit 0
fi
sh "$root/tests/platforms/tmux_round.sh" arm64 qemu-aarch64 -L "$sysroot" "$build/capitals"
