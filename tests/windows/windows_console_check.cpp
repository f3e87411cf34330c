// Checks the Windows console layer against a real console: every operation is
// made through WindowsConsole and its effect read back with the console's own
// calls. Runs in a console (under Wine, in a tmux pane); writes one line per
// failed check and a closing "N passed, N failed" line to the file named by
// its argument, and exits non-zero when a check failed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_services.h"
#include "console/windows/windows_console.h"
#include "console/windows/windows_handles.h"

namespace {

std::FILE* report = nullptr;
int passedChecks = 0;
int failedChecks = 0;

void check(bool ok, const char* what) {
    if (ok) {
        ++passedChecks;
    } else {
        ++failedChecks;
        std::fprintf(report, "FAILED: %s\n", what);
    }
}

HANDLE output() { return GetStdHandle(STD_OUTPUT_HANDLE); }

std::string charactersAt(int x, int y, int n) {
    std::string text(static_cast<std::size_t>(n), '\0');
    DWORD read = 0;
    COORD at;
    at.X = static_cast<SHORT>(x);
    at.Y = static_cast<SHORT>(y);
    ReadConsoleOutputCharacterA(output(), text.data(), static_cast<DWORD>(n), at, &read);
    text.resize(read);
    return text;
}

WORD attributeAt(int x, int y) {
    WORD attribute = 0;
    DWORD read = 0;
    COORD at;
    at.X = static_cast<SHORT>(x);
    at.Y = static_cast<SHORT>(y);
    ReadConsoleOutputAttribute(output(), &attribute, 1, at, &read);
    return attribute;
}

bool setBufferSize(int width, int height) {
    COORD size;
    size.X = static_cast<SHORT>(width);
    size.Y = static_cast<SHORT>(height);
    return SetConsoleScreenBufferSize(output(), size) != 0;
}

int bufferWidth() {
    CONSOLE_SCREEN_BUFFER_INFO buffer;
    return GetConsoleScreenBufferInfo(output(), &buffer) ? buffer.dwSize.X : 0;
}

// One key press in the console's input queue, as the keyboard gives it.
void queueKey(char character, WORD virtualKey, WORD scanCode, DWORD controlState = 0) {
    INPUT_RECORD record = {};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = TRUE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.wVirtualScanCode = scanCode;
    record.Event.KeyEvent.uChar.AsciiChar = character;
    record.Event.KeyEvent.dwControlKeyState = controlState;
    DWORD written = 0;
    WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &record, 1, &written);
}

void queueCharacter(char character) {
    const WORD virtualKey = static_cast<WORD>(VkKeyScanA(character) & 0xFF);
    queueKey(character, virtualKey, static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)));
}

