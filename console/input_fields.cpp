#include "console/input_fields.h"

namespace console {
namespace {

bool isBlank(int c) { return c == ' ' || c == '\t'; }

// After a carriage return: a line feed that follows belongs to the same line
// ending; any other byte is the next field's.
void finishCarriageReturn(ConsoleState& cs) {
    const int next = nextInputChar(cs);
    if (next != endOfInput && next != '\n') putBackInputChar(cs, next);
}

// What follows a closing quote, a full field or the end of input: blanks,
// then the separator (a comma or a line ending) is taken; any other byte is
// put back as the next field's.
void takeFieldSeparator(ConsoleState& cs, int follower) {
    while (isBlank(follower)) follower = nextInputChar(cs);
    if (follower == endOfInput || follower == '\n' || follower == ',') return;
    if (follower == '\r') {
        finishCarriageReturn(cs);
        return;
    }
    putBackInputChar(cs, follower);
}

}  // namespace

int nextInputChar(ConsoleState& cs) {
    InputSource& source = cs.inputSource;
    if (source.kind == InputSource::Kind::consoleLine) {
        if (source.readPos >= source.lineText.size()) return endOfInput;
        return static_cast<unsigned char>(source.lineText[source.readPos++]);
    }
    if (source.putBack >= 0) {
        const int byte = source.putBack;
        source.putBack = -1;
        return byte;
    }
    return cs.platform.readInputByte();
}

void putBackInputChar(ConsoleState& cs, int byte) {
    InputSource& source = cs.inputSource;
    if (source.kind == InputSource::Kind::consoleLine) {
        if (source.readPos > 0) --source.readPos;
        return;
    }
    source.putBack = byte;
}

void nextInputField(ConsoleState& cs, std::string& target) {
    // The field is built as a zero-terminated text: a zero byte from a
    // redirected standard input ends what is copied to the target.
    char field[maxFieldLength + 1];
    int length = 0;
    bool quoted = false;

    int c = nextInputChar(cs);
    while (isBlank(c)) c = nextInputChar(cs);

    while (c != endOfInput) {
        if (c == '"') {
            if (quoted) {
                takeFieldSeparator(cs, nextInputChar(cs));
                break;
            }
            if (length == 0) {
                quoted = true;
            } else {
                field[length++] = static_cast<char>(c);
            }
        } else if (c == ',' && !quoted) {
            break;
        } else if (c == '\n') {
            break;
        } else if (c == '\r') {
            finishCarriageReturn(cs);
            break;
        } else {
            field[length++] = static_cast<char>(c);
        }
        c = nextInputChar(cs);
        // A field ends at 4096 bytes even without a separator, and what
        // follows is taken as after any full field: blanks skipped, a comma
        // or line ending consumed, any other byte put back. A longer run thus
        // comes out as 4096-byte fields one after another, losing nothing
        // but blanks at a cut.
        if (length == maxFieldLength || c == endOfInput) {
            takeFieldSeparator(cs, c);
            break;
        }
    }
    field[length] = '\0';
    target.assign(field);
}

}  // namespace console
