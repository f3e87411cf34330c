# The drills of the Windows program, sourced by run_windows_tests.sh after the
# console run: each drill runs capitals.exe in Wine's console inside a tmux
# pane and measures what the user would rely on.
#   - Ctrl+C (and Ctrl+Break, where the console can raise it) ends the
#     program at once at the prompt, while verdicts stream and at the wait
#     between rounds, printing nothing more and leaving no process;
#   - the console going away (the tmux server killed, the pane closed) ends
#     the program at once;
#   - the prompt and the wait between rounds use no processor time;
#   - a paste far larger than the key ring costs bounded memory and time,
#     and the keys kept are the newest 511;
#   - 200 pane resizes while keys are typed and verdicts scroll leave a
#     screen that reads right;
#   - hostile redirection (standard input closed, at its end or a pipe whose
#     writer is gone; standard output a full device or a pipe nobody reads):
#     no crash, no spinning, and Ctrl+C still ends the program.


echo "== Drills in Wine's console"
if ! command -v tmux >/dev/null 2>&1; then
    echo "   drills skipped: tmux not installed"
    skipped="$skipped drills"
    return 0 2>/dev/null || exit 0
fi

drillsStart=$(now)
nowMs() { echo $(($(date +%s%N) / 1000000)); }
# Generous for a loaded machine; the figures printed are the real ones.
interruptLimitMs=2000
goneLimitMs=1000
idleTicks=3
pasteGrowthKb=16384
pasteLimitS=90

programPid() { runPids "$1" 'capitals\.exe' | head -n 1; }
alive() {
    processState=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)
    [ -n "$processState" ] && [ "$processState" != Z ]
}
ticksOver() { # pid seconds
    t0=$(cpuTicks "$1")
    sleep "$2"
    echo $(($(cpuTicks "$1") - t0))
}
# The state that question $2 of session $1 asks.
askedStateIn() { ds "$1" | awk -v h=" $2 of 50" 'prev == h { print substr($0, 21) } { prev = $0 }' | tail -n 1; }
peakKb() { awk '$1 == "VmHWM:" { print $2 }' "/proc/$1/status" 2>/dev/null; }

ds() { tm capture-pane -p -t "$1"; }
# All that the pane of session $1 has shown, its history included, without
# the note tmux adds when the pane's process has ended.
shown() { tm capture-pane -p -S - -t "$1" | grep -v '^Pane is dead' | trimBlankTail; }
cursorOf() { tm display-message -p -t "$1" '#{cursor_x},#{cursor_y}'; }
# Starts a run in a session of its own and waits up to $4 seconds for a
# screen line matching $3 (for a capitals.exe of the run, with $3 empty); $2
# is the command after wine's environment, by default capitals.exe alone. A
# run that did not start is said, and started once more; 1 when that did
# not start either, with the reason in notStarted.
startRun() {
    startSession "$1" "$consoleEnv DRILL_RUN=$1@$$ ${2:-wine '$exe'}" "${3-^?\$}" "${4:-60}"
}
# Waits up to $3 seconds for a screen line of session $1 matching $2.
waitFor() {
    deadline=$(($(now) + $3))
    while [ "$(now)" -le "$deadline" ]; do
        ds "$1" | grep -q -- "$2" && return 0
        sleep 0.05
    done
    return 1
}
# Waits up to $2 seconds until the screen and cursor of session $1 have
# changed from shot $4 (when given) and then stay the same for $3 seconds;
# prints the ms from the start to the last change.
waitStill() {
    t0=$(nowMs)
    last=${4:-}
    since=$t0
    while [ $(($(nowMs) - t0)) -lt $(($2 * 1000)) ]; do
        shot="$(ds "$1")$(cursorOf "$1")"
        if [ "$shot" != "$last" ]; then
            last=$shot
            since=$(nowMs)
        elif [ $(($(nowMs) - since)) -ge $(($3 * 1000)) ] && [ "$since" -gt "$t0" -o -z "${4:-}" ]; then
            break
        fi
        sleep 0.2
    done
    echo $((since - t0))
}
# Fifty answers pasted at once, each ending in Enter.
answers50=$work/answers50.txt
i=0
: >"$answers50"
while [ $i -lt 50 ]; do printf 'x\n' >>"$answers50"; i=$((i + 1)); done
pasteAnswers() { tm load-buffer -b answers "$answers50" && tm paste-buffer -b answers -t "$1"; }

