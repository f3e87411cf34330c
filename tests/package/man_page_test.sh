#!/bin/sh
# The manual page renders without a warning from groff or man, holds every
# section a reader looks for, and names the project's version.
#
#   sh man_page_test.sh path/to/capitals.6 version
set -u
page=$1
version=$2
. "$(dirname "$0")/check.sh"
if ! command -v groff >/dev/null 2>&1; then
    echo "skipped: groff is needed for this test" >&2
    exit 77
fi

warnings=$(groff -man -ww -z "$page" 2>&1)
if [ -z "$warnings" ]; then
    pass "groff -man -ww: no warnings"
else
    fail "groff -man -ww warns:"
    echo "$warnings"
fi
if command -v man >/dev/null 2>&1; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -z "$warnings" ]; then
        pass "man --warnings: no warnings"
    else
        fail "man --warnings warns:"
        echo "$warnings"
    fi
else
    echo "man not installed: its warnings not checked"
fi

missing=""
for section in NAME SYNOPSIS DESCRIPTION KEYS "REDIRECTED INPUT AND OUTPUT" ENDING "EXIT STATUS" ENVIRONMENT FILES NOTES; do
    grep -q "^\.SH \"*$section\"*\$" "$page" || missing="$missing [$section]"
done
if [ -z "$missing" ]; then
    pass "every section is there"
else
    fail "sections missing:$missing"
fi

if grep -q "^\.TH CAPITALS 6 [0-9-]* \"capitals $version\" " "$page"; then
    pass "the page names version $version"
else
    fail "the page's .TH line does not name version $version: $(grep '^\.TH' "$page")"
fi
finish
