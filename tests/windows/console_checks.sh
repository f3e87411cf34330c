# The console run of the Windows tests, sourced by run_windows_tests.sh: the
# layer's own checks, then the program, in Wine's console inside an 80 by 25
# tmux pane. One whole round is
# typed with edits (Backspace, Left, Delete, Home and End, Tab), every echo
# and verdict is read off the screen, then the summary, a key for the next
# round, and Ctrl+C at the prompt.
#
# Wine's console does not give: the named Home and End keys of tmux (their
# escape sequences are sent instead), the Enhanced flag, resize events, the
# Beep's timing, the exit status after Ctrl+C, and the character of the
# Escape key (it arrives as a key without a character, which the key
# translation rightly ignores); none of these is checked here.

echo "== Console run in Wine's console, in tmux"
if ! command -v tmux >/dev/null 2>&1; then
    echo "   console checks skipped: tmux not installed"
    skipped="$skipped console"
    return 0 2>/dev/null || exit 0
fi

tm() { tmux -L "$tmuxSocket" "$@"; }
screen() { tm capture-pane -p -t capitals; }
cursorAt() { tm display-message -p -t capitals '#{cursor_x},#{cursor_y}'; }
# Drops the blank lines at the end of its input.
trimBlankTail() { sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'; }
capitalOf() { awk -F '\t' -v s="$1" '$1 == s { print $2 }' "$here/capital_table.tsv"; }
# The state that question $1 asks, once its header and question are on screen.
askedState() {
    screen | awk -v h=" $1 of $2" 'prev == h && index($0, "Name the capital of ") == 1 { print substr($0, 21) } { prev = $0 }'
}
# Waits up to $2 seconds for a screen line that is exactly $1.
waitForLine() {
    deadline=$(($(now) + $2))
    while [ "$(now)" -le "$deadline" ]; do
        screen | grep -qxF -- "$1" && return 0
        sleep 0.2
    done
    return 1
}
# The screen lines before the line that is exactly $1, nearest first: $2 of them.
linesBefore() {
    screen | awk -v h="$1" -v k="$2" '{ line[NR] = $0 } $0 == h { at = NR } END { for (i = 1; i <= k; i++) print line[at - i] }'
}

consoleEnv="env WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='"
# Every process of a run carries the run's name and this script's process id
# in DRILL_RUN (Wine hands its environment to the console process it starts
# too), so that what a run leaves behind is told apart from any other
# program's processes, those of these same tests run at the same time in
# another root (a chroot sees every process of the machine) included; $2,
# when given, picks those whose command line matches it.
runPids() {
    for p in /proc/[0-9]*; do
        grep -qz "^DRILL_RUN=$1@$$\$" "$p/environ" 2>/dev/null || continue
        [ -z "${2:-}" ] || tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -q "$2" || continue
        echo "${p#/proc/}"
    done
}

# A session that lives through all the console runs: a tmux server ends with
# its last session, and a session started while it ends fails.
tm -f /dev/null new-session -d -s keeper -x 80 -y 25 "sleep 3600"

# Starts session $1 running command $2 in an 80 by 25 pane that stays when
# its process ends.
newSession() {
    tm kill-session -t "$1" 2>/dev/null
    tm -f /dev/null new-session -d -s "$1" -x 80 -y 25 "$2" \; set-option -t "$1" remain-on-exit on 2>&1
}
# Waits up to $3 seconds until session $1 has started: a screen line matches
# $2, or, with $2 empty, a capitals.exe of the session runs and the pane
# lives. Prints why not, when it has not.
waitStarted() {
    deadline=$(($(now) + $3))
    while :; do
        if ! tm has-session -t "$1" 2>/dev/null; then
            echo "its tmux session is gone"
            return 1
        fi
        if [ -n "$2" ]; then
            tm capture-pane -p -t "$1" | grep -q -- "$2" && return 0
        elif [ -n "$(runPids "$1" 'capitals\.exe')" ]; then
            return 0
        fi
        if [ "$(tm display-message -p -t "$1" '#{pane_dead}')" = 1 ]; then
            sleep 0.2
            echo "Wine ended (status $(tm display-message -p -t "$1" '#{pane_dead_status}')) before the program started;" \
                "the pane shows: $(tm capture-pane -p -t "$1" | grep -v '^Pane is dead' | trimBlankTail | tr '\n' '|')"
            return 1
        fi
        if [ "$(now)" -gt "$deadline" ]; then
            echo "the program had not started within $3 s; the pane shows:" \
                "$(tm capture-pane -p -t "$1" | trimBlankTail | tr '\n' '|')"
            return 1
        fi
        sleep 0.1
    done
}
# Starts session $1 with command $2 and waits up to $4 seconds for it to
# start (see waitStarted, $3); a start that did not happen is said, and made
# once more. Returns 1, with the reason in notStarted, when the second did
# not start either.
startSession() {
    attempt=1
    while :; do
        made=$(newSession "$1" "$2")
        if [ -n "$made" ]; then
            notStarted="tmux did not make the session: $made"
        elif notStarted=$(waitStarted "$1" "$3" "$4"); then
            return 0
        fi
        echo "   $1: did not start: $notStarted"
        [ $attempt -eq 2 ] && return 1
        attempt=2
        for p in $(runPids "$1"); do kill -9 "$p" 2>/dev/null; done
        echo "   $1: started again"
    done
}

# The layer's own operations against Wine's console, read back with the
# console's calls.
checker=$build/tests/windows/windows_console_check.exe
if [ -f "$checker" ]; then
    # The check program writes its file from its start on; one that ends
    # with no file written never started, and is started again once.
    summary=""
    for attempt in 1 2; do
        rm -f "$work/console_check.txt"
        made=$(newSession check "$consoleEnv DRILL_RUN=check@$$ wine '$checker' 'Z:$work/console_check.txt'")
        deadline=$(($(now) + 60))
        while [ -z "$made" ] && [ "$(now)" -le "$deadline" ] &&
            ! grep -q 'passed, .* failed' "$work/console_check.txt" 2>/dev/null &&
            { [ -e "$work/console_check.txt" ] || [ "$(tm display-message -p -t check '#{pane_dead}')" != 1 ]; }; do
            sleep 0.2
        done
        summary=$(grep 'passed, .* failed' "$work/console_check.txt" 2>/dev/null)
        [ -n "$summary" ] || [ -e "$work/console_check.txt" ] && break
        why=${made:-"Wine ended (status $(tm display-message -p -t check '#{pane_dead_status}')) before the program started"}
        [ -z "$made" ] && [ "$(tm display-message -p -t check '#{pane_dead}')" != 1 ] &&
            why="the program had not started within 60 s"
        echo "   console layer: the check program did not start: $why"
        for p in $(runPids check); do kill -9 "$p" 2>/dev/null; done
        [ $attempt -eq 1 ] && echo "   console layer: started again"
    done
    tm kill-session -t check 2>/dev/null
    if [ -z "$summary" ] && [ ! -e "$work/console_check.txt" ]; then
        fail "console layer: the check program did not start, twice: $why"
    elif [ -z "$summary" ]; then
        fail "console layer: the check program gave no result"
    else
        grep '^FAILED' "$work/console_check.txt" | sed 's/^FAILED: /  FAILED: console layer: /'
        checksPassed=${summary%% passed*}
        checksFailed=${summary#*passed, }
        checksFailed=${checksFailed%% failed*}
        passed=$((passed + checksPassed))
        failed=$((failed + checksFailed))
        echo "  console layer against Wine's console: $summary"
    fi
else
    fail "console layer: no $checker"
fi

# A burst of 100 keys (a paste) that reaches the console the moment the first
# question is drawn is shown once: "? " and 100 w's over two rows. The burst
# leaves as soon as the question's bytes reach the pane, which is when a
# console that has not yet taken its terminal's keyboard lets the terminal
# echo the keys a second time; ten fresh runs.
burstRuns=10
burstBad=0
wRow=$(printf '%080d' 0 | tr 0 w)
expectedBurst=$(printf '? %s\n%s' "$(printf '%s' "$wRow" | cut -c 3-)" "$(printf '%s' "$wRow" | cut -c 1-22)")
burstStarts=0
i=0
while [ $i -lt $burstRuns ]; do
    i=$((i + 1))
    # The keys leave once the question is drawn; a run whose program never
    # drew it did not start, and is started again once.
    started_=0
    for attempt in 1 2; do
        made=$(newSession burst "sleep 0.2; $consoleEnv DRILL_RUN=burst@$$ wine '$exe'")
        [ -z "$made" ] &&
            tm pipe-pane -t burst -o "grep -a -q -m 1 'Name the capital' && tmux -L '$tmuxSocket' send-keys -t burst -N 100 w"
        if [ -n "$made" ]; then
            why="tmux did not make the session: $made"
        elif why=$(waitStarted burst '^Name the capital of ' 60); then
            started_=1
            break
        fi
        echo "   burst run $i: did not start: $why"
        for p in $(runPids burst); do kill -9 "$p" 2>/dev/null; done
        [ $attempt -eq 1 ] && echo "   burst run $i: started again"
    done
    if [ $started_ -eq 0 ]; then
        burstStarts=$((burstStarts + 1))
        tm kill-session -t burst 2>/dev/null
        continue
    fi
    got=""
    deadline=$(($(now) + 60))
    while [ "$(now)" -le "$deadline" ]; do
        got=$(tm capture-pane -p -t burst | sed -n '3,$p' | trimBlankTail)
        [ "$(printf '%s' "$got" | tr -cd w | wc -c)" -ge 100 ] && break
        [ "$(tm display-message -p -t burst '#{pane_dead}')" = 1 ] && break
        sleep 0.2
    done
    sleep 1
    got=$(tm capture-pane -p -t burst | sed -n '3,$p' | trimBlankTail)
    if [ "$got" != "$expectedBurst" ]; then
        burstBad=$((burstBad + 1))
        [ $burstBad -eq 1 ] && printf '%s\n' "    run $i shows:" "$got" | sed 's/^/    /'
    fi
    tm kill-session -t burst 2>/dev/null
done
if [ $burstStarts -gt 0 ]; then
    fail "console: the burst check's program did not start in $burstStarts of $burstRuns runs, twice each"
elif [ $burstBad -eq 0 ]; then
    pass "console: a burst of 100 keys at the first question is drawn once ($burstRuns of $burstRuns fresh runs)"
else
    fail "console: a burst of 100 keys at the first question is drawn wrong in $burstBad of $burstRuns fresh runs"
fi

consoleStart=$(now)
if ! startSession capitals "$consoleEnv DRILL_RUN=capitals@$$ wine '$exe'" '^ 1 of 50$' 90; then
    fail "console: the program did not start, twice: $notStarted"
    return 0 2>/dev/null || exit 1
fi
sleep 0.5
echo "   console: first question after $(($(now) - consoleStart)) s"

# The first screen: header, question, the "? " prompt with the cursor after
# it, and nothing else.
first=$(screen)
state=$(askedState 1 50)
expectedFirst=$(printf ' 1 of 50\nName the capital of %s\n?' "$state")
if [ -n "$state" ] && [ -n "$(capitalOf "$state")" ] &&
    [ "$(printf '%s\n' "$first" | trimBlankTail)" = "$expectedFirst" ] &&
    [ "$(cursorAt)" = "2,2" ]; then
    pass "console: first screen (header, question, \"? \" prompt, cursor after it)"
else
    fail "console: first screen"
    printf '%s\n' "$first" | head -n 5 | sed 's/^/    /'
    echo "    cursor at $(cursorAt)"
fi

# The round: question n is answered in way n mod 5.
#   1: typed with a slip undone by Backspace                 -> right
#   2: its end typed first, Home, its start, End              -> right
#   3: typed with one byte too many, Left and Delete          -> right
#   4: typed in small letters, Left, one byte inserted        -> wrong
#   0: Tab, the capital, a comma and more                     -> right (first field)
n=1
total=50
right=0
missed=""
verdictsOk=1
while [ $n -le $total ]; do
    state=$(askedState $n $total)
    capital=$(capitalOf "$state")
    if [ -z "$capital" ]; then
        fail "console: question $n shows no known state"
        screen | sed 's/^/    /'
        verdictsOk=0
        break
    fi
    head=${capital%?}
    last=${capital#"$head"}
    case $((n % 5)) in
    1)
        tm send-keys -t capitals -l "${head}q"
        tm send-keys -t capitals BSpace
        tm send-keys -t capitals -l "$last"
        echo_="? $capital"
        answer=$capital
        ;;
    2)
        start=$(printf '%s' "$capital" | cut -c 1-2)
        rest=$(printf '%s' "$capital" | cut -c 3-)
        tm send-keys -t capitals -l "$rest"
        tm send-keys -t capitals Escape '[H'
        if [ $n -eq 2 ]; then
            sleep 0.5
            at=$(cursorAt)
            case $at in
            2,*) pass "console: Home puts the cursor at the start of the answer" ;;
            *) fail "console: after Home the cursor is at $at" ;;
            esac
        fi
        tm send-keys -t capitals -l "$start"
        tm send-keys -t capitals Escape '[F'
        echo_="? $capital"
        answer=$capital
        ;;
    3)
        tm send-keys -t capitals -l "${capital}Z"
        tm send-keys -t capitals Left DC
        echo_="? $capital"
        answer=$capital
        ;;
    4)
        lower=$(printf '%s' "$capital" | tr 'A-Z' 'a-z')
        lowerHead=${lower%?}
        lowerLast=${lower#"$lowerHead"}
        tm send-keys -t capitals -l "$lower"
        tm send-keys -t capitals Left
        tm send-keys -t capitals -l "Q"
        echo_="? ${lowerHead}Q${lowerLast}"
        answer=wrong
        ;;
    0)
        tm send-keys -t capitals Tab
        tm send-keys -t capitals -l "$capital, $state"
        echo_="?         $capital, $state"
        answer=$capital
        ;;
    esac
    tm send-keys -t capitals Enter
    if [ $n -lt $total ]; then next=" $((n + 1)) of $total"; else next="Study round over!"; fi
    if ! waitForLine "$next" 30; then
        fail "console: no \"$next\" after answering question $n"
        screen | sed 's/^/    /'
        verdictsOk=0
        break
    fi
    if [ "$answer" = "$capital" ]; then
        right=$((right + 1))
        expected=$(printf 'Correct!\n%s' "$echo_")
        got=$(linesBefore "$next" 2)
    else
        missed="$missed$state , $capital