// The Windows console as the console services see it, with the user widening
// the console by 20 columns once a given number of input events is read.
class WideningConsole final : public console::ConsolePlatform {
public:
    WideningConsole(console::WindowsConsole& console, int readsBefore, int width, int height)
        : c_(console), readsLeft_(readsBefore), width_(width), height_(height) {}
    void fetchStandardHandles() override { c_.fetchStandardHandles(); }
    bool getScreenInfo(console::ScreenInfo& info) override { return c_.getScreenInfo(info); }
    bool setCursorPosition(int x, int y) override { return c_.setCursorPosition(x, y); }
    bool getCursorVisible(bool& visible) override { return c_.getCursorVisible(visible); }
    bool setCursorVisible(bool visible) override { return c_.setCursorVisible(visible); }
    bool setWindow(const console::CellRect& window) override { return c_.setWindow(window); }
    void keepBufferSize(bool keep) override { c_.keepBufferSize(keep); }
    bool writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) override {
        return c_.writeCells(x, y, bytes, n, attribute);
    }
    bool scrollBlock(const console::CellRect& source, int x, int y, std::uint8_t ch, std::uint16_t a) override {
        return c_.scrollBlock(source, x, y, ch, a);
    }
    bool fillCharacter(std::uint8_t ch, int count, int x, int y) override { return c_.fillCharacter(ch, count, x, y); }
    bool fillAttribute(std::uint16_t a, int count, int x, int y) override { return c_.fillAttribute(a, count, x, y); }
    bool writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) override {
        return c_.writeFile(bytes, n, written);
    }
    bool getInputMode(std::uint32_t& mode) override { return c_.getInputMode(mode); }
    bool setInputMode(std::uint32_t mode) override { return c_.setInputMode(mode); }
    bool peekInput(bool& pending) override { return c_.peekInput(pending); }
    bool readInput(console::InputRecord& record) override {
        if (readsLeft_-- == 0) setBufferSize(width_ + 20, height_);
        return c_.readInput(record);
    }
    int readInputByte() override { return c_.readInputByte(); }
    bool addControlHandler(console::ControlHandler h, void* context) override { return c_.addControlHandler(h, context); }
    bool removeControlHandler(console::ControlHandler h, void* context) override {
        return c_.removeControlHandler(h, context);
    }
    std::uint32_t mapVirtualKeyToChar(std::uint16_t virtualKey) override { return c_.mapVirtualKeyToChar(virtualKey); }
    void beep(unsigned frequency, unsigned milliseconds) override { c_.beep(frequency, milliseconds); }
    void sleep(unsigned milliseconds) override { c_.sleep(milliseconds); }
    void waitForInput() override { c_.waitForInput(); }
    void present() override { c_.present(); }

private:
    console::WindowsConsole& c_;
    int readsLeft_;
    int width_;
    int height_;
};

// The console widened by the user in the middle of an answer: the line keeps
// the width it began with, so an insert at its start redraws the rest where
// the line editor puts it; the answer is what was typed; the width the user
// gave is the console's once the line is done.
void checkWidthChangeMidAnswer(console::WindowsConsole& platform, int w, int h) {
    std::string typed;
    for (int i = 0; i < 85; ++i) typed += static_cast<char>('a' + i % 26);
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    for (char c : typed) queueCharacter(c);
    queueKey(0, VK_HOME, 71, ENHANCED_KEY);
    queueCharacter('X');
    queueKey('\r', VK_RETURN, 28);
    platform.fillCharacter(' ', w * h, 0, 0);
    platform.setCursorPosition(0, 10);

    WideningConsole widening(platform, static_cast<int>(typed.size()), w, h);
    console::ConsoleServices services(widening);
    services.beginInput("", console::withQuestionMark, console::withNewlineAfter);
    std::string answer;
    services.nextInputField(answer);
    const std::string line = "? X" + typed;
    check(answer == "X" + typed, "width change mid-answer: the answer is what was typed");
    check(charactersAt(0, 10, w) == line.substr(0, static_cast<std::size_t>(w)) &&
              charactersAt(0, 11, w).substr(0, line.size() - static_cast<std::size_t>(w) + 1) ==
                  line.substr(static_cast<std::size_t>(w)) + " ",
          "width change mid-answer: the prompt and the answer stay on rows of the width they began with");
    check(bufferWidth() == w + 20, "width change mid-answer: the width the user gave is applied after Enter");
    setBufferSize(w, h);
}

bool handlerA(std::uint32_t, void*) { return false; }
bool handlerB(std::uint32_t, void*) { return false; }

}  // namespace

