#!/bin/sh
# Makes the program for any Linux: capitals built fully static against musl
# by Zig, for x86_64 and for aarch64, each packed with its manual page,
# README and licence as build-linux-ARCH/capitals-VERSION-linux-ARCH.tar.gz,
# the same bytes whenever the same source is built with the same tar and gzip,
# in whatever folder. Needs cmake,
# make, tar, gzip and Zig 0.11 (tests/install_test_tools.sh installs it in
# /opt/capitals-tools; -DCAPITALS_ZIG=PATH in CAPITALS_CMAKE_OPTIONS names
# another).
#
#   sh tools/linux_tarballs.sh [ARCH...]      (default: x86_64 aarch64)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
[ $# -gt 0 ] || set -- x86_64 aarch64
for arch in "$@"; do
    build=$root/build-linux-$arch
    # shellcheck disable=SC2086 # the options are words
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/zig.cmake" \
        -DCAPITALS_ZIG_TARGET="$arch-linux-musl" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        ${CAPITALS_CMAKE_OPTIONS:-} >"$build.configure.log" ||
        { cat "$build.configure.log"; exit 1; }
    rm -f "$build.configure.log"
    cmake --build "$build" --parallel "$jobs" --target linux-tarball
done
ls -l "$root"/build-linux-*/capitals-*-linux-*.tar.gz
