# Draws a captured terminal screen as an SVG picture: each row of the text
# (as `tmux capture-pane -p` prints it) in a monospace font, light grey on
# black like a console window, every row stretched to the screen's width so
# that the columns line up whatever font the viewer has. The cursor, when
# its column and row (from 0) are given, is drawn as a console's underscore.
#
#   awk -v columns=80 -v rows=25 -v title=capitals [-v cursorx=2 -v cursory=5] \
#       -f screen_to_svg.awk screen.txt > screen.svg
function escape(text) {
    gsub(/&/, "\\&amp;", text)
    gsub(/</, "\\&lt;", text)
    gsub(/>/, "\\&gt;", text)
    return text
}
BEGIN {
    cell = 9.6; line = 20; pad = 12; bar = 26
    width = columns * cell + 2 * pad
    height = rows * line + 2 * pad + bar
}
NR <= rows { text[NR] = $0 }
END {
    printf "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">\n", width, height, width, height
    printf "<title>%s</title>\n", escape(title)
    printf "<rect width=\"%d\" height=\"%d\" rx=\"6\" fill=\"#2b2b2b\"/>\n", width, height
    printf "<text x=\"%d\" y=\"18\" fill=\"#d0d0d0\" font-family=\"sans-serif\" font-size=\"13\" text-anchor=\"middle\">%s</text>\n", width / 2, escape(title)
    printf "<rect x=\"4\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#000000\"/>\n", bar, width - 8, height - bar - 4
    printf "<g font-family=\"DejaVu Sans Mono, Menlo, Consolas, monospace\" font-size=\"16\" fill=\"#c0c0c0\" xml:space=\"preserve\">\n"
    for (row = 1; row <= rows; row++) {
        padded = sprintf("%-" columns "s", substr(text[row], 1, columns))
        if (padded ~ /^ *$/) continue
        printf "<text x=\"%d\" y=\"%d\" textLength=\"%g\" lengthAdjust=\"spacingAndGlyphs\">%s</text>\n", pad, bar + pad + row * line - 5, columns * cell, escape(padded)
    }
    print "</g>"
    if (cursorx != "" && cursory != "")
        printf "<rect x=\"%g\" y=\"%d\" width=\"%g\" height=\"3\" fill=\"#c0c0c0\"/>\n", pad + cursorx * cell, bar + pad + (cursory + 1) * line - 3, cell
    print "</svg>"
}
