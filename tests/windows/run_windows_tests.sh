#!/bin/sh
# Builds capitals.exe with the mingw-w64 cross toolchain, packs the Windows
# zip and tests both under Wine:
#   - the zip: exactly capitals.exe, README.txt and LICENSE.txt in one folder,
#     the same bytes when a copy of the source is built in another folder,
#     its capitals.exe hardened (ASLR, high-entropy ASLR, NX) and playing a
#     redirected round;
#   - redirected runs: answers read from a file or a pipe, the transcript
#     written to a file or a pipe, checked byte for byte against the
#     transcript that the capital table and the answers given call for;
#   - a console run in tmux: the first screen, answers typed with edits, the
#     verdicts, the summary, the next round and Ctrl+C.
#
#   sh tests/windows/run_windows_tests.sh [build-folder]     (default build-windows)
#
# The Wine prefix is made for the run in a temporary folder and removed at
# the end. Exits 0 without testing when mingw-w64 is missing, and after the
# zip's contents when Wine is; non-zero when a check fails. Every Wine
# process it started is ended before it exits.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-build-windows}
case $build in
/*) ;;
*) build=$(pwd)/$build ;;
esac
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
    echo "Windows tests skipped: mingw-w64 not installed"
    exit 0
fi

scriptStart=$(date +%s)
passed=0
failed=0
skipped=""
pass() { passed=$((passed + 1)); echo "  ok: $1"; }
fail() { failed=$((failed + 1)); echo "  FAILED: $1"; }
now() { date +%s; }

# --- Build --------------------------------------------------------------------
echo "== Windows build ($build)"
if ! cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$build.configure.log" 2>&1; then
    cat "$build.configure.log"
    echo "Windows build FAILED: configure"
    exit 1
fi
rm -f "$build.configure.log"
if ! cmake --build "$build" --parallel "$jobs"; then
    echo "Windows build FAILED"
    exit 1
fi
exe=$build/capitals.exe
[ -f "$exe" ] || { echo "Windows build FAILED: no $exe"; exit 1; }

temporary=$(mktemp -d)
work=$temporary/windows-tests
mkdir -p "$work"

# --- The zip ------------------------------------------------------------------
echo "== Windows zip"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zipped=capitals-$version-win64
zipExe=""
if (cd "$work" && cpack --config "$build/CPackConfig.cmake" -G ZIP -B "$work/zip") >"$work/cpack.log" 2>&1 &&
    [ -f "$work/zip/$zipped.zip" ]; then
    pass "zip: cpack -G ZIP made $zipped.zip ($(wc -c <"$work/zip/$zipped.zip") bytes)"
    cmake -E tar tf "$work/zip/$zipped.zip" | grep -v '/$' | sort >"$work/zip.list"
    printf '%s\n' "$zipped/LICENSE.txt" "$zipped/README.txt" "$zipped/capitals.exe" >"$work/zip.expected"
    if cmp -s "$work/zip.expected" "$work/zip.list"; then
        pass "zip: holds exactly $zipped/ with capitals.exe, README.txt and LICENSE.txt"
    else
        fail "zip: its files are not the expected ones"
        diff "$work/zip.expected" "$work/zip.list" | sed 's/^/    /'
    fi
    (cd "$work/zip" && cmake -E tar xf "$zipped.zip")
    cmp -s "$work/zip/$zipped/README.txt" "$root/README.md" && cmp -s "$work/zip/$zipped/LICENSE.txt" "$root/LICENSE" &&
        pass "zip: README.txt and LICENSE.txt are the project's own" ||
        fail "zip: README.txt or LICENSE.txt differs from the project's"
    zipExe=$work/zip/$zipped/capitals.exe
    # The address-space hardening that Windows applies to a program that
    # asks for it: a relocatable image (ASLR), above 4 GB too, and DEP.
    characteristics=$(x86_64-w64-mingw32-objdump -p "$zipExe" 2>/dev/null |
        sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p')
    missing=""
    for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
        printf '%s\n' "$characteristics" | grep -qw "$flag" || missing="$missing $flag"
    done
    [ -z "$missing" ] && pass "zip: capitals.exe has ASLR, high-entropy ASLR and NX (DllCharacteristics)" ||
        fail "zip: capitals.exe lacks$missing"
    # A copy of the source in another folder, built and packed on its own,
    # gives the same zip, given the time the first build took for its
    # packages (the copy has no git history to take it from).
    epoch=$(sed -n 's/^set(CPACK_CAPITALS_SOURCE_DATE_EPOCH "\([0-9]*\)")$/\1/p' "$build/CPackConfig.cmake")
    copy=$temporary/elsewhere/capitals
    mkdir -p "$copy"
    if command -v git >/dev/null 2>&1 && [ -e "$root/.git" ]; then
        (cd "$root" && git ls-files -z | tar --null -T - -cf -) | (cd "$copy" && tar -xf -)
    else
        (cd "$root" && tar --exclude='./build*' --exclude=./.git --exclude=./.cache -cf - .) | (cd "$copy" && tar -xf -)
    fi
    if [ -n "$epoch" ] && SOURCE_DATE_EPOCH=$epoch cmake -S "$copy" -B "$copy/build" \
        -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_TESTING=OFF >"$work/copy.log" 2>&1 &&
        SOURCE_DATE_EPOCH=$epoch cmake --build "$copy/build" --parallel "$jobs" --target package \
            >>"$work/copy.log" 2>&1 &&
        cmp -s "$copy/build/$zipped.zip" "$work/zip/$zipped.zip"; then
        pass "zip: the same bytes from a copy of the source built in another folder"
    else
        fail "zip: a copy of the source built in another folder gives another zip"
        tail -n 5 "$work/copy.log"
    fi
else
    fail "zip: cpack -G ZIP failed"
    cat "$work/cpack.log"
fi

if ! command -v wine >/dev/null 2>&1 || ! command -v wineserver >/dev/null 2>&1; then
    rm -rf "$temporary"
    echo "== Windows runs skipped: wine not installed"
    echo "Windows: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
fi

# --- Wine ---------------------------------------------------------------------
export WINEPREFIX="$temporary/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# With no display, Wine's desktop process still tries a Wayland one, and
# without a runtime folder says so on its standard error: a folder of the
# run's own keeps that line quiet.
export XDG_RUNTIME_DIR="$temporary/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
tmuxSocket=capitals-wine-$$
started=""

cleanup() {
    for pid in $started; do kill "$pid" 2>/dev/null; done
    echo "   (cleanup at $(($(now) - scriptStart)) s)"
    command -v tmux >/dev/null 2>&1 && tmux -L "$tmuxSocket" kill-server 2>/dev/null
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$temporary"
}
trap cleanup EXIT
trap 'exit 2' INT TERM HUP

echo "== Wine prefix: first start (wineboot -i)"
t0=$(now)
if ! wineboot -i </dev/null >"$work/wineboot.log" 2>&1; then
    cat "$work/wineboot.log"
    echo "Wine prefix FAILED"
    exit 1
fi
wineserver -w
echo "   wineboot took $(($(now) - t0)) s"
# One Wine server for all runs, so that Wine's own services start only once.
wineserver -p
# And one desktop: Wine starts its desktop process for the first program
# that asks the desktop anything (the program asks it the key map at its
# first key) and ends it some time after the desktop's last user has gone,
# from one to more than ten seconds here; so each console run would start
# it again, with the run's console as its standard error, and be outlived
# by it. The keeper holds the desktop from now on.
keeper=$build/tests/windows/desktop_keeper.exe
t0=$(now)
wine "$keeper" </dev/null >"$work/desktop.log" 2>&1 &
started="$started $!"
while [ "$(now)" -le $((t0 + 60)) ] && ! grep -q '^desktop ' "$work/desktop.log"; do sleep 0.2; done
if grep -q '^desktop ' "$work/desktop.log"; then
    echo "   Wine's desktop up after $(($(now) - t0)) s"
else
    fail "Wine's desktop: the keeper did not report it within 60 s: $(tr '\n' ' ' <"$work/desktop.log")"
fi

# The Windows process that `wine` started (a child of the launcher), if any.
windowsPid() {
    if tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null | grep -q 'capitals\.exe'; then
        echo "$1"
    else
        ps -o pid= --ppid "$1" 2>/dev/null | head -n 1 | tr -d ' '
    fi
}
# User plus system clock ticks a process has used.
cpuTicks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }

# Waits up to $2 seconds until file $1 holds the line that ends a round.
waitForRoundEnd() {
    deadline=$(($(now) + $2))
    while [ "$(now)" -le "$deadline" ]; do
        grep -q 'Press a key to play again' "$1" 2>/dev/null && return 0
        sleep 0.5
    done
    return 1
}

# Ends a run: the launcher and the Windows process under it.
endRun() {
    child=$(windowsPid "$1")
    kill "$1" 2>/dev/null
    [ -n "$child" ] && kill "$child" 2>/dev/null
    wait "$1" 2>/dev/null
    echo "   ($2 done at $(($(now) - scriptStart)) s)"
}

checkTranscript() { # name output fields
    if awk -f "$here/expected_transcript.awk" "$here/capital_table.tsv" "$3" "$2" >"$work/$1.expected" \
        2>"$work/$1.why"; then
        if cmp -s "$work/$1.expected" "$2"; then
            pass "$1: transcript byte for byte ($(grep -c 'Correct!' "$2") right, all 50 states once)"
        else
            fail "$1: transcript differs from the expected one"
            cmp "$work/$1.expected" "$2" | sed 's/^/    /'
            diff "$work/$1.expected" "$2" | head -n 20 | sed 's/^/    /'
        fi
    else
        fail "$1: $(cat "$work/$1.why")"
    fi
}

# --- Redirected runs ----------------------------------------------------------
echo "== Redirected standard input and output"

# 1. Fifty empty lines from a file, output to a file: every answer is empty.
i=0
: >"$work/empty.in"
while [ $i -lt 50 ]; do printf '\n' >>"$work/empty.in"; i=$((i + 1)); done
: >"$work/empty.fields"
i=0
while [ $i -lt 50 ]; do printf '\n' >>"$work/empty.fields"; i=$((i + 1)); done
t0=$(now)
wine "$exe" <"$work/empty.in" >"$work/empty.out" 2>"$work/empty.err" &
wpid=$!
started="$started $wpid"
if waitForRoundEnd "$work/empty.out" 120; then
    echo "   first redirected run: round over after $(($(now) - t0)) s"
    sleep 1
    checkTranscript empty-lines "$work/empty.out" "$work/empty.fields"
    grep -q '? ' "$work/empty.out" && fail "empty-lines: a prompt was shown on redirected input"
    grep -q ' 0of 50correct.' "$work/empty.out" && pass "empty-lines: summary \" 0of 50correct.\""
    # The wait for a key that can never come must not use the processor.
    child=$(windowsPid "$wpid")
    if [ -n "$child" ] && [ -r "/proc/$child/stat" ]; then
        c0=$(cpuTicks "$child")
        sleep 2
        c1=$(cpuTicks "$child")
        if [ $((c1 - c0)) -le 20 ]; then
            pass "empty-lines: the wait after the round is idle ($((c1 - c0)) ticks in 2 s)"
        else
            fail "empty-lines: the wait after the round used $((c1 - c0)) clock ticks in 2 s"
        fi
        kill -0 "$child" 2>/dev/null && pass "empty-lines: the program is still waiting for a key"
    else
        skipped="$skipped idle-wait"
    fi
else
    fail "empty-lines: no round end within 120 s"
    head -c 2000 "$work/empty.out"
    cat "$work/empty.err"
fi
endRun "$wpid" empty-lines

# The same answers to the capitals.exe of the zip.
if [ -n "$zipExe" ]; then
    wine "$zipExe" <"$work/empty.in" >"$work/zip.out" 2>"$work/zip.err" &
    wpid=$!
    started="$started $wpid"
    if waitForRoundEnd "$work/zip.out" 120; then
        sleep 1
        checkTranscript zip-exe "$work/zip.out" "$work/empty.fields"
    else
        fail "zip-exe: no round end within 120 s"
        cat "$work/zip.err"
    fi
    endRun "$wpid" zip-exe
fi

# 2. Answers with the input-field rules from a pipe, output to a file. The
# n-th field answers the n-th question, whatever state it asks.
{
    printf 'Montgomery, Juneau\r\n'
    printf '"Phoenix"\n'
    printf ' \t Little Rock\r'
    printf 'sacramento\r\n'
    printf 'Denver \r\n'
    i=0
    while [ $i -lt 5000 ]; do printf ' '; i=$((i + 1)); done
    printf 'Hartford\r\n'
    printf '\032Dover\r\n'
    printf '"Tallahassee, FL"  \r\n'
    printf 'Atl"anta\r\n'
    printf ',\r\n'
    printf 'Spring\377field\r\n'
    tail -n +14 "$here/capital_table.tsv" | cut -f 2 | sed 's/$/\r/'
} >"$work/fields.in"
{
    printf 'Montgomery\nJuneau\nPhoenix\nLittle Rock\nsacramento\nDenver \nHartford\n\032Dover\n'
    printf 'Tallahassee, FL\nAtl"anta\n\n\nSpring\377field\n'
    tail -n +14 "$here/capital_table.tsv" | cut -f 2
} >"$work/fields.fields"
rm -f "$work/fields.fifo"
mkfifo "$work/fields.fifo"
wine "$exe" <"$work/fields.fifo" >"$work/fields.out" 2>"$work/fields.err" &
wpid=$!
started="$started $wpid"
cat "$work/fields.in" >"$work/fields.fifo" &
started="$started $!"
if waitForRoundEnd "$work/fields.out" 120; then
    sleep 1
    checkTranscript answer-fields "$work/fields.out" "$work/fields.fields"
else
    fail "answer-fields: no round end within 120 s"
    cat "$work/fields.err"
fi
endRun "$wpid" answer-fields

# 3. Answers given as the questions come, through pipes both ways: the right
# capital for most questions, in the field forms the quiz accepts, and wrong
# answers in between.
rm -f "$work/live.in.fifo" "$work/live.out.fifo"
mkfifo "$work/live.in.fifo" "$work/live.out.fifo"
wine "$exe" <"$work/live.in.fifo" >"$work/live.out.fifo" 2>"$work/live.err" &
wpid=$!
started="$started $wpid"
exec 3>"$work/live.in.fifo" 4<"$work/live.out.fifo"
# A watchdog ends the run if the round stalls; stopping it stops its sleep.
sh -c 'sleep 120 & s=$!; trap "kill $s; exit 0" TERM; wait $s; kill "$1"' watchdog "$wpid" >/dev/null 2>&1 &
watchdog=$!
started="$started $watchdog"
cr=$(printf '\r')
: >"$work/live.out"
: >"$work/live.fields"
n=0
while IFS= read -r line <&4; do
    printf '%s\n' "$line" >>"$work/live.out"
    case $line in
    "Name the capital of "*)
        n=$((n + 1))
        state=${line#Name the capital of }
        state=${state%"$cr"}
        capital=$(awk -F '\t' -v s="$state" '$1 == s { print $2 }' "$here/capital_table.tsv")
        case $((n % 5)) in
        1) printf '%s\r\n' "$capital" >&3; printf '%s\n' "$capital" >>"$work/live.fields" ;;
        2) printf '  "%s"  \n' "$capital" >&3; printf '%s\n' "$capital" >>"$work/live.fields" ;;
        3) printf '\t %s\r\n' "$capital" >&3; printf '%s\n' "$capital" >>"$work/live.fields" ;;
        4)
            lower=$(printf '%s' "$capital" | tr 'A-Z' 'a-z')
            printf '%s\r\n' "$lower" >&3
            printf '%s\n' "$lower" >>"$work/live.fields"
            ;;
        0) printf '%s \r\n' "$capital" >&3; printf '%s \n' "$capital" >>"$work/live.fields" ;;
        esac
        ;;
    "Press a key to play again"*) break ;;
    esac
done
kill "$watchdog" 2>/dev/null
endRun "$wpid" live-answers
exec 3>&- 4<&-
if [ "$n" -eq 50 ]; then
    checkTranscript live-answers "$work/live.out" "$work/live.fields"
    grep -q '^ 30of 50correct.' "$work/live.out" && pass "live-answers: summary \" 30of 50correct.\""
else
    fail "live-answers: the round ended after $n questions"
    cat "$work/live.err"
fi

# --- Console run in tmux ------------------------------------------------------
. "$here/console_checks.sh"
. "$here/windows_drills.sh"

[ -n "$skipped" ] && echo "== Windows checks not run:$skipped"
echo "Windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
