#!/bin/sh
# `cmake --install` into a temporary prefix lays out exactly the program in
# bin/, the manual page in share/man/man6/ and the README, the news and the
# licence in share/doc/capitals/; man finds the page there, the installed
# program plays a redirected round, and the uninstall target removes all of
# it again. The build folder's own install manifest is kept as it was.
#
#   sh install_test.sh path/to/cmake build-folder
set -u
cmake=$1
build=$2
. "$(dirname "$0")/check.sh"
work=$(mktemp -d)
manifest=$build/install_manifest.txt
[ -f "$manifest" ] && cp -p "$manifest" "$work/manifest"
trap 'if [ -f "$work/manifest" ]; then cp -p "$work/manifest" "$manifest"; else rm -f "$manifest"; fi; rm -rf "$work"' EXIT
prefix=$work/prefix

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

# The uninstall removes the five files and the program's own documents
# folder, and nothing else.
if "$cmake" --build "$build" --target uninstall >"$work/uninstall.log" 2>&1 &&
    [ -z "$(cd "$prefix" && find . ! -type d)" ] && [ ! -e "$prefix/share/doc/capitals" ] &&
    [ -d "$prefix/bin" ] && [ "$(grep -c 'Removed: ' "$work/uninstall.log")" -eq 6 ]; then
    pass "the uninstall target removes the five files and share/doc/capitals"
else
    fail "the uninstall target leaves files behind or removes too much"
    (cd "$prefix" && find . | sort)
    cat "$work/uninstall.log"
fi
finish
