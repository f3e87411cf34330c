// The one interface through which the console services reach a console.
//
// It gathers what a Windows console offers (screen buffer and window, cursor
// and its visibility, cell writes, block scroll, fills, the input event queue,
// the input mode, control handlers, beep, sleep and the virtual-key map), so
// that the same services run on the Windows console, on a POSIX terminal and
// on the in-memory console model used by the tests.
//
// Coordinates are 0-based absolute screen-buffer cells. Every operation that
// can fail says so in its result; the services decide what a failure means.
#pragma once

#include <cstddef>
#include <cstdint>

namespace console {

// What a screen-buffer query reports.
struct ScreenInfo {
    int bufferWidth = 0;
    int bufferHeight = 0;
    int cursorX = 0;
    int cursorY = 0;
    std::uint16_t attribute = 7;
    int windowLeft = 0;
    int windowTop = 0;
    int windowRight = 0;
    int windowBottom = 0;
};

// A rectangle of cells, inclusive on every side.
struct CellRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Modifier and key flags of a key event.
inline constexpr std::uint32_t rightAltPressed = 0x0001;
inline constexpr std::uint32_t leftAltPressed = 0x0002;
inline constexpr std::uint32_t rightCtrlPressed = 0x0004;
inline constexpr std::uint32_t leftCtrlPressed = 0x0008;
inline constexpr std::uint32_t shiftPressed = 0x0010;
inline constexpr std::uint32_t numLockOn = 0x0020;
inline constexpr std::uint32_t scrollLockOn = 0x0040;
inline constexpr std::uint32_t capsLockOn = 0x0080;
inline constexpr std::uint32_t enhancedKey = 0x0100;

// One key event as the console delivers it.
struct KeyEvent {
    bool keyDown = false;
    std::uint16_t repeatCount = 0;
    std::uint16_t virtualKey = 0;
    std::uint16_t scanCode = 0;
    std::uint8_t character = 0;
    std::uint32_t controlState = 0;
};

// Input event types of the console's input queue.
inline constexpr std::uint16_t keyEventType = 1;
inline constexpr std::uint16_t mouseEventType = 2;
inline constexpr std::uint16_t windowBufferSizeEventType = 4;
inline constexpr std::uint16_t menuEventType = 8;
inline constexpr std::uint16_t focusEventType = 16;

struct InputRecord {
    std::uint16_t eventType = keyEventType;
    KeyEvent key;  // meaningful for key events only
};

// Input mode bit that lets the console act on Ctrl+C itself.
inline constexpr std::uint32_t enableProcessedInput = 0x0001;

// Control event types.
inline constexpr std::uint32_t ctrlCEvent = 0;
inline constexpr std::uint32_t ctrlBreakEvent = 1;
inline constexpr std::uint32_t ctrlCloseEvent = 2;
inline constexpr std::uint32_t ctrlLogoffEvent = 5;
inline constexpr std::uint32_t ctrlShutdownEvent = 6;

// A control handler: called with the event type, on a thread of the
// platform's own; returns whether it handled the event.
using ControlHandler = bool (*)(std::uint32_t eventType, void* context);

class ConsolePlatform {
public:
    virtual ~ConsolePlatform() = default;

    // Standard handles. Taken once by the console set-up.
    virtual void fetchStandardHandles() = 0;

    // Screen buffer, window and cursor of standard output. Fails when
    // standard output is not a console.
    virtual bool getScreenInfo(ScreenInfo& info) = 0;
    virtual bool setCursorPosition(int x, int y) = 0;
    virtual bool getCursorVisible(bool& visible) = 0;
    virtual bool setCursorVisible(bool visible) = 0;
    // Makes the window show the given absolute rectangle.
    virtual bool setWindow(const CellRect& window) = 0;
    // While kept, a change of the window's size is not applied to the screen
    // buffer: the buffer, the window and the cursor stay as the services
    // left them, and the platform shows what of them fits. Released, a size
    // changed meanwhile is applied. The line editor keeps the size for the
    // whole of a line, since its cursor arithmetic uses the width and height
    // read when the line began.
    virtual void keepBufferSize(bool keep) = 0;

    // Writes n cells on row y from column x; bytes are not interpreted.
    virtual bool writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) = 0;
    // Moves the source block so that its top-left cell lands on (destX, destY);
    // the cells it vacates take the fill character and attribute.
    virtual bool scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                             std::uint16_t fillAttribute) = 0;
    // Set the character or the attribute of count consecutive cells from (x, y),
    // running on from row to row.
    virtual bool fillCharacter(std::uint8_t ch, int count, int x, int y) = 0;
    virtual bool fillAttribute(std::uint16_t attribute, int count, int x, int y) = 0;

    // Plain byte output to standard output when it is not a console. Sets
    // written to the count taken, which may be less than n.
    virtual bool writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) = 0;

    // The input mode of standard input. Reading fails when standard input is
    // not a console.
    virtual bool getInputMode(std::uint32_t& mode) = 0;
    virtual bool setInputMode(std::uint32_t mode) = 0;

    // The input event queue. peekInput never waits: it reports whether an
    // event is pending (false on failure too); readInput removes one.
    virtual bool peekInput(bool& pending) = 0;
    virtual bool readInput(InputRecord& record) = 0;

    // One byte of standard input when it is not a console; -1 at its end.
    virtual int readInputByte() = 0;

    // Control handlers, called by the platform on a thread of its own; the
    // last one added is asked first.
    virtual bool addControlHandler(ControlHandler handler, void* context) = 0;
    virtual bool removeControlHandler(ControlHandler handler, void* context) = 0;

    // The unshifted character of a virtual key in the keyboard layout, or 0,
    // as the layout reports it: flags above the low 16 bits (a dead key sets
    // the top bit) are passed on. The services keep the low 16 bits.
    virtual std::uint32_t mapVirtualKeyToChar(std::uint16_t virtualKey) = 0;

    // A tone; returns when it has finished.
    virtual void beep(unsigned frequency, unsigned milliseconds) = 0;
    // The key wait's pause between two checks, of about that time. A
    // platform that can tell when a key can have arrived (input, a control
    // event, a change of the console) waits until then instead, however
    // long, so that an idle key wait wakes nobody; it still ends on time for
    // what it settles itself (a key sequence whose wait runs out). A pause
    // of 0 waits for nothing.
    virtual void sleep(unsigned milliseconds) = 0;
    // Blocks until input could have arrived, without using the processor.
    // Where no key can ever arrive it never returns.
    virtual void waitForInput() = 0;
    // Shows what the operations since the last call changed. The services
    // call it at the end of every console write, clear and cursor placement.
    // A platform may gather what changed over several presents and show it
    // all at once, as long as the screen is shown as it stands before every
    // tone, sleep and wait for input.
    virtual void present() = 0;
};

}  // namespace console
