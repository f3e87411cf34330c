# Writes the NEWS file as a Debian changelog: each release heading
# "capitals 1.0.0 (2026-12-08)" opens an entry, the text under it becomes the
# entry's lines, and the entry closes with the maintainer and the date.
# Releases made on the same day must still have later dates for later
# releases: the n-th release in NEWS, counted from the oldest, is dated n-1
# seconds after its day's midnight.
#
#   awk -v maintainer='Name <address>' -f debian_changelog.awk NEWS
#
# Exits 1, with the reason on standard error, when text stands before the
# first heading or a heading's date is not a date.
function closeEntry() {
    if (!inEntry) return
    lines[++count] = ""
    lines[++count] = "\n"
    days[count] = day
    entryOf[count] = entries
    inEntry = 0
}
/^[a-z0-9][a-z0-9.+-]* [0-9][0-9A-Za-z.+~]* \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/ {
    closeEntry()
    if (entries++) lines[++count] = ""
    day = substr($3, 2, 10)
    lines[++count] = $1 " (" $2 ") unstable; urgency=medium"
    inEntry = 1
    blanks = 1
    next
}
/^[ \t]*$/ { blanks++; next }
{
    if (!inEntry) { print "NEWS: text before the first release heading: " $0 > "/dev/stderr"; failed = 1; exit 1 }
    if (blanks) lines[++count] = ""
    blanks = 0
    lines[++count] = "  " $0
}
END {
    if (failed) exit 1
    closeEntry()
    for (i = 1; i <= count; i++) {
        if (lines[i] != "\n") { print lines[i]; continue }
        date = ""
        command = "LC_ALL=C date -u -R -d '" days[i] " 00:00:00 UTC + " (entries - entryOf[i]) " seconds'"
        command | getline date
        close(command)
        if (date == "" || days[i] !~ /^[0-9-]+$/) { print "NEWS: not a date: " days[i] > "/dev/stderr"; exit 1 }
        print " -- " maintainer "  " date
    }
}