namespace {

// Cells, fills and the block scroll, read back with the console's calls.
void checkCells(console::WindowsConsole& platform, int w) {
    // Cells: bytes are placed as they are, control bytes included, with the
    // attribute given; the cells around them are untouched.
    platform.fillCharacter('.', w * 6, 0, 0);
    platform.fillAttribute(7, w * 6, 0, 0);
    const std::uint8_t bytes[] = {'A', 7, 9, 10, 13, 'z', 0xC4};
    check(platform.writeCells(3, 1, bytes, 7, 0x1E), "writeCells succeeds");
    check(charactersAt(2, 1, 9) == std::string(".A\x07\x09\x0A\x0Dz\xC4.", 9), "writeCells places bytes uninterpreted");
    check(attributeAt(3, 1) == 0x1E && attributeAt(9, 1) == 0x1E && attributeAt(10, 1) == 7,
          "writeCells sets the attribute of its cells only");
    std::uint8_t longRow[600];
    std::memset(longRow, 'L', sizeof longRow);
    check(platform.writeCells(0, 2, longRow, w, 7) && charactersAt(0, 2, w) == std::string(static_cast<std::size_t>(w), 'L'),
          "writeCells of a whole row");

    // Fills run on from row to row.
    check(platform.fillCharacter('#', w + 2, w - 1, 3), "fillCharacter succeeds");
    check(charactersAt(w - 2, 3, 2) == ".#" && charactersAt(0, 4, w) == std::string(static_cast<std::size_t>(w), '#') &&
              charactersAt(0, 5, 2) == "#.",
          "fillCharacter runs on from row to row");
    check(platform.fillAttribute(0x2F, 2, 0, 5) && attributeAt(1, 5) == 0x2F && attributeAt(2, 5) == 7,
          "fillAttribute sets count cells");

    // Block scroll: rows 1 to 3 move up one row; the row they vacate takes
    // the fill cell.
    check(platform.scrollBlock(console::CellRect{0, 1, w - 1, 3}, 0, 0, ' ', 0x47), "scrollBlock succeeds");
    check(charactersAt(3, 0, 2) == "A\x07" && charactersAt(0, 1, 3) == "LLL", "scrollBlock moves the block");
    check(charactersAt(0, 3, 3) == "   " && attributeAt(0, 3) == 0x47, "scrollBlock fills the vacated row");
}

void checkCursor(console::WindowsConsole& platform) {
    console::ScreenInfo info;
    // Cursor position and visibility.
    check(platform.setCursorPosition(5, 4) && platform.getScreenInfo(info) && info.cursorX == 5 && info.cursorY == 4,
          "setCursorPosition moves the cursor");
    bool visible = true;
    check(platform.setCursorVisible(false) && platform.getCursorVisible(visible) && !visible, "cursor hidden");
    check(platform.setCursorVisible(true) && platform.getCursorVisible(visible) && visible, "cursor shown");
}

void checkInputEvents(console::WindowsConsole& platform) {
    // Input mode and events: a key event and a focus event written into the
    // console's input queue come back field for field.
    std::uint32_t mode = 0;
    check(platform.getInputMode(mode), "input mode read on the console");
    check(platform.setInputMode(mode | console::enableProcessedInput) && platform.getInputMode(mode) &&
              (mode & console::enableProcessedInput) != 0,
          "processed input set");
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    bool pending = true;
    check(platform.peekInput(pending) && !pending, "peek finds no event in an empty queue");
    INPUT_RECORD records[2] = {};
    records[0].EventType = KEY_EVENT;
    records[0].Event.KeyEvent.bKeyDown = TRUE;
    records[0].Event.KeyEvent.wRepeatCount = 3;
    records[0].Event.KeyEvent.wVirtualKeyCode = 0x70;
    records[0].Event.KeyEvent.wVirtualScanCode = 59;
    records[0].Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(0xE9);
    records[0].Event.KeyEvent.dwControlKeyState = 0x0118;
    records[1].EventType = FOCUS_EVENT;
    DWORD written = 0;
    WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), records, 2, &written);
    check(platform.peekInput(pending) && pending, "peek sees a pending event");
    console::InputRecord record;
    check(platform.readInput(record) && record.eventType == console::keyEventType && record.key.keyDown &&
              record.key.repeatCount == 3 && record.key.virtualKey == 0x70 && record.key.scanCode == 59 &&
              record.key.character == 0xE9 && record.key.controlState == 0x0118,
          "a key event read field for field");
    check(platform.readInput(record) && record.eventType == console::focusEventType, "a focus event read as such");
    check(platform.peekInput(pending) && !pending, "the queue is empty again");

    // More events than one block of the read-ahead come back one by one, in
    // order, and the queue is empty after the last.
    std::vector<INPUT_RECORD> many(1200);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i].EventType = KEY_EVENT;
        many[i].Event.KeyEvent.bKeyDown = TRUE;
        many[i].Event.KeyEvent.wRepeatCount = 1;
        many[i].Event.KeyEvent.wVirtualKeyCode = static_cast<WORD>(i);
    }
    WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), many.data(), static_cast<DWORD>(many.size()), &written);
    std::size_t inOrder = 0;
    while (platform.peekInput(pending) && pending && platform.readInput(record) &&
           record.key.virtualKey == static_cast<std::uint16_t>(inOrder)) {
        ++inOrder;
    }
    check(inOrder == many.size() && platform.peekInput(pending) && !pending,
          "events beyond a block of the read-ahead come in order, and the queue empties");
}

