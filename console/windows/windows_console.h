// The console on the Windows console: every platform operation is the
// matching console, keyboard or process call on the standard handles.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/console_platform.h"
#include "console/platform/input_read_ahead.h"

namespace console {

class WindowsConsole final : public ConsolePlatform {
public:
    WindowsConsole() = default;
    WindowsConsole(const WindowsConsole&) = delete;
    WindowsConsole& operator=(const WindowsConsole&) = delete;

    void fetchStandardHandles() override;

    // Screen buffer, window and cursor (windows_console.cpp).
    bool getScreenInfo(ScreenInfo& info) override;
    bool setCursorPosition(int x, int y) override;
    bool getCursorVisible(bool& visible) override;
    bool setCursorVisible(bool visible) override;
    bool setWindow(const CellRect& window) override;
    // The buffer's size is held while kept (windows_buffer_hold.cpp).
    void keepBufferSize(bool keep) override;
    bool writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) override;
    bool scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                     std::uint16_t fillAttribute) override;
    bool fillCharacter(std::uint8_t ch, int count, int x, int y) override;
    bool fillAttribute(std::uint16_t attribute, int count, int x, int y) override;
    bool writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) override;

    // Input mode, input events and redirected input (windows_input.cpp).
    bool getInputMode(std::uint32_t& mode) override;
    bool setInputMode(std::uint32_t mode) override;
    bool peekInput(bool& pending) override;
    bool readInput(InputRecord& record) override;
    int readInputByte() override;
    std::uint32_t mapVirtualKeyToChar(std::uint16_t virtualKey) override;

    // Control handlers (control_handlers.cpp holds the process-wide list).
    bool addControlHandler(ControlHandler handler, void* context) override;
    bool removeControlHandler(ControlHandler handler, void* context) override;

    // Tone, pauses and waits (windows_console.cpp).
    void beep(unsigned frequency, unsigned milliseconds) override;
    void sleep(unsigned milliseconds) override;
    void waitForInput() override;
    void present() override;

private:
    // Makes the console take the keyboard before anything is drawn.
    void takeKeyboard();
    // Blocks until the console has input; false where it cannot.
    bool waitOnConsoleInput();
    // While the size is kept: a buffer whose size the user changed is given
    // its held size back, and the size the user gave is noted for later.
    // True when it changed the buffer.
    bool holdBufferSize(const CellRect& window, int width, int height);
    // Gives the buffer a size and the window a place in it, in the order the
    // console accepts: the window never reaches outside the buffer.
    bool resizeBuffer(int width, int height, const CellRect& window);

    // The standard handles as the platform gives them; null until fetched,
    // and null when the process has no such handle.
    void* input_ = nullptr;
    void* output_ = nullptr;

    // The buffer size held while the line editor keeps it (0 by 0 when not
    // kept), and the size and window the user gave meanwhile (0 by 0 when
    // none), applied when the hold ends.
    int heldWidth_ = 0;
    int heldHeight_ = 0;
    int askedWidth_ = 0;
    int askedHeight_ = 0;
    CellRect askedWindow_;

    // Console input events read ahead in one block and handed out one at a
    // time: the console's queue gives up a block as fast as one event, so a
    // paste of any size drains at the pace of the program.
    static constexpr int eventBlock = 512;
    InputRecord events_[eventBlock];
    int eventsNext_ = 0;
    int eventsCount_ = 0;
    bool eventsHeld() const { return eventsNext_ < eventsCount_; }

    // Read-ahead of standard input when it is not a console.
    InputReadAhead readAhead_;
};

}  // namespace console
