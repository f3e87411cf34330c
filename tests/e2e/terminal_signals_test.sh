#!/bin/sh
# The program on a real terminal (tmux) ends at once and silently on Ctrl+C,
# Ctrl+\, a hang-up and a termination, at the answer prompt and during the
# wait between rounds, with the signal's exit status; after each, and after a
# crash, the terminal's settings are what they were and the cursor is
# visible. Ctrl+Z stops it with the terminal put back, and fg brings back the
# screen as it was.
#
# Usage: sh terminal_signals_test.sh path/to/capitals
set -u
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
# Generous for a loaded machine; the figures printed are the real ones.
limit_ms=1000

if ! command -v tmux >/dev/null 2>&1; then
    echo "skipped: tmux is needed for this test" >&2
    exit 77
fi

work=$(mktemp -d)
socket=capitals-signals-$$-0
runs=0
failures=0
passes=0
t() { tmux -L "$socket" "$@"; }
cleanup() {
    t kill-server >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() {
    echo "ok: $*"
    passes=$((passes + 1))
}
screen() { t capture-pane -p | sed 's/ *$//'; }

# Each run gets a tmux server of its own.
new_server() {
    t kill-server >/dev/null 2>&1
    runs=$((runs + 1))
    socket=capitals-signals-$$-$runs
}

# Waits up to 5 s for the screen to show the text.
wait_for_text() {
    deadline=$(( $(now_ms) + 5000 ))
    while [ "$(now_ms)" -lt "$deadline" ]; do
        if screen | grep -q -- "$1"; then
            sleep 0.1  # let the present that showed it finish
            return 0
        fi
        sleep 0.02
    done
    return 1
}

wait_for_file() {
    deadline=$(( $(now_ms) + 5000 ))
    while [ "$(now_ms)" -lt "$deadline" ]; do
        [ -f "$1" ] && return 0
        sleep 0.02
    done
    return 1
}

# The program under a plain shell that records the terminal settings before
# and after it, and its exit status, then stays so the pane can be read.
cat > "$work/run.sh" <<EOF
trap 'true' INT QUIT TERM HUP
ulimit -c 0
# The shell's own report of how the program ended is not the program's output.
exec 2>"$work/shell-messages"
stty -g > "$work/before"
sh -c 'echo \$\$ > "$work/pid"; exec "\$0" 2>/dev/tty' "$program"
echo \$? > "$work/status.part"
stty -g > "$work/after"
mv "$work/status.part" "$work/status"
exec sleep 600
EOF

start() {
    rm -f "$work/before" "$work/after" "$work/status" "$work/pid"
    new_server
    t new-session -d -x 80 -y 25 "sh $work/run.sh"
    wait_for_text "Name the capital of" || { fail "$1: no question appeared"; return 1; }
    wait_for_text "^?" || { fail "$1: no answer prompt"; return 1; }
}

# Finishes the first round (every state is asked at first) and waits for the
# prompt between rounds.
to_round_end() {
    i=0
    while [ $i -lt 50 ]; do
        t send-keys x Enter
        i=$((i + 1))
    done
    wait_for_text "Press a key to play again" || { fail "$1: the round did not end"; return 1; }
}

# Sends the ending ($2: keys, or "kill SIGNAL") and checks what the user sees;
# $3 "report allowed" lets the screen change.
check_end() {
    name=$1
    before_screen=$(screen)
    pid=$(cat "$work/pid")
    # The signal the ending sends: the program's exit status must be its.
    case $2 in
        kill*) signal=${2#kill } ;;
        C-c) signal=INT ;;
        'C-\') signal=QUIT ;;
        *) signal=unknown ;;
    esac
    case $2 in
        kill*) kill "-$signal" "$pid" ;;
        *) t send-keys "$2" ;;
    esac
    # Timed from the moment the signal is sent, or tmux has passed the key on.
    sent=$(now_ms)
    while kill -0 "$pid" 2>/dev/null && [ $(( $(now_ms) - sent )) -lt 5000 ]; do sleep 0.002; done
    took=$(( $(now_ms) - sent ))
    wait_for_file "$work/status"
    if [ ! -f "$work/status" ]; then
        fail "$name: the program did not end"
        return
    fi
    status=$(cat "$work/status")
    echo "$name: ended within ${took} ms, status $status"
    failed_before=$failures
    [ "$took" -le "$limit_ms" ] || fail "$name: took ${took} ms"
    # A shell reports an end by signal N as status 128 + N. In a sanitizer
    # build the sanitizer reports a crash itself and exits with its own
    # status; its report on the screen says so.
    if [ "${3:-}" = "report allowed" ] && screen | grep -q "Sanitizer"; then
        echo "$name: a sanitizer reported the crash and chose the exit status"
    elif ! [ "$status" -gt 128 ] 2>/dev/null || [ "$(kill -l "$status" 2>/dev/null)" != "$signal" ]; then
        fail "$name: exit status $status, not that of SIG$signal"
    fi
    # A crash may leave a report on the screen (a sanitizer's); the others
    # print nothing.
    [ "${3:-}" = "report allowed" ] || [ "$(screen)" = "$before_screen" ] || {
        fail "$name: the screen changed"
        screen
    }
    cmp -s "$work/before" "$work/after" || fail "$name: terminal settings not restored"
    [ "$(t display -p '#{cursor_flag}')" = 1 ] || fail "$name: cursor hidden"
    [ "$(t display -p '#{cursor_x}')" = 0 ] || fail "$name: cursor not at a row's start"
    [ "$failures" -eq "$failed_before" ] && pass "$name"
}

