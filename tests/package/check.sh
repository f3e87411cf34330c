# The checks' shared helpers, sourced by the package tests: counted passes
# and failures, and a redirected first round of a program checked byte for
# byte against the transcript that its question order calls for.
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAILED: $1"; }
# Prints the tally; the exit status is the test's.
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# Skips the test (exit status 77) unless every tool named is installed.
needsTools() {
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "skipped: $tool is needed for this test (dpkg-dev)" >&2
            exit 77
        fi
    done
}

transcripts=$(cd "$(dirname "$0")/../windows" && pwd)

# playsRedirectedRound NAME PROGRAM WORK: the program answers 50 empty fields
# from a file into a file; once the round is over it is ended, and the
# transcript must be the expected one.
playsRedirectedRound() {
    : >"$3/$1.in"
    i=0
    while [ $i -lt 50 ]; do printf '\n' >>"$3/$1.in"; i=$((i + 1)); done
    "$2" <"$3/$1.in" >"$3/$1.out" 2>"$3/$1.err" &
    program=$!
    # The round is over once the output ends with its last line; then the
    # program waits for a key that cannot come.
    ending=$(printf 'Press a key to play again\r\n' | od -An -c)
    waited=0
    while [ "$(tail -c 27 "$3/$1.out" 2>/dev/null | od -An -c)" != "$ending" ] && [ $waited -lt 600 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    if awk -f "$transcripts/expected_transcript.awk" "$transcripts/capital_table.tsv" "$3/$1.in" "$3/$1.out" \
        >"$3/$1.expected" 2>"$3/$1.why" && cmp -s "$3/$1.expected" "$3/$1.out"; then
        pass "$1: plays a redirected round (50 questions, transcript byte for byte)"
    else
        fail "$1: the redirected round's transcript is not the expected one"
        cat "$3/$1.why"
        diff "$3/$1.expected" "$3/$1.out" | head -n 10
        head -c 600 "$3/$1.err"
    fi
}
