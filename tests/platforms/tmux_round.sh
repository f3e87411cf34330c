#!/bin/sh
# Plays one round of a program in an 80 by 25 tmux pane, as a learner plays
# it: each question's state is read off the screen and answered from the
# capital table (the second one in small letters, so wrong), each verdict is
# checked, then the summary with the one missed state, a key for the next
# round, and Ctrl+C, which must end the program. Prints how long the first
# question took to appear and the program's peak memory.
#
#   sh tests/platforms/tmux_round.sh NAME COMMAND [ARGUMENT...]
#
# Exits 0 when every check passed.
set -u
here=$(cd "$(dirname "$0")" && pwd)
table=$here/../windows/capital_table.tsv
name=$1
shift
socket=capitals-round-$$
failed=0
pass() { echo "  ok: $name: $1"; }
fail() { failed=$((failed + 1)); echo "  FAILED: $name: $1"; }
tm() { tmux -L "$socket" "$@"; }
screen() { tm capture-pane -p -t round; }
trap 'tm kill-server 2>/dev/null' EXIT
milliseconds() { echo $(($(date +%s%N) / 1000000)); }
capitalOf() { awk -F '\t' -v s="$1" '$1 == s { print $2 }' "$table"; }
# Waits up to $2 seconds for a screen line that is exactly $1.
waitForLine() {
    deadline=$(($(date +%s) + $2))
    while [ "$(date +%s)" -le "$deadline" ]; do
        screen | grep -qxF -- "$1" && return 0
        sleep 0.01
    done
    return 1
}
# The $2 screen lines before the line that is exactly $1, nearest first.
linesBefore() {
    screen | awk -v l="$1" -v n="$2" '$0 == l { for (i = NR - 1; i >= NR - n; i--) print line[i]; exit } { line[NR] = $0 }'
}

command=""
for word in "$@"; do command="$command '$word'"; done
started=$(milliseconds)
tm -f /dev/null new-session -d -s round -x 80 -y 25 "exec $command" \; set-option -t round remain-on-exit on
if ! waitForLine " 1 of 50" 60; then
    fail "the first question did not appear within 60 s"
    screen | sed 's/^/    /'
    exit 1
fi
echo "  $name: the first question on screen after $(($(milliseconds) - started)) ms"
program=$(tm display-message -p -t round '#{pane_pid}')

n=1
right=0
missed=""
while [ $n -le 50 ]; do
    state=$(screen | awk -v h=" $n of 50" 'prev == h && index($0, "Name the capital of ") == 1 { print substr($0, 21) } { prev = $0 }')
    capital=$(capitalOf "$state")
    if [ -z "$capital" ]; then
        fail "question $n shows no known state"
        screen | sed 's/^/    /'
        exit 1
    fi
    if [ $n -eq 2 ]; then
        answer=$(printf '%s' "$capital" | tr 'A-Z' 'a-z')
        expected=$(printf 'Correct answer is %s\nIncorrect\n? %s' "$capital" "$answer")
        missed="$state , $capital"
    else
        answer=$capital
        expected=$(printf 'Correct!\n? %s' "$answer")
        right=$((right + 1))
    fi
    tm send-keys -t round -l "$answer"
    tm send-keys -t round Enter
    if [ $n -lt 50 ]; then next=" $((n + 1)) of 50"; else next="Study round over!"; fi
    if ! waitForLine "$next" 30; then
        fail "no \"$next\" after answering question $n"
        screen | sed 's/^/    /'
        exit 1
    fi
    got=$(linesBefore "$next" "$(printf '%s\n' "$expected" | wc -l)")
    if [ "$got" != "$expected" ]; then
        fail "question $n ($state): the answer and its verdict"
        printf '%s\n' "expected (nearest first):" "$expected" "got:" "$got" | sed 's/^/    /'
    fi
    n=$((n + 1))
done
[ $failed -eq 0 ] && pass "50 questions answered, each echo and verdict as expected"

if waitForLine "Press a key to play again" 10; then
    expected=$(printf 'Study round over!\n %dof 50correct.\nMissed:\n%s\nPress a key to play again' "$right" "$missed")
    got=$(screen | awk '$0 == "Study round over!" { at = 1 } at && NF { print }')
    [ "$got" = "$expected" ] && pass "the summary \" ${right}of 50correct.\" and the missed state" ||
        { fail "the summary"; printf '%s\n' "expected:" "$expected" "got:" "$got" | sed 's/^/    /'; }
else
    fail "no \"Press a key to play again\""
fi
peak=$(awk '/^VmHWM:/ { print $2 " " $3 }' "/proc/$program/status" 2>/dev/null)
[ -n "$peak" ] && echo "  $name: peak memory after the round (VmHWM of the pane's process): $peak"

tm send-keys -t round -l k
deadline=$(($(date +%s) + 20))
header=""
while [ "$(date +%s)" -le "$deadline" ]; do
    header=$(screen | head -n 1)
    case $header in " 1 of "*) break ;; esac
    sleep 0.05
done
case $header in
" 1 of "*) pass "a key starts the next round (\"$header\")" ;;
*) fail "no next round after a key"; screen | sed 's/^/    /' ;;
esac

tm send-keys -t round C-c
deadline=$(($(date +%s) + 10))
while [ "$(date +%s)" -le "$deadline" ] && [ "$(tm display-message -p -t round '#{pane_dead}')" != 1 ]; do
    sleep 0.05
done
[ "$(tm display-message -p -t round '#{pane_dead}')" = 1 ] && pass "Ctrl+C ends the program" ||
    fail "the program still runs 10 s after Ctrl+C"
[ $failed -eq 0 ]
