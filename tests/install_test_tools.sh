#!/bin/sh
# Installs what the test command uses, with apt-get, on Debian 12 or Ubuntu
# 24.04: the build tools; GoogleTest and Google Benchmark; tmux and libvterm
# for the terminal tests; clang with libFuzzer for the fuzz run; mingw-w64
# and Wine for the Windows build and its tests; dpkg-dev, lintian and man for
# the package checks. Run as root, or with sudo.
set -eu
if [ "$(id -u)" -ne 0 ]; then
    echo "install_test_tools.sh installs packages: run it as root, or with sudo" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y \
    cmake g++ make pkg-config procps \
    libgtest-dev libbenchmark-dev \
    tmux libvterm-dev strace \
    clang libclang-rt-dev \
    mingw-w64 wine wine64 \
    dpkg-dev lintian man-db groff-base
