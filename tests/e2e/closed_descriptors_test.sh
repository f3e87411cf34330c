#!/bin/sh
# The program started with standard input, output and error closed: no
# descriptor of its own may take their place. It must behave as with all
# three on the null device: empty answers from the exhausted input, the
# whole round written and lost, then the quiet wait for a key that never
# comes. Read back as answers, its own transcript would show in what it
# reads.
#
# Usage: sh closed_descriptors_test.sh path/to/capitals
set -u
program=$1
failures=0
closed=
nulls=
cleanup() {
    for p in $closed $nulls; do kill -KILL "$p" 2>/dev/null; done
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
io_field() { awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/io" 2>/dev/null; }

# Waits up to 60 s until the process has written nothing new for a second.
wait_quiet() {
    deadline=$(( $(now_ms) + 60000 ))
    last=-1
    while [ "$(now_ms)" -lt "$deadline" ] && kill -0 "$1" 2>/dev/null; do
        now=$(io_field "$1" wchar)
        [ -z "$now" ] && { sleep 1; return; }  # the system does not say
        [ "$now" = "$last" ] && return
        last=$now
        sleep 1
    done
}

"$program" <&- >&- 2>&- &
closed=$!
"$program" </dev/null >/dev/null 2>/dev/null &
nulls=$!
wait_quiet "$closed"
wait_quiet "$nulls"

kill -0 "$closed" 2>/dev/null || fail "with closed descriptors the program ended"
kill -0 "$nulls" 2>/dev/null || fail "on the null device the program ended"
for fd in 0 1 2; do
    target=$(readlink "/proc/$closed/fd/$fd" 2>/dev/null)
    [ "$target" = /dev/null ] || fail "descriptor $fd is \"$target\", not the null device"
done

if [ -r "/proc/$closed/io" ]; then
    closed_read=$(io_field "$closed" rchar)
    nulls_read=$(io_field "$nulls" rchar)
    closed_written=$(io_field "$closed" wchar)
    nulls_written=$(io_field "$nulls" wchar)
    echo "closed: read $closed_read, wrote $closed_written; null device: read $nulls_read, wrote $nulls_written"
    # The whole round of empty answers is written in both; the same length
    # whatever order the states come in.
    [ "$closed_written" = "$nulls_written" ] || fail "wrote $closed_written bytes, not $nulls_written"
    # Reading back a transcript would read about as much as was written.
    [ $((closed_read - nulls_read)) -lt $((nulls_written / 2)) ] || fail "read $closed_read bytes, not about $nulls_read"
fi

if [ "$failures" -eq 0 ]; then
    echo "1 passed, 0 failed"
else
    echo "0 passed, 1 failed"
fi
[ "$failures" -eq 0 ]
