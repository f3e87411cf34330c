#!/bin/sh
# The program's terminal (tmux) goes away under a parent shell that ignores
# hang-ups, so that no hang-up signal reaches the program: at the answer
# prompt and during the wait between rounds it must end all the same, as a
# hang-up ends it, instead of running on with nobody to read it.
#
# Usage: sh terminal_gone_test.sh path/to/capitals
set -u
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
# Generous for a loaded machine; the figures printed are the real ones.
limit_ms=5000

if ! command -v tmux >/dev/null 2>&1; then
    echo "skipped: tmux is needed for this test" >&2
    exit 77
fi

work=$(mktemp -d)
socket=capitals-gone-$$
failures=0
passes=0
t() { tmux -L "$socket" "$@"; }
pid=
cleanup() {
    t kill-server >/dev/null 2>&1
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
screen() { t capture-pane -p | sed 's/ *$//'; }

# Waits up to 10 s for the screen to show the text.
wait_for_text() {
    deadline=$(( $(now_ms) + 10000 ))
    while [ "$(now_ms)" -lt "$deadline" ]; do
        screen | grep -q -- "$1" && return 0
        sleep 0.02
    done
    return 1
}

# The parent ignores hang-ups and stays while the program runs; the program's
# exit status goes to a file.
cat > "$work/run.sh" <<EOF
trap '' HUP
sh -c 'echo \$\$ > "$work/pid"; exec "\$0"' "$program"
echo \$? > "$work/status"
EOF

# $1: the moment; $2: "between rounds" to finish the first round first.
check_gone() {
    name=$1
    rm -f "$work/pid" "$work/status"
    socket=capitals-gone-$$-$2
    t -f /dev/null new-session -d -x 80 -y 25 "sh $work/run.sh"
    wait_for_text "^?" || { fail "$name: no answer prompt"; return; }
    pid=$(cat "$work/pid")
    if [ "$2" = between ]; then
        i=0
        while [ $i -lt 50 ]; do
            t send-keys Enter
            i=$((i + 1))
        done
        wait_for_text "Press a key to play again" || { fail "$name: the round did not end"; return; }
    fi
    sleep 0.2
    sent=$(now_ms)
    t kill-server
    while kill -0 "$pid" 2>/dev/null && [ $(( $(now_ms) - sent )) -lt "$limit_ms" ]; do sleep 0.01; done
    took=$(( $(now_ms) - sent ))
    if kill -0 "$pid" 2>/dev/null; then
        fail "$name: still running ${took} ms after its terminal went away"
        kill -KILL "$pid"
        return
    fi
    pid=
    # The parent writes the status once the program has ended.
    deadline=$(( $(now_ms) + 5000 ))
    while [ ! -s "$work/status" ] && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.02; done
    status=$(cat "$work/status" 2>/dev/null)
    echo "$name: ended within ${took} ms, status $status"
    if [ "$(kill -l "$status" 2>/dev/null)" != HUP ]; then
        fail "$name: exit status $status, not that of SIGHUP"
        return
    fi
    passes=$((passes + 1))
    echo "ok: $name"
}

check_gone "terminal gone at the prompt" prompt
check_gone "terminal gone between rounds" between

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
