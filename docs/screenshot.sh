#!/bin/sh
# Makes the README's pictures from a real run: starts the built program in
# tmux on an 80x25 terminal, reads each question off the screen and types an
# answer (the capital from the capital table, or now and then the capital in
# small letters, which the quiz judges wrong), and draws the screen as an
# SVG twice: round.svg after a few answers, with the next answer being typed,
# and summary.svg once the first round's 50 questions are answered. The
# questions come in the program's own random order, so every run gives other
# pictures.
#
#   sh docs/screenshot.sh [program] [output-folder]     (default: build/capitals docs)
#
# Needs tmux and awk. Uses a tmux server of its own, which it ends.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-build/capitals}
out=${2:-$here}
table=$here/../tests/windows/capital_table.tsv
[ -x "$program" ] || { echo "no program at $program: build it first (cmake --build build --target capitals)" >&2; exit 1; }
command -v tmux >/dev/null 2>&1 || { echo "tmux is needed" >&2; exit 1; }
case $program in /*) ;; *) program=$(pwd)/$program ;; esac

socket=capitals-screenshot-$$
tmux() { command tmux -L "$socket" -f /dev/null "$@"; }
trap 'tmux kill-server 2>/dev/null || true' EXIT
tmux new-session -d -s quiz -x 80 -y 25 "env LC_ALL=C.UTF-8 '$program'"

screen() { tmux capture-pane -p -t quiz; }

# waitForQuestion N: waits until question N of the round stands on the screen
# with the empty prompt under it, and prints its state.
waitForQuestion() {
    tries=0
    while [ $tries -lt 300 ]; do
        state=$(screen | awk -v n="$1" '
            { line[NR] = $0 }
            $0 ~ "^ *" n " of +[0-9]+ *$" { header = NR }
            END {
                if (!header || line[header + 1] !~ /^Name the capital of / || line[header + 2] !~ /^\? *$/) exit
                for (i = header + 3; i <= NR; i++) if (line[i] !~ /^ *$/) exit
                sub(/^Name the capital of /, "", line[header + 1])
                print line[header + 1]
            }')
        [ -n "$state" ] && { printf '%s\n' "$state"; return 0; }
        sleep 0.05
        tries=$((tries + 1))
    done
    echo "question $1 did not come; the screen:" >&2
    screen >&2
    return 1
}

# picture NAME TITLE: draws the screen as it is now into NAME.svg.
picture() {
    cursor=$(tmux display-message -p -t quiz '#{cursor_x} #{cursor_y}')
    screen | awk -v columns=80 -v rows=25 -v title="$2" -v cursorx="${cursor% *}" -v cursory="${cursor#* }" \
        -f "$here/screen_to_svg.awk" >"$out/$1.svg"
    echo "wrote $out/$1.svg"
}

# The answers: the capital, except for questions 2, 23 and 41, answered with
# the capital in small letters.
n=1
while [ $n -le 50 ]; do
    state=$(waitForQuestion $n)
    capital=$(awk -F '\t' -v s="$state" '$1 == s { print $2 }' "$table")
    case $n in 2 | 23 | 41) capital=$(printf '%s' "$capital" | tr 'A-Z' 'a-z') ;; esac
    if [ $n -eq 5 ]; then
        # Half an answer typed, the cursor behind it.
        half=$(printf '%s' "$capital" | cut -c 1-$(((${#capital} + 1) / 2)))
        tmux send-keys -t quiz -l "$half"
        sleep 0.3
        picture round "capitals: the first round, question 5"
        tmux send-keys -t quiz -l "${capital#"$half"}"
    else
        tmux send-keys -t quiz -l "$capital"
    fi
    tmux send-keys -t quiz Enter
    n=$((n + 1))
done
tries=0
until screen | grep -q 'Press a key to play again'; do
    [ $tries -lt 100 ] || { echo "no summary; the screen:" >&2; screen >&2; exit 1; }
    sleep 0.05
    tries=$((tries + 1))
done
sleep 0.3
picture summary "capitals: the summary of the first round"
