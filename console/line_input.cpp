#include "console/line_input.h"

#include <cstdint>

#include "console/console.h"
#include "console/console_frame.h"
#include "console/line_editor.h"
#include "console/text_output.h"

namespace console {

bool inputIsConsole(ConsoleState& cs) {
    std::uint32_t mode = 0;
    return cs.platform.getInputMode(mode);
}

void beginInput(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter) {
    setUpConsole(cs);
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

std::string readInputLine(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter) {
    // A wrap deferred by earlier output happens now, so the prompt starts
    // on a fresh row.
    consoleWrite(cs, nullptr, 0, syncWhenEmpty);
    printText(cs, prompt, 0);
    if (questionMark != 0) printText(cs, "? ", 0);
    std::string text = editLine(cs);
    if (newlineAfter != 0) printEnd(cs, lineEnd);
    return text;
}

}  // namespace console
