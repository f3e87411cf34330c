#!/bin/sh
# The program's structure, read from its sources: no include circle between
# files, none between folders (quiz/, random/, each folder under console/,
# and each file of console/ itself), so that no include runs back up the
# layers; no program file under console/ over 400 lines and no header over
# 200; no function over 50 lines.
#   sh tests/structure_test.sh [source folder]
set -eu
cd "${1:-$(dirname "$0")/..}"
files=$(find quiz random console -name '*.cpp' -o -name '*.h' | sort)
status=0

# "from to" for every project include, between files and between folders.
edges=$(for f in $files; do
  sed -n 's/^#include "\(.*\)"$/\1/p' "$f" | while read -r to; do
    [ -f "$to" ] && echo "$f $to"
  done
done)
room() { # the folder a file stands in, or the file itself in console/
  case "$1" in
    console/*/*) echo "${1%/*}" ;;
    console/*) echo "${1%.*}" ;;
    *) echo "${1%%/*}" ;;
  esac
}
rooms=$(echo "$edges" | while read -r from to; do
  a=$(room "$from"); b=$(room "$to")
  [ "$a" != "$b" ] && echo "$a $b"
done | sort -u)

# tsort names a circle on standard error.
for graph in "$edges" "$rooms"; do
  if echo "$graph" | tsort 2>&1 >/dev/null | grep -q .; then
    echo "An include circle:"
    echo "$graph" | tsort 2>&1 >/dev/null || true
    status=1
  fi
done

for f in $(find console -name '*.cpp' -o -name '*.h'); do
  lines=$(wc -l < "$f")
  case "$f" in *.h) limit=200 ;; *) limit=400 ;; esac
  if [ "$lines" -gt "$limit" ]; then
    echo "$f: $lines lines, more than $limit"
    status=1
  fi
done

lengths=$(mktemp)
trap 'rm -f "$lengths"' EXIT
# A function's body runs from a line that ends in "{" at the indent of a
# declaration (no indent, or one level inside a class) to the "}" at that
# indent; the shape clang-format gives every function here.
for f in $files; do
  awk -v file="$f" '
    function opens(line) { return line ~ /\) *(const *)?(override *)?(noexcept *)?(-> *[A-Za-z_:<>]+ *)?\{$/ }
    function declares(line) {
      return line ~ /^( {4})?[A-Za-z~]/ && line !~ /^ *(namespace|struct|class|enum|union|extern|if|for|while|switch|else|do|return)\b/
    }
    start == 0 && declares($0) && opens($0) { match($0, /^ */); indent = RLENGTH; start = NR; pending = 0; next }
    # A signature that runs on over more lines.
    start == 0 && declares($0) && /\(/ && /,$/ { match($0, /^ */); pendingIndent = RLENGTH; pending = NR; next }
    start == 0 && pending > 0 {
      if (opens($0)) { indent = pendingIndent; start = NR; pending = 0 } else if (/[;}]$/) pending = 0
      next
    }
    start > 0 {
      match($0, /^ */)
      if (RLENGTH == indent && substr($0, indent + 1, 1) == "}") {
        if (NR - start - 1 >= 50) printf "%s:%d: a function of %d lines\n", file, start, NR - start - 1
        start = 0
      }
    }' "$f"
done > "$lengths"
if [ -s "$lengths" ]; then
  cat "$lengths"
  status=1
fi
rm -f "$lengths"

[ "$status" -eq 0 ] && echo "No include circle between files or folders; sizes and function lengths within bounds"
exit "$status"
