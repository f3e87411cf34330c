#!/bin/sh
# Strings that a terminal sends as replies, arriving on a real terminal (tmux)
# while an answer is typed: an OSC colour reply ended by BEL, a DCS setting
# reply ended by ST, and a title string that never ends. None of their bytes
# reaches the answer, and the keys typed around them all arrive.
#
# Usage: sh terminal_replies_test.sh path/to/capitals
set -u
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")

if ! command -v tmux >/dev/null 2>&1; then
    echo "skipped: tmux is needed for this test" >&2
    exit 77
fi

socket=capitals-replies-$$
failures=0
t() { tmux -L "$socket" "$@"; }
trap 't kill-server >/dev/null 2>&1' EXIT

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
screen() { t capture-pane -p | sed 's/ *$//'; }

# Waits up to 5 s for a screen row to match the pattern.
wait_for_row() {
    deadline=$(( $(now_ms) + 5000 ))
    while [ "$(now_ms)" -lt "$deadline" ]; do
        screen | grep -q -- "$1" && return 0
        sleep 0.02
    done
    return 1
}

# Sends bytes to the program as the terminal would, in one piece.
send() { t send-keys -l "$(printf "$1")"; }

t -f /dev/null new-session -d -x 80 -y 25 "exec '$program'"
if ! wait_for_row '^?$'; then
    fail "no answer prompt"
    screen
    exit 1
fi

send 'Sac'
send '\033]11;rgb:1e1e/1e1e/1e1e\007'
send 'ram'
send '\033P1$r0m\033\\'
send 'ento'
if wait_for_row '^? Sacramento$'; then
    echo "ok: replies ended by BEL and by ST are not typed"
else
    fail "replies reached the answer"
    screen
fi

# The wait for more bytes ends the title string; the key typed after it arrives.
send '\033]2;a title that never ends'
sleep 0.3
send 's'
if wait_for_row '^? Sacramentos$'; then
    echo "ok: an unterminated string ends with the wait"
else
    fail "the key after an unterminated string is lost or the string was typed"
    screen
fi

screen | grep -q -e 'rgb' -e '1e1e' -e 'title' -e '0m' && fail "reply bytes on the screen"
[ "$failures" -eq 0 ]
