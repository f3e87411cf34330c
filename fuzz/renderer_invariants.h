// What must hold for any screen the console services can make, at any size:
// after every render, a terminal emulator that took the renderer's bytes
// shows the model's window exactly (glyph, colours, cursor and its
// visibility), and its scrollback has received exactly the lines that
// scrolled off the window and the text that a clear pushed up, in order.
// The model is driven as the terminal console drives it: the changes are
// rendered first where a scroll or a fill would lose lines not yet sent.
// Shared by the fuzz target and the renderer's tests; needs libvterm.
#pragma once

#include <vterm.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/platform/screen_model.h"
#include "console/posix/terminal_renderer.h"

namespace console::fuzzing {

// A terminal emulator of a given size that takes the renderer's bytes, and
// keeps the lines its screen pushes into the scrollback.
class Emulator {
public:
    Emulator(int width, int height) : vt_(vterm_new(height, width)) {
        vterm_set_utf8(vt_, 1);
        screen_ = vterm_obtain_screen(vt_);
        callbacks_.settermprop = [](VTermProp prop, VTermValue* value, void* user) {
            if (prop == VTERM_PROP_CURSORVISIBLE) static_cast<Emulator*>(user)->cursorVisible = value->boolean != 0;
            return 1;
        };
        callbacks_.sb_pushline = [](int cols, const VTermScreenCell* cells, void* user) {
            std::u32string line;
            for (int x = 0; x < cols; ++x) line += cells[x].chars[0] == 0 ? U' ' : static_cast<char32_t>(cells[x].chars[0]);
            line.erase(line.find_last_not_of(U' ') + 1);
            static_cast<Emulator*>(user)->scrollback.push_back(line);
            return 1;
        };
        vterm_screen_set_callbacks(screen_, &callbacks_, this);
        vterm_screen_reset(screen_, 1);
    }
    ~Emulator() { vterm_free(vt_); }
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    void feed(const std::string& bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }
    void resize(int width, int height) { vterm_set_size(vt_, height, width); }
    VTermScreenCell cell(int x, int y) const {
        VTermScreenCell cell{};
        vterm_screen_get_cell(screen_, VTermPos{y, x}, &cell);
        return cell;
    }
    VTermPos cursor() const {
        VTermPos pos{};
        vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
        return pos;
    }

    bool cursorVisible = true;
    std::vector<std::u32string> scrollback;

private:
    VTerm* vt_;
    VTermScreen* screen_;
    VTermScreenCallbacks callbacks_{};
};

// The Unicode character that a UTF-8 glyph encodes.
inline char32_t decodeGlyph(std::string_view glyph) {
    const auto lead = static_cast<unsigned char>(glyph[0]);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t value = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) value = (value << 6) | (static_cast<unsigned char>(glyph[i]) & 0x3F);
    return value;
}

inline char32_t glyphOf(std::uint8_t byte) {
    std::string glyph;
    appendGlyph(glyph, byte, GlyphEncoding::utf8);
    return decodeGlyph(glyph);
}

// The terminal colour index a console colour shows as: the console's blue,
// green and red bits are the terminal's 4, 2 and 1, intensity its bright half.
inline int terminalColour(int consoleColour) {
    static const int table[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    return table[consoleColour & 15];
}

// Why the cell the emulator shows is not the model's cell, or empty.
inline std::string cellFault(const VTermScreenCell& got, const Cell& want) {
    const char32_t gotChar = got.chars[0] == 0 ? U' ' : got.chars[0];
    if (gotChar != glyphOf(want.ch)) return "glyph";
    if (got.width != 1) return "width";
    const int fg = want.attribute & 15;
    const int bg = (want.attribute >> 4) & 15;
    if (fg == 7 ? !VTERM_COLOR_IS_DEFAULT_FG(&got.fg)
                : !VTERM_COLOR_IS_INDEXED(&got.fg) || got.fg.indexed.idx != terminalColour(fg)) {
        return "foreground";
    }
    if (bg == 0 ? !VTERM_COLOR_IS_DEFAULT_BG(&got.bg)
                : !VTERM_COLOR_IS_INDEXED(&got.bg) || got.bg.indexed.idx != terminalColour(bg)) {
        return "background";
    }
    return {};
}

// Why the emulator's screen is not the view, cell by cell (glyph, colours),
// cursor and visibility; empty when it is.
inline std::string screenFault(const Emulator& terminal, const ScreenView& view) {
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
            const std::string fault = cellFault(terminal.cell(x, y), view.cell(x, y));
            if (!fault.empty()) return fault + " at " + std::to_string(x) + "," + std::to_string(y);
        }
    }
    const VTermPos cursor = terminal.cursor();
    if (cursor.col != view.cursorX || cursor.row != view.cursorY) {
        return "cursor at " + std::to_string(cursor.col) + "," + std::to_string(cursor.row) + " instead of " +
               std::to_string(view.cursorX) + "," + std::to_string(view.cursorY);
    }
    if (terminal.cursorVisible != view.cursorVisible) return "cursor visibility";
    return {};
}