"
        expected=$(printf 'Correct answer is %s\nIncorrect\n%s' "$capital" "$echo_")
        got=$(linesBefore "$next" 3)
    fi
    if [ "$got" != "$expected" ]; then
        fail "console: question $n ($state), way $((n % 5)): echo and verdict"
        printf '%s\n' "    expected (nearest first):" "$expected" "    got:" "$got" | sed 's/^/    /'
        verdictsOk=0
    fi
    n=$((n + 1))
done
[ $verdictsOk -eq 1 ] && pass "console: $total answers typed with edits, each echo and verdict as typed ($right right)"

# The summary and the missed list, as the bottom of the screen shows them.
if [ $verdictsOk -eq 1 ] && waitForLine "Press a key to play again" 10; then
    sleep 0.3
    expected=$(printf 'Study round over!\n %dof %dcorrect.\nMissed:\n%sPress a key to play again' \
        "$right" "$total" "$missed")
    got=$(screen | awk '{ line[NR] = $0 } $0 == "Study round over!" { at = NR } END { for (i = at; i <= NR; i++) print line[i] }' |
        trimBlankTail)
    if [ "$got" = "$expected" ]; then
        pass "console: summary \" ${right}of ${total}correct.\" and the missed list in the order asked"
    else
        fail "console: summary"
        printf '%s\n' "    expected:" "$expected" "    got:" "$got" | sed 's/^/    /'
    fi
    at=$(cursorAt)
    if [ "$at" = "0,24" ]; then
        pass "console: the cursor waits at the start of the bottom row"
    else
        fail "console: after the round the cursor is at $at, not 0,24"
    fi

    # Any key starts the next round on a cleared screen; the ten missed states
    # are asked again for sure, the others half the time.
    tm send-keys -t capitals -l "k"
    deadline=$(($(now) + 20))
    header=""
    while [ "$(now)" -le "$deadline" ]; do
        header=$(screen | head -n 1)
        case $header in " 1 of "*) break ;; esac
        sleep 0.2
    done
    sleep 0.5
    count=${header#" 1 of "}
    rows=$(screen | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' | wc -l)
    case $header in
    " 1 of "*)
        if [ "$count" -ge $((total - right)) ] && [ "$count" -le "$total" ] && [ "$rows" -eq 3 ]; then
            pass "console: a key starts the next round on a cleared screen (\"$header\")"
        else
            fail "console: next round: header \"$header\", $rows rows on screen"
            screen | head -n 5 | sed 's/^/    /'
        fi
        ;;
    *)
        fail "console: no next round after a key"
        screen | sed 's/^/    /'
        ;;
    esac
fi

# Ctrl+C at the prompt ends the program at once, printing nothing more.
before=$(screen)
tm send-keys -t capitals C-c
deadline=$(($(now) + 30))
dead=0
while [ "$(now)" -le "$deadline" ]; do
    [ "$(tm display-message -p -t capitals '#{pane_dead}' 2>/dev/null)" = "1" ] && { dead=1; break; }
    sleep 0.2
done
if [ $dead -eq 1 ]; then
    pass "console: Ctrl+C at the prompt ends the program"
    [ "$(screen | trimBlankTail)" = "$(printf '%s\n' "$before" | trimBlankTail)" ] ||
        echo "   (note: the pane changed when the program ended)"
else
    fail "console: the program still runs 30 s after Ctrl+C"
    screen | sed 's/^/    /'
    ps -ef | grep "[c]apitals\.exe" | sed 's/^/    /'
fi
tm kill-session -t capitals 2>/dev/null
echo "   console: done after $(($(now) - consoleStart)) s"
