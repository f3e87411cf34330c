echo "== Console run in tmux: not written yet"; skipped="$skipped console"
