// The in-memory console, for tests and benchmarks only: a screen model, an
// input event queue, an input mode and a list of control handlers, with
// fault injection for every query and write, counters of what the console
// services asked for, and helpers that queue keys and raise control events.
// The tests drive the console services on it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "console/console_platform.h"
#include "console/platform/control_handler_list.h"
#include "console/platform/screen_model.h"

namespace console {

// The screen (cells, buffer, window, cursor, attribute) is the model's, open
// to the tests as it is.
class MemoryConsole : public ConsolePlatform, public ScreenModel {
public:
    // A buffer of width by bufferHeight cells whose window shows the top
    // windowHeight rows (the whole buffer when windowHeight is 0).
    MemoryConsole(int width = 80, int bufferHeight = 25, int windowHeight = 0);

    // --- The console platform -------------------------------------------
    void fetchStandardHandles() override;
    bool getScreenInfo(ScreenInfo& info) override;
    bool setCursorPosition(int x, int y) override;
    bool getCursorVisible(bool& visible) override;
    bool setCursorVisible(bool visible) override;
    bool setWindow(const CellRect& window) override;
    // Sizes change here only through resize: nothing to keep. Whether the
    // size is kept, and how often a keep began, are recorded.
    void keepBufferSize(bool keep) override;
    bool writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) override;
    bool scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                     std::uint16_t fillAttribute) override;
    bool fillCharacter(std::uint8_t ch, int count, int x, int y) override;
    bool fillAttribute(std::uint16_t attribute, int count, int x, int y) override;
    bool writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) override;
    bool getInputMode(std::uint32_t& mode) override;
    bool setInputMode(std::uint32_t mode) override;
    bool peekInput(bool& pending) override;
    bool readInput(InputRecord& record) override;
    int readInputByte() override;
    bool addControlHandler(ControlHandler handler, void* context) override;
    bool removeControlHandler(ControlHandler handler, void* context) override;
    std::uint32_t mapVirtualKeyToChar(std::uint16_t virtualKey) override;
    void beep(unsigned frequency, unsigned milliseconds) override;
    void sleep(unsigned milliseconds) override;
    void waitForInput() override;
    void present() override;

    // --- Standard input and output ------------------------------------------
    // Whether standard output and input are this console. When output is
    // not, screen queries fail and writeFile collects the bytes; when input
    // is not, the input mode cannot be read and readInputByte serves stdinBytes.
    bool outputIsConsole = true;
    bool inputIsConsole = true;
    std::uint32_t inputMode = 0x0006;  // line input and echo, processed input off
    std::deque<InputRecord> events;
    std::string stdinBytes;
    std::size_t stdinPos = 0;
    std::string fileOutput;
    std::size_t writeFileChunk = 0;  // most bytes taken per writeFile; 0 = all

    ControlHandlerList handlers;

    // --- Fault injection --------------------------------------------------
    bool failScreenInfo = false;
    bool failCursorInfo = false;
    bool failSetCursor = false;
    bool failSetWindow = false;
    bool failSetInputMode = false;
    bool failPeek = false;
    bool failAddHandler = false;
    bool failWriteFile = false;
    int writeCellsFailAfter = -1;  // cell writes that succeed before all fail; -1 = never fail

    // --- What happened ------------------------------------------------------
    struct Counts {
        int screenInfoQueries = 0;
        int cursorPlacements = 0;
        int cellWrites = 0;
        int blockScrolls = 0;
        int fills = 0;
        int windowMoves = 0;
        int presents = 0;
        int waitsForInput = 0;
        int sizeKeeps = 0;
    } counts;
    bool bufferSizeKept = false;
    std::vector<std::pair<unsigned, unsigned>> beeps;  // (frequency, milliseconds)
    std::vector<unsigned> sleeps;
    // Called after every sleep and wait for input, so a test can feed keys
    // as time passes. A sleep or wait with no hook and nothing to read is a
    // stuck test: it aborts with a message rather than hang.
    std::function<void()> onIdle;
    // Set when a control event took the default handling (ending the process).
    bool endedByDefaultHandling = false;

    // --- Helpers for tests --------------------------------------------------
    // (cell, rowText, windowRowText, takeScrolledLines and resize are the
    // screen model's.)
    // The window's rows, trailing blanks removed, one per line.
    std::string windowText() const;
    // Queue a press and release of a key.
    void pressKey(const KeyEvent& press);
    // Queue the presses and releases that type these bytes on the US layout.
    void typeText(const std::string& text);
    // Queue a press and release of a key without a character.
    void pressSpecial(std::uint16_t virtualKey, std::uint16_t scanCode, std::uint32_t controlState);
    // Ask the control handlers, the last added first, as the platform's
    // control thread does; returns whether one handled it.
    bool raiseControlEvent(std::uint32_t eventType);

private:
    void idle();
};

}  // namespace console