# Waits up to 10 s until no process of run $1 is left (Wine's console
# process follows the program within some 0.2 to 0.4 s; Wine's desktop
# process is the desktop keeper's, started before any run); fails with a
# list.
checkNothingLeft() {
    t0=$(nowMs)
    deadline=$((t0 + 10000))
    while [ -n "$(runPids "$1")" ] && [ "$(nowMs)" -lt "$deadline" ]; do sleep 0.1; done
    left=$(for p in $(runPids "$1"); do tr '\0\\' ' /' <"/proc/$p/cmdline"; echo " ($p)"; done)
    if [ -z "$left" ]; then
        pass "$2: no process of the run is left ($(($(nowMs) - t0)) ms)"
    else
        fail "$2: processes left: $left"
        for p in $(runPids "$1"); do kill -9 "$p" 2>/dev/null; done
    fi
}

# The program at rest uses no processor time: at most a few clock ticks in
# 3 s, measured on the capitals.exe process.
checkIdle() {
    used=$(ticksOver "$1" 3)
    if [ -n "$used" ] && [ "$used" -le "$idleTicks" ]; then
        pass "idle at $2 ($used ticks in 3 s)"
    else
        fail "at $2 the program used ${used:-?} clock ticks in 3 s"
    fi
}

# Times the end of process $1 from now on, up to $2 ms; prints the ms taken.
timeEnd() {
    t0=$(nowMs)
    while alive "$1" && [ $(($(nowMs) - t0)) -lt "$2" ]; do sleep 0.01; done
    echo $(($(nowMs) - t0))
}
# Waits for process $1 to end after what $2 names, and passes when it ended
# within $3 ms; a process still running is killed. Sets took.
checkEnds() {
    took=$(timeEnd "$1" 10000)
    echo "   $2: ended after $took ms"
    if alive "$1"; then
        fail "$2: the program still runs $took ms later"
        kill -9 "$1"
    elif [ "$took" -le "$3" ]; then
        pass "$2: the program ends at once ($took ms)"
    else
        fail "$2: the program took $took ms to end"
    fi
}

# --- Ctrl+C and Ctrl+Break ------------------------------------------------------
# $1 run, $2 moment (prompt, stream, between), $3 C-c or break. The run is at
# its prompt; the moment is reached, the interrupt sent, and the end checked.
interruptAt() {
    name="$3 $2"
    pid=$(programPid "$1")
    case $2 in
    stream)
        pasteAnswers "$1"
        waitFor "$1" '^ \([5-9]\|[1-4][0-9]\) of 50$' 30 || fail "$name: verdicts did not stream"
        ;;
    between)
        pasteAnswers "$1"
        waitFor "$1" '^Press a key to play again$' 60 || fail "$name: the round did not end"
        sleep 0.3
        [ "$3" = C-c ] && checkIdle "$pid" "the wait between rounds"
        ;;
    esac
    before=$(shown "$1")
    if [ "$3" = break ]; then
        : >"$work/break.trigger"
        deadline=$(($(now) + 10))
        while ! grep -q '^sent' "$work/break.report" 2>/dev/null && [ "$(now)" -le "$deadline" ]; do sleep 0.05; done
        if grep -q '^sent 0' "$work/break.report"; then
            echo "   Ctrl+Break drills skipped: the console refuses to raise CTRL_BREAK_EVENT (GenerateConsoleCtrlEvent fails)"
            skipped="$skipped ctrl-break"
            for p in $(runPids "$1"); do kill -9 "$p" 2>/dev/null; done
            return 1
        fi
    else
        tm send-keys -t "$1" C-c
    fi
    checkEnds "$pid" "$name" "$interruptLimitMs"
    [ "$3" = break ] && echo "   $name: the launcher's own figures: $(grep -h '^ended\|^running' "$work/break.report")"
    sleep 0.5
    after=$(shown "$1")
    case $2 in
    stream)
        # The queued answers are never read: the round stopped at the
        # question it had reached, short of its end, and the screen stands
        # still.
        asked=$(printf '%s\n' "$before" | sed -n 's/^ \([0-9]*\) of 50$/\1/p' | tail -n 1)
        reached=$(printf '%s\n' "$after" | sed -n 's/^ \([0-9]*\) of 50$/\1/p' | tail -n 1)
        if [ "${reached:-0}" -ge "${asked:-99}" ] && [ "$reached" -lt 50 ] &&
            ! printf '%s\n' "$after" | grep -q 'Study round over!' && [ "$after" = "$(shown "$1")" ]; then
            pass "$name: the queued answers were not read (interrupted at question $asked, ended at $reached)"
        else
            fail "$name: the program went on after the interrupt (question ${asked:-?} then ${reached:-?})"
        fi
        ;;
    *)
        if [ "$after" = "$before" ]; then
            pass "$name: nothing more printed"
        else
            fail "$name: the screen changed"
            printf "%s\n" "$before" >"$work/before.txt"
            printf "%s\n" "$after" | diff "$work/before.txt" - | sed "s/^/    /"
        fi
        ;;
    esac
    checkNothingLeft "$1" "$name"
}

