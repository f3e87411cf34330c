#!/bin/sh
# The packages are the same bytes wherever and whenever they are built:
# - the source tarball, made twice by the dist script from the last commit,
#   is byte for byte the same, holds exactly the tracked files in
#   capitals-<version>/ and carries the commit's time (when the source is a
#   git checkout with git installed);
# - two copies of the source in two unrelated folders, without git, each
#   configured and packaged on its own, the first with SOURCE_DATE_EPOCH
#   unset and the second with it set as a distribution sets it, give the
#   same .deb.
#
#   sh reproducible_test.sh path/to/cmake source-folder version c++-compiler
set -u
cmake=$1
source=$2
version=$3
compiler=$4
. "$(dirname "$0")/check.sh"
needsTools dpkg-deb dpkg-shlibdeps
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
name=capitals-$version

if command -v git >/dev/null 2>&1 && [ -e "$source/.git" ]; then
    for make in first second; do
        mkdir -p "$work/$make"
        "$cmake" -D "SOURCE=$source" -D "NAME=$name" -D "OUTPUT=$work/$make/$name.tar.gz" \
            -P "$source/cmake/source_tarball.cmake" >"$work/$make.log" 2>&1 || cat "$work/$make.log"
    done
    if [ -s "$work/first/$name.tar.gz" ] && cmp -s "$work/first/$name.tar.gz" "$work/second/$name.tar.gz"; then
        pass "source tarball: $name.tar.gz made twice, the same bytes ($(wc -c <"$work/first/$name.tar.gz") bytes)"
    else
        fail "source tarball: the two makes differ or failed"
    fi
    tar -tzf "$work/first/$name.tar.gz" | grep -v '/$' | sort >"$work/tarball.list"
    git -C "$source" ls-tree -r --name-only HEAD | sed "s|^|$name/|" | sort >"$work/tracked.list"
    if cmp -s "$work/tracked.list" "$work/tarball.list"; then
        pass "source tarball: exactly the tracked files, in $name/"
    else
        fail "source tarball: its files are not the tracked ones"
        diff "$work/tracked.list" "$work/tarball.list" | head -n 10
    fi
    carried=$(tar -xzOf "$work/first/$name.tar.gz" "$name/cmake/source_date_epoch" | head -n 1)
    [ "$carried" = "$(git -C "$source" log -1 --format=%ct)" ] &&
        pass "source tarball: carries the last commit's time, $carried" ||
        fail "source tarball: cmake/source_date_epoch begins \"$carried\", not the last commit's time"
    git -C "$source" ls-files -z >"$work/files"
    copy() { (cd "$source" && tar --null -T "$work/files" -cf -) | (cd "$1" && tar -xf -); }
else
    echo "not a git checkout, or no git: the source tarball not checked"
    copy() { (cd "$source" && tar --exclude='./build*' --exclude=./.git --exclude=./.cache -cf - .) | (cd "$1" && tar -xf -); }
fi

# package FOLDER: configures and packages the copy of the source in FOLDER.
package() {
    "$cmake" -S "$1" -B "$1/build-deb" -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER="$compiler" \
        >"$1.log" 2>&1 &&
        "$cmake" --build "$1/build-deb" --parallel "$jobs" --target package >>"$1.log" 2>&1 ||
        { fail "the .deb of $1 could not be made"; tail -n 20 "$1.log"; }
}
one=$work/one/capitals
two=$work/elsewhere/deeper/copy
mkdir -p "$one" "$two"
copy "$one"
copy "$two"
unset SOURCE_DATE_EPOCH
package "$one"
epoch=$(sed -n 's/^set(CPACK_CAPITALS_SOURCE_DATE_EPOCH "\([0-9]*\)")$/\1/p' "$one/build-deb/CPackConfig.cmake")
[ -n "$epoch" ] || fail "the first build's configure chose no SOURCE_DATE_EPOCH"
export SOURCE_DATE_EPOCH="$epoch"
package "$two"
deb=capitals_${version}_$(dpkg --print-architecture).deb
if [ -f "$one/build-deb/$deb" ] && cmp -s "$one/build-deb/$deb" "$two/build-deb/$deb"; then
    pass ".deb: built from two copies in two folders, the same bytes ($(wc -c <"$one/build-deb/$deb") bytes)"
else
    fail ".deb: the two builds differ; the files' checksums and the members:"
    for copy in "$one" "$two"; do
        (cd "$copy/build-deb" && ar p "$deb" control.tar.gz | tar -xzOf - ./md5sums &&
            ar p "$deb" data.tar.gz | tar -tvzf -) >"$copy.members" 2>&1
    done
    diff "$one.members" "$two.members" | head -n 20
fi
finish