void checkKeyMapAndHandlers(console::WindowsConsole& platform) {
    // The unshifted character of a virtual key.
    check(platform.mapVirtualKeyToChar('A') == 'A' && platform.mapVirtualKeyToChar(0x31) == '1' &&
              platform.mapVirtualKeyToChar(0x70) == 0,
          "virtual keys mapped to their unshifted character");

    // The handler list: each entry is removed once; unknown ones are refused.
    check(platform.addControlHandler(handlerA, nullptr) && platform.addControlHandler(handlerB, &platform),
          "control handlers added");
    check(!platform.removeControlHandler(handlerB, nullptr), "an entry that was not added is not removed");
    check(platform.removeControlHandler(handlerA, nullptr) && platform.removeControlHandler(handlerB, &platform),
          "control handlers removed");
    check(!platform.removeControlHandler(handlerA, nullptr), "a removed handler is gone");
}

void checkSizeHold(console::WindowsConsole& platform, int w, int h) {
    console::ScreenInfo info;
    // A size the user gives while the size is kept is taken back at the next
    // query and given again when the hold ends; not kept, it is the console's.
    platform.keepBufferSize(true);
    setBufferSize(w + 20, h);
    check(platform.getScreenInfo(info) && info.bufferWidth == w && bufferWidth() == w,
          "a buffer widened while its size is kept gets its width back");
    platform.keepBufferSize(false);
    check(bufferWidth() == w + 20, "the width given while kept is applied when the hold ends");
    setBufferSize(w, h);
    setBufferSize(w + 20, h);
    check(platform.getScreenInfo(info) && info.bufferWidth == w + 20, "a buffer widened while not kept keeps its width");
    setBufferSize(w, h);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (report = std::fopen(argv[1], "w")) == nullptr) return 2;
    console::WindowsConsole platform;

    console::ScreenInfo info;
    check(!platform.getScreenInfo(info), "screen query fails before the handles are fetched");
    platform.fetchStandardHandles();
    check(platform.getScreenInfo(info), "screen query on the console");
    check(info.bufferWidth >= 40 && info.bufferHeight >= 10, "buffer size read");
    const int w = info.bufferWidth;
    const int h = info.bufferHeight;

    checkCells(platform, w);
    checkCursor(platform);
    checkInputEvents(platform);
    checkKeyMapAndHandlers(platform);
    checkSizeHold(platform, w, h);
    checkWidthChangeMidAnswer(platform, w, h);

    platform.fillCharacter(' ', w * h, 0, 0);
    platform.fillAttribute(7, w * h, 0, 0);
    platform.setCursorPosition(0, 0);
    std::fprintf(report, "%d passed, %d failed\n", passedChecks, failedChecks);
    std::fclose(report);
    return failedChecks == 0 ? 0 : 1;
}