# The console's Ctrl+Break event, raised by the launcher when the trigger
# file appears. A console that refuses to raise it (Wine 8's does; Wine
# 10's raises it) makes the Ctrl+Break drills skip, with the reason.
breakDrill() {
    rm -f "$work/break.trigger" "$work/break.report"
    if startRun "$1" "wine '$build/tests/windows/break_launcher.exe' 'Z:$work/break.trigger' 'Z:$work/break.report' 'Z:$exe'"; then
        interruptAt "$1" "$2" break
    else
        fail "break $2: the launcher's run did not start, twice: $notStarted"
    fi
}

for moment in stream between; do
    if startRun "c-$moment"; then
        interruptAt "c-$moment" $moment C-c
    else
        fail "C-c $moment: the run did not start, twice: $notStarted"
    fi
done
if breakDrill b-prompt prompt; then
    breakDrill b-stream stream
    breakDrill b-between between
fi
echo "   (interrupts done at $(($(now) - scriptStart)) s)"

# --- The console going away -----------------------------------------------------
# At the prompt, the tmux server is killed (the terminal under Wine's console
# is gone), or the pane alone is closed while the server stays.
goneDrill() { # run how
    if [ "$2" = server ]; then
        socket=$tmuxSocket
        tmuxSocket=$tmuxSocket-gone
    fi
    if startRun "$1"; then
        tm new-window -d -t "$1" "sleep 600"
        pid=$(programPid "$1")
        if [ "$2" = server ]; then tm kill-server; else tm kill-pane -t "$1:0.0"; fi
        checkEnds "$pid" "console gone ($2)" "$goneLimitMs"
        checkNothingLeft "$1" "console gone ($2)"
    else
        fail "console gone ($2): the run did not start, twice: $notStarted"
    fi
    if [ "$2" = server ]; then
        tm kill-server 2>/dev/null
        tmuxSocket=$socket
    else
        tm kill-session -t "$1" 2>/dev/null
    fi
}
goneDrill gone-server server
goneDrill gone-pane pane
echo "   (console gone done at $(($(now) - scriptStart)) s)"

# --- One run at the prompt: idle, a paste flood, resizes, Ctrl+C -----------------
if ! startRun prompt; then
    fail "prompt run: did not start, twice: $notStarted"