// A row of cells as the terminal shows it, trailing blanks removed.
inline std::u32string lineOf(const Cell* cells, int width) {
    std::u32string line;
    for (int x = 0; x < width; ++x) line += glyphOf(cells[x].ch);
    line.erase(line.find_last_not_of(U' ') + 1);
    return line;
}

// The screen model, a renderer's shown screen and an emulator, driven as
// the terminal console drives them, with the scrollback the emulator must
// have received.
class RenderedScreen {
public:
    RenderedScreen(int width, int height) : model(width, height), terminal_(width, height) {}

    ScreenModel model;

    void write(int x, int y, const std::string& text, std::uint16_t attribute) {
        model.writeCells(x, y, reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()),
                         attribute);
    }
    // A move of the whole buffer's content up by lines.
    void scrollWhole(int lines) {
        const CellRect source{0, lines, model.bufferWidth - 1, model.bufferHeight - 1};
        const int scrolled = model.wholeBufferScrollLines(source, 0, 0);
        if (model.scrollOutrunsRender(scrolled)) renderMidWork();
        for (int y = 0; y < scrolled; ++y) expected_.push_back(lineOf(&model.cell(0, y), model.bufferWidth));
        model.scrollBlock(source, 0, 0, ' ', 7);
    }
    void scrollBand(const CellRect& source, int destX, int destY) {
        if (model.scrollOutrunsRender(model.wholeBufferScrollLines(source, destX, destY))) {
            scrollWhole(source.top);
            return;
        }
        model.scrollBlock(source, destX, destY, ' ', 7);
    }
    void fillCharacter(std::uint8_t ch, int count, int x, int y) {
        beforeFill();
        const bool blankBefore = model.windowBlankedByFills();
        model.fillCharacter(ch, count, x, y);
        if (!blankBefore && model.windowBlankedByFills()) noteClearPush();
    }
    void fillAttribute(std::uint16_t attribute, int count, int x, int y) {
        beforeFill();
        model.fillAttribute(attribute, count, x, y);
    }
    // The terminal takes a new size: it may have moved or cut what it
    // showed, so the next render paints it whole, as the terminal console's
    // does.
    void resize(int width, int height) {
        model.resize(width, height);
        terminal_.resize(width, height);
        shown_.known = false;
        resized_ = true;
    }

    // Renders what changed, as before a wait (or, mid-work, keeping a
    // visible cursor), and returns why the emulator differs from the model
    // or its scrollback from what scrolled off, or empty.
    std::string render(bool beforeWait = true) {
        ScreenView view = windowView(model);
        if (!beforeWait && !view.cursorVisible && shown_.cursorVisible) view.cursorVisible = true;
        const std::string bytes = renderScreen(shown_, view, GlyphEncoding::utf8);
        model.changesRendered();
        terminal_.feed(bytes);
        bytesSent += bytes.size();
        // A resize repaints whole; what was on its way is not kept. The
        // emulator blanks a screen of one row on a line feed instead of
        // moving the row into its scrollback: nothing to compare there.
        if (resized_ || view.height == 1) {
            resized_ = false;
            terminal_.scrollback.clear();
            expected_.clear();
        }
        std::string fault = screenFault(terminal_, view);
        if (fault.empty() && terminal_.scrollback != expected_) fault = "scrollback";
        if (!midWorkFault_.empty()) fault = midWorkFault_;
        midWorkFault_.clear();
        return fault;
    }

    std::size_t bytesSent = 0;

private:
    // A render in the middle of the work, as the terminal console makes
    // before a scroll or a fill; its fault is told by the next render.
    void renderMidWork() {
        const std::string fault = render(false);
        if (midWorkFault_.empty()) midWorkFault_ = fault;
    }
    void beforeFill() {
        if (shown_.known && model.textSinceRender()) renderMidWork();
    }
    // The window was blanked by fills: the rows the terminal showed, down to
    // the last one that is not all default blanks, go up into the scrollback.
    void noteClearPush() {
        if (!shown_.known || resized_ || shown_.width != model.bufferWidth ||
            shown_.height != model.windowBottom - model.windowTop + 1) {
            return;
        }
        const auto rowStart = [this](int y) { return shown_.cells.begin() + static_cast<std::ptrdiff_t>(y) * shown_.width; };
        int rows = 0;
        for (int y = 0; y < shown_.height; ++y) {
            if (!std::all_of(rowStart(y), rowStart(y + 1), [](const Cell& c) { return c == Cell{}; })) rows = y + 1;
        }
        for (int y = 0; y < rows; ++y) expected_.push_back(lineOf(&*rowStart(y), shown_.width));
    }

    ShownScreen shown_;
    Emulator terminal_;
    std::vector<std::u32string> expected_;
    bool resized_ = false;
    std::string midWorkFault_;
};

