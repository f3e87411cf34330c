#!/bin/sh
# `cmake --install` into a temporary prefix lays out exactly the program in
# bin/, the manual page in share/man/man6/ and the README, the news and the
# licence in share/doc/capitals/; man finds the page there, the installed
# program plays a redirected round, and the uninstall target removes all of
# it again, the folders it made included, and only that.
#
#   sh install_test.sh path/to/cmake build-folder
set -u
cmake=$1
build=$2
. "$(dirname "$0")/check.sh"
work=$(mktemp -d)
# The build folder's own lists of what was installed are put back at the end.
mkdir "$work/kept"
for list in install_manifest.txt install_folders.txt; do
    [ -f "$build/$list" ] && cp -p "$build/$list" "$work/kept/"
done
trap 'for list in install_manifest.txt install_folders.txt; do
    if [ -f "$work/kept/$list" ]; then cp -p "$work/kept/$list" "$build/"; else rm -f "$build/$list"; fi
done; rm -rf "$work"' EXIT
# A prefix where another program is installed already.
prefix=$work/prefix
mkdir -p "$prefix/bin"
: >"$prefix/bin/other"

if "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    pass "cmake --install into a temporary prefix"
else
    fail "cmake --install failed"
    cat "$work/install.log"
    finish
    exit
fi

(cd "$prefix" && find . ! -type d | sort) >"$work/installed"
cat >"$work/expected" <<'LIST'
./bin/capitals
./bin/other
./share/doc/capitals/LICENSE
./share/doc/capitals/NEWS
./share/doc/capitals/README.md
./share/man/man6/capitals.6
LIST
if cmp -s "$work/expected" "$work/installed"; then
    pass "installs exactly the program, the manual page and the three documents"
else
    fail "the installed files are not the expected ones"
    diff "$work/expected" "$work/installed"
fi

if command -v man >/dev/null 2>&1; then
    if MANPATH=$prefix/share/man MANWIDTH=80 man -P cat 6 capitals 2>"$work/man.err" | grep -q '^NAME'; then
        pass "man finds and shows capitals(6) under the prefix"
    else
        fail "man does not show capitals(6) under the prefix"
        cat "$work/man.err"
    fi
else
    echo "man not installed: the page's place not checked"
fi

[ -x "$prefix/bin/capitals" ] && playsRedirectedRound installed "$prefix/bin/capitals" "$work"

# The uninstall removes the five files and the folders that the install
# created, and leaves the other program and its folder.
if "$cmake" --build "$build" --target uninstall >"$work/uninstall.log" 2>&1 &&
    [ "$(cd "$prefix" && find . | sort | tr '\n' ' ')" = ". ./bin ./bin/other " ]; then
    pass "the uninstall target removes the five files and the folders the install created, nothing else"
else
    fail "the uninstall target leaves files or folders behind, or removes too much"
    (cd "$prefix" && find . | sort)
    cat "$work/uninstall.log"
fi
finish