else
    pid=$(programPid prompt)
    checkIdle "$pid" "the answer prompt"

    # The flood: 1 MiB of pseudo-random small letters, the newest 511 of
    # them upper-case; no line ending. Only the newest 511 keys fit the key
    # ring.
    flood=$work/flood.txt
    awk 'BEGIN { s = 1; n = 1048576
        for (i = 0; i < n; i++) { s = (s * 75 + 74) % 65537; printf "%c", (i >= n - 511 ? 65 : 97) + s % 26 } }' >"$flood"
    state=$(ds prompt | sed -n 's/^Name the capital of //p' | tail -n 1)
    idleKb=$(peakKb "$pid")
    shot="$(ds prompt)$(cursorOf prompt)"
    tm load-buffer -b flood "$flood"
    tm paste-buffer -d -b flood -t prompt
    took=$(waitStill prompt "$pasteLimitS" 3 "$shot")
    peak=$(peakKb "$pid")
    # The echo from the "? " on (or from the top once it scrolled away) to
    # the cursor, rows joined.
    cursor=$(cursorOf prompt)
    echoed=$(ds prompt | awk -v cx="${cursor%,*}" -v cy="${cursor#*,}" '
        { row[NR - 1] = $0 } /^\? / { from = NR - 1 }
        END { text = ""; for (r = from; r <= cy; r++) { line = row[r]
                  if (r == cy) line = substr(line, 1, cx)
                  if (r == from && substr(line, 1, 2) == "? ") line = substr(line, 3)
                  text = text line }
              print text }')
    echo "   flood of $(wc -c <"$flood") keys: screen still after $took ms; peak memory $idleKb kB idle, $peak kB after; ${#echoed} keys echoed"
    if [ -z "$peak" ] || [ -z "$idleKb" ]; then
        fail "flood: the program is gone ($(tm display-message -p -t prompt '#{pane_dead_status} #{pane_dead_signal}'))"
    elif [ $((peak - idleKb)) -le "$pasteGrowthKb" ] && [ "$took" -lt $((pasteLimitS * 1000)) ]; then
        pass "flood: bounded memory (+$((peak - idleKb)) kB) and time ($took ms)"
    else
        fail "flood: memory +$((peak - idleKb)) kB, time $took ms"
    fi
    newest=$(tail -c 511 "$flood")
    if [ ${#echoed} -ge 511 ] && [ "$(printf '%s' "$echoed" | tail -c 511)" = "$newest" ]; then
        pass "flood: the answer ends in the newest 511 keys, in order"
    else
        fail "flood: the echo does not end in the newest 511 keys"
        ds prompt | sed 's/^/    /'
    fi
    tm send-keys -t prompt Enter
    if waitFor prompt '^ 2 of 50$' 30 &&
        [ "$(ds prompt | grep -A 3 '^Incorrect$' | tr '\n' '|')" = "Incorrect|Correct answer is $(capitalOf "$state")| 2 of 50|Name the capital of $(askedStateIn prompt 2)|" ]; then
        pass "flood: Enter judges the kept keys (\"Incorrect\") and the next question follows"
    else
        fail "flood: no verdict and next question after Enter"
        ds prompt | sed 's/^/    /'
    fi
fi

if [ -n "$(programPid prompt)" ]; then
    # 200 resizes of the pane between 40 by 10 and 120 by 40 while answers
    # are typed and the verdicts scroll, then back to 80 by 25. Wine's
    # console keeps its 80 by 25 buffer; the program must come through with
    # every answer judged and a screen that reads right.
    (
        i=0
        while [ $i -lt 200 ]; do
            tm resize-window -t prompt -x $((40 + i * 37 % 81)) -y $((10 + i * 13 % 31))
            i=$((i + 1))
        done
    ) &
    resizer=$!
    typed=0
    while kill -0 "$resizer" 2>/dev/null && [ $typed -lt 40 ]; do
        typed=$((typed + 1))
        tm send-keys -t prompt -l "typed$typed"
        tm send-keys -t prompt Enter
    done
    wait "$resizer"
    tm resize-window -t prompt -x 80 -y 25
    waitStill prompt 30 1 >/dev/null
    # Every row is a row of the quiz; each typed answer has its verdict and
    # the capital of the state asked, and the next header follows.
    rows=$(ds prompt | trimBlankTail | awk -F '\t' -v last="$typed" '
        NR == FNR { capital[$1] = $2; next }
        { line[++n] = $0 }
        END {
            bad = 0; seen = 0
            for (i = 1; i <= n; i++) {
                l = line[i]
                if (l !~ /^ [0-9]+ of 50$/ && l !~ /^Name the capital of / && l !~ /^\? typed[0-9]+$/ &&
                    l != "Incorrect" && l !~ /^Correct answer is / && !(i == n && l == "?")) bad++
                if (l !~ /^\? typed[0-9]+$/) continue
                seen++
                k = substr(l, 8) + 0
                if (line[i + 1] != "Incorrect") bad++
                if (line[i + 3] != sprintf(" %d of 50", k + 2)) bad++
                if (i == 1) continue
                state = line[i - 1]
                if (sub(/^Name the capital of /, "", state) != 1 || line[i + 2] != "Correct answer is " capital[state]) bad++
            }
            print seen, bad, (line[n] == "?" && line[n - 2] == sprintf(" %d of 50", last + 2))
        }' "$here/capital_table.tsv" -)
    echo "   resizes: $typed answers typed during 200 resizes; screen: $rows (answers seen, bad rows, prompt in place)"
    if [ "${rows% *}" != "${rows%% *} 0" ] || [ "${rows##* }" != 1 ] || [ "${rows%% *}" -lt 3 ]; then
        fail "resizes: the screen does not read right"
        ds prompt | sed 's/^/    /'
    else
        pass "resizes: $typed answers judged during 200 resizes, the screen reads right"
    fi
    state=$(askedStateIn prompt $((typed + 2)))
    capital=$(capitalOf "$state")
    tm send-keys -t prompt -l "$capital"
    tm send-keys -t prompt Enter
    if waitFor prompt "^ $((typed + 3)) of 50\$" 20 &&
        [ "$(ds prompt | grep -A 2 "^? $capital\$" | tr '\n' '|')" = "? $capital|Correct!| $((typed + 3)) of 50|" ]; then
        pass "resizes: the next answer is echoed and judged right (\"Correct!\")"
    else
        fail "resizes: the answer after the resizes (\"$capital\" for $state)"
        ds prompt | sed 's/^/    /'
    fi

    interruptAt prompt prompt C-c
fi
echo "   (prompt run done at $(($(now) - scriptStart)) s)"

# --- Hostile redirection ----------------------------------------------------------
# Five runs side by side, each in a console: standard input closed, at its
# end, or a pipe whose writer has gone (each gives a round of empty answers,
# then the wait for a key that can never come); standard output a full
# device (all output lost) or a pipe that a process holds open and never
# reads (the program fills it and waits in its write). None may crash or
# spin, and Ctrl+C ends each.
# Waits up to $2 seconds until process $1 has used no clock tick for 2 s.
waitQuiet() {
    deadline=$(($(now) + $2))
    while [ "$(now)" -le "$deadline" ]; do
        [ "$(ticksOver "$1" 2)" = 0 ] && return 0
    done
    return 1
}
rm -f "$work/unread.fifo"
mkfifo "$work/unread.fifo"
exec 5<>"$work/unread.fifo"
for run in r-closed r-null r-ended r-full r-unread; do
    case $run in
    r-closed) command="wine '$exe' <&-" ;;
    r-null) command="wine '$exe' </dev/null" ;;
    r-ended) command="sh -c \"true | wine '$exe'\"" ;;
    r-full) command="wine '$exe' >/dev/full" ;;
    r-unread) command="wine '$exe' >'$work/unread.fifo'" ;;
    esac
    startRun $run "$command" "" 60 || fail "$run: did not start, twice: $notStarted"
