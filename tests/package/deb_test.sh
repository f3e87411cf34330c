#!/bin/sh
# cpack makes the .deb from the build; unpacked with dpkg-deb -x into a
# temporary folder (never installed), it holds exactly the program in
# /usr/games and its documents in Debian's layout, its control fields say
# what Debian asks, its changelog is the news, its program plays a redirected
# round and is hardened as a distribution's programs are (unless the build
# turned the hardening off), and lintian finds neither errors nor warnings.
#
#   sh deb_test.sh path/to/cpack build-folder source-folder version [hardening]
#
# hardening: ON (the default), OFF when the build has none, NOFORTIFY when
# it has all but _FORTIFY_SOURCE (a build without optimisation).
set -u
cpack=$1
build=$2
source=$3
version=$4
hardened=${5:-ON}
. "$(dirname "$0")/check.sh"
needsTools dpkg-deb dpkg-shlibdeps
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if (cd "$work" && "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    pass "cpack -G DEB"
else
    fail "cpack -G DEB failed"
    cat "$work/cpack.log"
    finish
    exit
fi
deb=$work/out/capitals_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
    fail "no $(basename "$deb"); cpack made: $(cd "$work/out" && ls ./*.deb 2>/dev/null)"
    finish
    exit
fi
echo "   package: $(basename "$deb"), $(wc -c <"$deb") bytes"

root=$work/root
dpkg-deb -x "$deb" "$root"
(cd "$root" && find . ! -type d | sort) >"$work/unpacked"
cat >"$work/expected" <<'LIST'
./usr/games/capitals
./usr/share/doc/capitals/README.md.gz
./usr/share/doc/capitals/changelog.gz
./usr/share/doc/capitals/copyright
./usr/share/man/man6/capitals.6.gz
LIST
if cmp -s "$work/expected" "$work/unpacked"; then
    pass "holds exactly the program, the manual page and the documents"
else
    fail "the package's files are not the expected ones"
    diff "$work/expected" "$work/unpacked"
fi

# The documents are the project's own.
same() { # name packed-form source
    if [ -f "$root/$2" ] && { case $2 in *.gz) gzip -dc "$root/$2" ;; *) cat "$root/$2" ;; esac; } | cmp -s - "$3"; then
        pass "$1 is the project's own"
    else
        fail "$1 differs from $3"
    fi
}
same copyright usr/share/doc/capitals/copyright "$source/LICENSE"
same "the manual page" usr/share/man/man6/capitals.6.gz "$source/man/capitals.6"
same README usr/share/doc/capitals/README.md.gz "$source/README.md"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = capitals ] && [ "$(field Version)" = "$version" ] &&
    [ "$(field Section)" = games ] && [ "$(field Priority)" = optional ] &&
    pass "control: capitals $version, section games, priority optional" ||
    fail "control: $(field Package) $(field Version), section $(field Section), priority $(field Priority)"
case $(field Maintainer) in
*?" <"?*@?*">") pass "control: maintainer $(field Maintainer)" ;;
*) fail "control: maintainer \"$(field Maintainer)\" is no name and address" ;;
esac
# The program carries its C++ runtime, so the C library is all it needs.
case $(field Depends) in
*libstdc++*) fail "control: dependencies \"$(field Depends)\" name the C++ runtime the program carries" ;;
"libc6 (>= "*) pass "control: dependencies from the program's libraries: $(field Depends)" ;;
*) fail "control: dependencies \"$(field Depends)\" were not computed from the program's libraries" ;;
esac
[ "$(field Description | sed -n '$=')" -gt 1 ] && pass "control: a summary and a long description" ||
    fail "control: no long description"

# The changelog is the news in Debian's format, its latest entry this version.
gzip -dc "$root/usr/share/doc/capitals/changelog.gz" >"$work/changelog"
if command -v dpkg-parsechangelog >/dev/null 2>&1; then
    if [ "$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>"$work/changelog.err")" = "$version" ] &&
        [ ! -s "$work/changelog.err" ]; then
        pass "changelog: a Debian changelog whose latest entry is $version"
    else
        fail "changelog: not a Debian changelog for $version"
        cat "$work/changelog.err"
    fi
fi

playsRedirectedRound packaged "$root/usr/games/capitals" "$work"

program=$root/usr/games/capitals
if [ "$hardened" = OFF ]; then
    echo "the build adds no hardening (CAPITALS_HARDEN is off, or no GCC or Clang): not checked"
elif ! command -v readelf >/dev/null 2>&1; then
    echo "readelf not installed: the program's hardening not checked"
else
    readelf -hlWd "$program" >"$work/elf" 2>&1
    readelf --dyn-syms -W "$program" >"$work/symbols" 2>&1
    grep -q 'Type: *DYN' "$work/elf" && grep -q 'FLAGS_1.*PIE' "$work/elf" &&
        pass "hardening: a position-independent executable" ||
        fail "hardening: not a position-independent executable"
    grep -q ' GNU_RELRO ' "$work/elf" && grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).* NOW' "$work/elf" &&
        pass "hardening: full RELRO (a RELRO segment, immediate binding)" ||
        fail "hardening: no RELRO segment or no immediate binding"
    grep ' GNU_STACK ' "$work/elf" | grep -Eq ' RW +0x' &&
        pass "hardening: a non-executable stack" ||
        fail "hardening: the stack is executable or not marked: $(grep ' GNU_STACK ' "$work/elf")"
    grep -q ' __stack_chk_fail@' "$work/symbols" &&
        pass "hardening: the stack protector (__stack_chk_fail)" ||
        fail "hardening: no stack protector"
    fortified=$(grep -Eo ' __[a-z0-9_]+_chk@' "$work/symbols" | tr -d ' @' | sort -u | tr '\n' ' ' | sed 's/ $//')
    if [ "$hardened" = NOFORTIFY ]; then
        echo "a build without optimisation: the fortified calls not checked"
    elif [ -n "$fortified" ]; then
        pass "hardening: fortified calls ($fortified)"
    else
        fail "hardening: no fortified calls (_FORTIFY_SOURCE)"
    fi
fi

if command -v lintian >/dev/null 2>&1; then
    lintian --display-info --pedantic --fail-on error,warning "$deb" >"$work/lintian.out" 2>"$work/lintian.err"
    status=$?
    grep -v 'running with root privileges is not recommended' "$work/lintian.err" >>"$work/lintian.out"
    sed 's/^/   lintian: /' "$work/lintian.out"
    if [ $status -eq 0 ]; then
        pass "lintian: no errors, no warnings"
    else
        fail "lintian: errors or warnings (exit $status)"
    fi
else
    echo "lintian not installed: the package's lint not checked"
fi
finish
