# Prints the transcript that a first round must produce on redirected output,
# for the order in which the program asked the states and the answer field it
# took for each question.
#
#   awk -f expected_transcript.awk capital_table.tsv fields.txt output.txt
#
# capital_table.tsv: state TAB capital, one entry a line. fields.txt: the
# answer field of question 1, 2, ... one a line (missing lines are empty
# fields). output.txt: what the program wrote; only its question lines are
# read, to learn the order. Exits 1, with the reason on standard error, when
# a question names an unknown state, a state is asked twice or not all 50
# are asked.
FILENAME == ARGV[1] {
    tab = index($0, "\t")
    state = substr($0, 1, tab - 1)
    capital[state] = substr($0, tab + 1)
    stateCount++
    next
}
FILENAME == ARGV[2] { field[++fieldCount] = $0; next }
{
    sub(/\r$/, "")
    if (index($0, "Name the capital of ") == 1) asked[++askedCount] = substr($0, 21)
}
END {
    bad = 0
    for (i = 1; i <= askedCount; i++) {
        s = asked[i]
        if (!(s in capital)) { print "question " i " asks an unknown state: " s > "/dev/stderr"; bad = 1 }
        if (seen[s]++) { print "question " i " asks " s " a second time" > "/dev/stderr"; bad = 1 }
    }
    if (askedCount != stateCount) {
        print "the round asked " askedCount " questions, not " stateCount > "/dev/stderr"
        bad = 1
    }
    correct = 0
    missed = 0
    for (i = 1; i <= askedCount; i++) {
        s = asked[i]
        printf " %d of %d\r\n", i, askedCount
        printf "Name the capital of %s\r\n", s
        if (i <= fieldCount && (field[i] "") == (capital[s] "")) {
            printf "Correct!\r\n"
            correct++
        } else {
            printf "Incorrect\r\nCorrect answer is %s\r\n", capital[s]
            missedState[++missed] = s
        }
    }
    printf "Study round over!\r\n"
    printf " %dof %dcorrect.\r\n", correct, askedCount
    printf "Missed:\r\n"
    for (k = 1; k <= missed; k++) printf "%s , %s\r\n", missedState[k], capital[missedState[k]]
    printf "Press a key to play again\r\n"
    exit bad
}
