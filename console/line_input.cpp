#include "console/line_input.h"

#include "console/text_output.h"

namespace console {

bool inputIsConsole(ConsoleState& cs) {
    std::uint32_t mode = 0;
    return cs.platform.getInputMode(mode);
}

void beginInput(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter) {
    bringUpConsole(cs);
    InputSource& source = cs.inputSource;
    if (!inputIsConsole(cs)) {
        // The stream's unread rest, put-back byte included, stays for the
        // next field.
        source.kind = InputSource::Kind::stream;
        source.lineText.clear();
        source.readPos = 0;
        return;
    }
    source.lineText.clear();
    source.kind = InputSource::Kind::consoleLine;
    source.readPos = 0;
    source.lineText = readInputLine(cs, prompt, questionMark, newlineAfter);
}

std::string readInputLine(ConsoleState&, std::string_view, int, int) { return {}; }
std::string editLine(ConsoleState&) { return {}; }
std::pair<int, int> readCursor(ConsoleState&) { return {0, 0}; }
bool locateCursor(ConsoleState&, int, int, int) { return false; }
void moveCursorBy(ConsoleState&, int&, int&, int, int, int) {}

}  // namespace console
