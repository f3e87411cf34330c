#!/bin/sh
# What a typed key costs the program in system calls, every thread counted
# (strace): 100 keys typed 30 ms apart at the end of an answer, then 100 in
# the middle of one. A key needs one wait, one read and one write; more is a
# fault. Skipped without tmux or strace.
#
# Usage: sh typed_key_cost_test.sh path/to/capitals
set -u
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
keys=100
most_per_key=3

for tool in tmux strace; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "skipped: $tool is needed for this test" >&2
        exit 77
    fi
done

work=$(mktemp -d)
socket=capitals-key-cost-$$
t() { tmux -L "$socket" "$@"; }
trap 't kill-server >/dev/null 2>&1; rm -rf "$work"' EXIT

# The calls the trace holds so far (a call interrupted and resumed counts
# once).
calls() { grep -cE '^[0-9]+ +[a-z_0-9]+\(' "$work/trace"; }
type_keys() {
    i=0
    while [ $i -lt $keys ]; do
        t send-keys -l x
        sleep 0.03
        i=$((i + 1))
    done
    sleep 0.5
}

t -f /dev/null new-session -d -x 80 -y 25 "strace -f -qq -o '$work/trace' '$program'"
i=0
until t capture-pane -p | grep -q '^?'; do
    i=$((i + 1))
    [ $i -lt 500 ] || { echo "FAIL: no answer prompt"; t capture-pane -p; exit 1; }
    sleep 0.02
done
t send-keys -l abcdefghijklmnopqrstuvwxyz
sleep 0.5

failures=0
measure() {
    before=$(calls)
    type_keys
    after=$(calls)
    used=$((after - before))
    echo "$1: $used system calls for $keys keys"
    if [ "$used" -gt $((keys * most_per_key)) ]; then
        echo "FAIL: $1: more than $most_per_key system calls a key"
        failures=$((failures + 1))
    fi
}
measure "at the end of the answer"
i=0
while [ $i -lt 40 ]; do
    t send-keys Left
    i=$((i + 1))
done
sleep 0.5
measure "in the middle of the answer"
t capture-pane -p | sed -n 3,4p
[ "$failures" -eq 0 ]