start "Ctrl+C at the prompt" && check_end "Ctrl+C at the prompt" C-c
start "Ctrl+C between rounds" && to_round_end "Ctrl+C between rounds" &&
    check_end "Ctrl+C between rounds" C-c
start "Ctrl+\\ at the prompt" && check_end "Ctrl+\\ at the prompt" 'C-\'
start "hang-up at the prompt" && check_end "hang-up at the prompt" "kill HUP"
start "termination at the prompt" && check_end "termination at the prompt" "kill TERM"
start "crash at the prompt" && check_end "crash at the prompt" "kill SEGV" "report allowed"
start "termination between rounds" && to_round_end "termination between rounds" &&
    check_end "termination between rounds" "kill TERM"

# Ctrl+Z and fg under a shell with job control.
new_server
t new-session -d -x 80 -y 25 "env PS1='$ ' bash --norc --noprofile -i"
wait_for_text '^\$' || fail "no shell prompt"
t send-keys "stty -g > $work/shell" Enter
wait_for_file "$work/shell" || fail "stty did not run"
t send-keys "clear; $program" Enter
if wait_for_text "^?"; then
    t send-keys Boston
    sleep 0.2
    question_screen=$(screen)
    t send-keys C-z
    if wait_for_text "Stopped"; then
        [ "$(t display -p '#{cursor_flag}')" = 1 ] || fail "Ctrl+Z: cursor hidden while stopped"
        t send-keys "stty -g > $work/stopped" Enter
        if wait_for_file "$work/stopped"; then
            cmp -s "$work/shell" "$work/stopped" || fail "Ctrl+Z: terminal settings not restored"
        else
            fail "Ctrl+Z: stty did not run while the program was stopped"
        fi
        t send-keys "fg" Enter
        deadline=$(( $(now_ms) + 5000 ))
        while [ "$(screen)" != "$question_screen" ] && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
        if [ "$(screen)" = "$question_screen" ]; then
            # Still reading keys: the half-typed answer goes on.
            t send-keys " x" Enter
            if wait_for_text "Boston x"; then
                pass "Ctrl+Z and fg"
            else
                fail "Ctrl+Z and fg: keys not read after fg"
            fi
        else
            fail "Ctrl+Z and fg: screen not brought back"
            screen
        fi
        t send-keys C-c
        sleep 0.3
        rm -f "$work/after"
        t send-keys "stty -g > $work/after" Enter
        if wait_for_file "$work/after"; then
            cmp -s "$work/shell" "$work/after" || fail "Ctrl+Z: settings not restored at the end"
        else
            fail "Ctrl+Z: stty did not run after the program ended"
        fi
    else
        fail "Ctrl+Z: the shell did not report the stop"
        screen
    fi
else
    fail "Ctrl+Z: no answer prompt"
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