// Bytes read one at a time, zeros once they run out.
class ByteSource {
public:
    ByteSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    int next() { return pos_ < size_ ? data_[pos_++] : 0; }
    int below(int n) { return n <= 1 ? 0 : next() % n; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A text the services could write: letters and blanks mostly, any byte now
// and then.
inline std::string randomText(ByteSource& bytes, int length) {
    std::string text;
    for (int i = 0; i < length; ++i) {
        const int b = bytes.next();
        text += static_cast<char>(b % 4 == 0 ? ' ' : b % 4 == 1 ? b : 'a' + b % 26);
    }
    return text;
}

// An insert (count > 0) or delete (count < 0) in a text running on from
// (x, y) to the end of the window, as the line editor redraws it: the text
// from there on written again, moved by count, blanks after a delete.
inline void shiftText(RenderedScreen& screen, int x, int y, int count, const std::string& inserted) {
    ScreenModel& model = screen.model;
    const int width = model.bufferWidth;
    std::string text;
    for (int row = y; row < model.bufferHeight; ++row) text += model.rowText(row);
    text.erase(0, static_cast<std::size_t>(x));
    const std::size_t length = text.size();
    if (count > 0) {
        text.insert(0, inserted.substr(0, static_cast<std::size_t>(count)));
    } else {
        text.erase(0, std::min(length, static_cast<std::size_t>(-count)));
        text.append(static_cast<std::size_t>(-count), ' ');
    }
    text.resize(length);
    // Row by row, as a write wraps at the right edge.
    for (std::size_t done = 0; done < text.size(); y += 1, x = 0) {
        const std::size_t n = std::min(text.size() - done, static_cast<std::size_t>(width - x));
        screen.write(x, y, text.substr(done, n), 7);
        done += n;
    }
}

inline std::string applyRandomOperation(RenderedScreen& screen, ByteSource& bytes) {
    static const std::uint16_t attributes[] = {7, 7, 7, 0x1F, 0x4E, 0x70, 0x0A, 0x07 | 0x8000};
    ScreenModel& model = screen.model;
    const int width = model.bufferWidth;
    const int height = model.bufferHeight;
    switch (bytes.below(13)) {
    case 0:
    case 1: {
        // Rows' ends and the bottom-right cell come often.
        const std::string text = randomText(bytes, bytes.below(width) + 1);
        const int y = bytes.below(3) == 0 ? height - 1 : bytes.below(height);
        const int x = bytes.below(3) == 0 ? width - static_cast<int>(text.size()) : bytes.below(width);
        screen.write(std::max(x, 0), y, text, attributes[bytes.below(8)]);
        break;
    }
    case 2:
        screen.scrollWhole(bytes.below(3) == 0 ? bytes.below(height + 2) + 1 : 1);
        break;
    case 3:  // a band scroll, which a terminal does not see as a scroll
        screen.scrollBand(CellRect{0, 1, width - 1, std::max(height - 2, 0)}, 0, 0);
        break;
    case 4:
        screen.fillCharacter(bytes.below(4) == 0 ? static_cast<std::uint8_t>('a' + bytes.below(26)) : ' ',
                             bytes.below(width * height + 1), bytes.below(width), bytes.below(height));
        screen.fillAttribute(attributes[bytes.below(8)], bytes.below(width * 2), bytes.below(width), bytes.below(height));
        break;
    case 5:  // the clear at the start of a round: fills from the last row up
        for (int y = height - 1; y >= 0; --y) {
            screen.fillAttribute(7, width, 0, y);
            screen.fillCharacter(' ', width, 0, y);
        }
        model.setCursorPosition(0, 0);
        break;
    case 6:
        model.cursorVisible = bytes.below(2) == 0;
        break;
    case 7:
    case 8: {
        const int count = 1 + bytes.below(bytes.below(4) == 0 ? width : 8);
        shiftText(screen, bytes.below(width), bytes.below(height), bytes.below(2) == 0 ? count : -count,
                  randomText(bytes, count));
        break;
    }
    case 9:
        if (bytes.below(8) == 0) screen.resize(1 + bytes.below(24), 1 + bytes.below(9));
        break;
    case 10:
        return screen.render();
    default:
        model.setCursorPosition(bytes.below(width), bytes.below(height));
        break;
    }
    return {};
}

// Plays the operations that the bytes choose on a screen whose size they
// choose too, and returns the first fault a render shows, or empty.
inline std::string checkRendering(const std::uint8_t* data, std::size_t size) {
    ByteSource bytes(data, size);
    RenderedScreen screen(1 + bytes.below(24), 1 + bytes.below(9));
    while (!bytes.empty()) {
        const std::string fault = applyRandomOperation(screen, bytes);
        if (!fault.empty()) return fault;
    }
    return screen.render();
}

}  // namespace console::fuzzing
