# Writes the NEWS file as a Debian changelog: each release heading
# "capitals 1.0.0 (2026-12-08)" opens an entry, the text under it becomes the
# entry's lines, and the entry closes with the maintainer and the date.
#
#   awk -v maintainer='Name <address>' -f debian_changelog.awk NEWS
#
# Exits 1, with the reason on standard error, when text stands before the
# first heading or a heading's date is not a date.
function closeEntry() {
    if (!inEntry) return
    print ""
    print " -- " maintainer "  " date
    inEntry = 0
}
/^[a-z0-9][a-z0-9.+-]* [0-9][0-9A-Za-z.+~]* \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/ {
    closeEntry()
    if (entries++) print ""
    day = substr($3, 2, 10)
    date = ""
    command = "LC_ALL=C date -u -R -d " day
    command | getline date
    close(command)
    if (date == "") { print "NEWS: not a date: " day > "/dev/stderr"; failed = 1; exit 1 }
    print $1 " (" $2 ") unstable; urgency=medium"
    inEntry = 1
    blanks = 1
    next
}
/^[ \t]*$/ { blanks++; next }
{
    if (!inEntry) { print "NEWS: text before the first release heading: " $0 > "/dev/stderr"; failed = 1; exit 1 }
    if (blanks) print ""
    blanks = 0
    print "  " $0
}
END {
    if (failed) exit 1
    closeEntry()
}