done
: >"$work/rounds.txt"
i=0
while [ $i -lt 400 ]; do
    printf '\n' >>"$work/rounds.txt"
    i=$((i + 1))
    [ $((i % 50)) -eq 0 ] && printf 'k' >>"$work/rounds.txt"
done
sleep 3
tm paste-buffer -b answers -t r-full
tm send-keys -t r-full k
tm paste-buffer -b answers -t r-full
# Eight rounds of empty answers, twice: some 80 KiB of output for the pipe,
# in pastes that each fit the key ring.
tm load-buffer -b rounds "$work/rounds.txt"
tm paste-buffer -b rounds -t r-unread
waitQuiet "$(programPid r-unread)" 30
tm paste-buffer -b rounds -t r-unread
for run in r-closed r-null r-ended; do
    # The missed list fills the screen: every row above the last is a
    # state with its capital.
    if waitFor $run '^Press a key to play again$' 60 &&
        [ "$(ds $run | trimBlankTail | awk -F '\t' 'NR == FNR { pair[$1 " , " $2] = 1; next }
                { n++ } pair[$0] { k++ } END { print k + 1 == n }' "$here/capital_table.tsv" -)" = 1 ]; then
        pass "$run: a round of empty answers, all missed, no prompt, then the wait"
    else
        fail "$run: no round of empty answers"
        ds $run | sed 's/^/    /'
    fi
done
for run in r-closed r-null r-ended r-full r-unread; do
    pid=$(programPid $run)
    if [ -z "$pid" ] || ! alive "$pid"; then
        fail "$run: the program is gone ($(tm display-message -p -t $run '#{pane_dead_status}'))"
    elif waitQuiet "$pid" 60; then
        checkIdle "$pid" "the end of the input ($run)"
    else
        fail "$run: the program keeps using the processor"
    fi
done
[ -z "$(ds r-full | trimBlankTail)" ] && pass "r-full: nothing shown, the output being lost" ||
    fail "r-full: the console shows output meant for the full device"
for run in r-closed r-null r-ended r-full r-unread; do
    pid=$(programPid $run)
    [ -n "$pid" ] || continue
    tm send-keys -t $run C-c
    checkEnds "$pid" "$run: Ctrl+C" "$interruptLimitMs"
    checkNothingLeft $run $run
done
# The pipe nobody read was full: the program was held in its write.
held=$(timeout 2 cat <&5 | wc -c)
exec 5<&-
echo "   r-unread: $held bytes waited in the pipe"
[ "$held" -ge 49152 ] && pass "r-unread: the pipe was filled ($held bytes) and the program waited in its write, idle" ||
    fail "r-unread: only $held bytes in the pipe: the program never waited in a write"
tm kill-server 2>/dev/null
echo "   (drills done after $(($(now) - drillsStart)) s)"
