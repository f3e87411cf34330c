/* The floor the terminal program is measured against: a minimal C program
 * that sets the same raw mode, prints the same first question in one write,
 * and then edits the answer line in a read/write loop that blocks in read
 * and sends, for each read, one write with the fewest bytes a terminal needs:
 * a key at the line end is echoed alone, a key in the middle is inserted by
 * the terminal (ICH), Backspace deletes by the terminal (DCH), Enter prints
 * the verdict and the next question. It keeps no screen model and does not
 * wrap: the answer line is kept within the first row.
 *
 * Like any C program that shows and reads the user's characters, it first
 * takes the user's character-type locale, which is how a program learns
 * whether the terminal speaks UTF-8; the program measured against it must
 * do the same at start. */
#define _POSIX_C_SOURCE 200809L

#include <locale.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

enum { promptColumns = 2, longestAnswer = 77, questionsPerRound = 50 };

static const char stateName[] = "New Jersey";
static const char capitalName[] = "Trenton";

static struct termios found;
static int rawModeSet;

static void restoreTerminal(void) {
    if (rawModeSet) tcsetattr(STDIN_FILENO, TCSANOW, &found);
}

static void endBySignal(int signal) {
    restoreTerminal();
    _exit(128 + signal);
}

/* The output of one read, sent in one write. */
static char out[65536];
static size_t outLength;

/* Bytes that do not fit are dropped. The test is written so that it cannot
 * wrap around: whatever n is, the copy stays inside out. */
static void put(const char* bytes, size_t n) {
    if (outLength > sizeof out || n > sizeof out - outLength) return;
    memcpy(out + outLength, bytes, n);
    outLength += n;
}

static void putText(const char* text) { put(text, strlen(text)); }

static void flush(void) {
    size_t sent = 0;
    while (sent < outLength) {
        const ssize_t n = write(STDOUT_FILENO, out + sent, outLength - sent);
        if (n <= 0) break;
        sent += (size_t)n;
    }
    outLength = 0;
}

static int questionNumber = 1;

static void putQuestion(void) {
    char header[64];
    const int n = snprintf(header, sizeof header, " %d of %d\r\n", questionNumber, questionsPerRound);
    put(header, (size_t)n);
    putText("Name the capital of ");
    putText(stateName);
    putText("\r\n? ");
}

static char line[longestAnswer];
static size_t lineLength;
static size_t cursor;

static void moveToColumn(size_t position) {
    char move[32];
    const int n = snprintf(move, sizeof move, "\x1b[%zuG", position + promptColumns + 1);
    put(move, (size_t)n);
}

static void typeByte(char byte) {
    if (lineLength == sizeof line) return;
    if (cursor < lineLength) {
        memmove(line + cursor + 1, line + cursor, lineLength - cursor);
        putText("\x1b[@");
    }
    line[cursor++] = byte;
    ++lineLength;
    put(&byte, 1);
}

static void deleteLeft(void) {
    if (cursor == 0) return;
    memmove(line + cursor - 1, line + cursor, lineLength - cursor);
    --cursor;
    --lineLength;
    putText("\b\x1b[P");
}

static void enter(void) {
    const int correct = lineLength == strlen(capitalName) && memcmp(line, capitalName, lineLength) == 0;
    putText("\r\n");
    if (correct) {
        putText("Correct!\r\n");
    } else {
        putText("Incorrect\r\nCorrect answer is ");
        putText(capitalName);
        putText("\r\n");
    }
    lineLength = 0;
    cursor = 0;
    questionNumber = questionNumber % questionsPerRound + 1;
    putQuestion();
}

/* The final byte of a cursor key sequence (ESC [ or ESC O). */
static void cursorKey(char final, int parameter) {
    if (final == 'D' && cursor > 0) {
        --cursor;
        putText("\b");
    } else if (final == 'C' && cursor < lineLength) {
        put(&line[cursor++], 1);
    } else if (final == 'H' || (final == '~' && parameter == 1)) {
        cursor = 0;
        moveToColumn(cursor);
    } else if (final == 'F' || (final == '~' && parameter == 4)) {
        cursor = lineLength;
        moveToColumn(cursor);
    }
}

int main(void) {
    setlocale(LC_CTYPE, "");
    if (tcgetattr(STDIN_FILENO, &found) == 0) {
        struct termios raw = found;
        raw.c_iflag &= ~(tcflag_t)(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
        raw.c_lflag &= ~(tcflag_t)(ICANON | ECHO | ECHONL | IEXTEN);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        rawModeSet = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = endBySignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, NULL);
    sigaction(SIGTERM, &action, NULL);
    sigaction(SIGHUP, &action, NULL);

    putText("\x1b[0m\x1b[H\x1b[2J\x1b[?25h");
    putQuestion();
    flush();

    /* 0: plain bytes; 1: after ESC; 2: in a sequence after ESC [ or ESC O. */
    int sequence = 0;
    int parameter = 0;
    for (;;) {
        char bytes[256];
        const ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            const char byte = bytes[i];
            if (sequence == 1) {
                sequence = (byte == '[' || byte == 'O') ? 2 : 0;
                parameter = 0;
            } else if (sequence == 2) {
                if (byte >= '0' && byte <= '9') {
                    if (parameter < 1000) parameter = parameter * 10 + (byte - '0');
                } else if (byte >= 0x40 && byte <= 0x7E) {
                    cursorKey(byte, parameter);
                    sequence = 0;
                }
            } else if (byte == '\x1b') {
                sequence = 1;
            } else if (byte == '\r' || byte == '\n') {
                enter();
            } else if (byte == '\x7f' || byte == '\b') {
                deleteLeft();
            } else if ((unsigned char)byte >= 0x20) {
                typeByte(byte);
            }
        }
        flush();
    }
    restoreTerminal();
    return 0;
}
