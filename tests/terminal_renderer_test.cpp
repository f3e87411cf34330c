// The terminal renderer: what it sends for a change of the console model,
// and, through a terminal emulator written elsewhere, that the terminal then
// shows exactly the model's window.
#include "console/posix/terminal_renderer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "console/memory/memory_console.h"
#include "console/posix/cp437.h"

#ifdef CAPITALS_HAVE_VTERM
#include <vterm.h>
#endif

namespace console {
namespace {

void put(MemoryConsole& model, int x, int y, const std::string& text, std::uint16_t attribute = 7) {
    model.writeCells(x, y, reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()),
                     attribute);
}

// Moves the whole buffer's content up by lines, as the console services
// scroll a window that is the whole buffer.
void scrollWhole(MemoryConsole& model, int lines) {
    model.scrollBlock(CellRect{0, lines, model.bufferWidth - 1, model.bufferHeight - 1}, 0, 0, ' ', 7);
}

std::string render(ShownScreen& shown, MemoryConsole& model, GlyphEncoding encoding = GlyphEncoding::utf8) {
    return renderScreen(shown, windowImage(model), model.takeScrolledLines(), encoding);
}

TEST(TerminalRenderer, SendsOnlyWhatChanged) {
    MemoryConsole model(80, 25);
    ShownScreen shown;
    put(model, 0, 0, "Name the capital of Ohio");
    model.setCursorPosition(24, 0);
    const std::string first = render(shown, model);
    // The screen's content is unknown at first: cleared, then painted.
    EXPECT_EQ(first, "\x1b[0m\x1b[H\x1b[2JName the capital of Ohio\x1b[?25h");

    // Nothing changed: nothing sent.
    EXPECT_EQ(render(shown, model), "");

    // One cell in the middle of the screen, the cursor left after it.
    put(model, 10, 4, "X");
    model.setCursorPosition(11, 4);
    EXPECT_EQ(render(shown, model), "\x1b[5;11HX");

    // Two changes a few cells apart on one row go out as one run; the cursor
    // returns to where the model has it.
    put(model, 0, 0, "Mame the capital of Iowa");
    EXPECT_EQ(render(shown, model), "\x1b[HM\x1b[19CIowa\x1b[5;12H");

    // A row that becomes blank is erased, not overwritten with blanks.
    model.fillCharacter(' ', 80, 0, 0);
    model.setCursorPosition(0, 0);
    EXPECT_EQ(render(shown, model), "\x1b[H\x1b[K");
}

TEST(TerminalRenderer, ScrollIsLineFeedsOnTheBottomRow) {
    MemoryConsole model(20, 5);
    ShownScreen shown;
    for (int y = 0; y < 5; ++y) put(model, 0, y, "row " + std::to_string(y));
    model.setCursorPosition(5, 4);
    render(shown, model);

    scrollWhole(model, 2);
    put(model, 0, 4, "new");
    model.setCursorPosition(3, 4);
    // The moved rows are not sent again: two line feeds on the bottom row,
    // where the cursor already is, then the new text.
    EXPECT_EQ(render(shown, model), "\r\n\nnew");
    model.setCursorPosition(0, 0);
    render(shown, model);
    scrollWhole(model, 1);
    model.setCursorPosition(0, 0);
    EXPECT_EQ(render(shown, model), "\x1b[5H\n\x1b[H");

    // More lines than the screen has: a screenful of line feeds at most.
    scrollWhole(model, 4);
    scrollWhole(model, 4);
    const std::string out = render(shown, model);
    EXPECT_EQ(out.find("\n\n\n\n\n\n"), std::string::npos);
    EXPECT_NE(out.find("\n\n\n\n\n"), std::string::npos);
}

TEST(TerminalRenderer, CursorAndVisibility) {
    MemoryConsole model(20, 5);
    ShownScreen shown;
    model.setCursorVisible(false);
    model.setCursorPosition(3, 2);
    EXPECT_EQ(render(shown, model), "\x1b[?25l\x1b[0m\x1b[H\x1b[2J\x1b[3;4H");
    model.setCursorVisible(true);
    EXPECT_EQ(render(shown, model), "\x1b[?25h");

    // After the last column is written the real cursor may hold a deferred
    // wrap: it is placed explicitly even where the model's cursor already is.
    put(model, 19, 4, "Z");
    model.setCursorPosition(19, 4);
    EXPECT_EQ(render(shown, model), "\x1b[5;20HZ\x1b[5;20H");
}

TEST(TerminalRenderer, GlyphsAndRenditions) {
    // Code page 437 glyphs on a UTF-8 terminal; elsewhere printable ASCII
    // only.
    std::string utf8;
    std::string ascii;
    for (std::uint8_t byte : {std::uint8_t{'A'}, std::uint8_t{0x81}, std::uint8_t{0xDB}, std::uint8_t{0x01}}) {
        appendGlyph(utf8, byte, GlyphEncoding::utf8);
        appendGlyph(ascii, byte, GlyphEncoding::ascii);
    }
    EXPECT_EQ(utf8, "A\xC3\xBC\xE2\x96\x88\xE2\x98\xBA");
    EXPECT_EQ(ascii, "A???");
    // No byte's glyph is a control character that would act on the terminal.
    for (int byte = 0; byte < 256; ++byte) {
        std::string glyph;
        appendGlyph(glyph, static_cast<std::uint8_t>(byte), GlyphEncoding::utf8);
        ASSERT_FALSE(glyph.empty());
        EXPECT_FALSE(glyph.size() == 1 && (static_cast<unsigned char>(glyph[0]) < 0x20 || glyph[0] == 0x7F))
            << byte;
    }

    EXPECT_EQ(renditionFor(7), "\x1b[0m");
    EXPECT_EQ(renditionFor(0x1E), "\x1b[0;93;44m");  // yellow on blue
    EXPECT_EQ(renditionFor(0x70), "\x1b[0;30;47m");  // black on light grey
    EXPECT_EQ(renditionFor(0x0C), "\x1b[0;91m");     // bright red on the default
}

TEST(TerminalRenderer, LeavingPutsTheCursorBelowTheText) {
    MemoryConsole model(20, 5);
    ShownScreen shown;
    put(model, 0, 0, "Score");
    put(model, 0, 1, "? Bos");
    model.setCursorPosition(5, 1);
    render(shown, model);
    EXPECT_EQ(renderLeave(shown), "\x1b[0m\r\n\x1b[?25h");

    // Text on the bottom row: a line feed there makes the row below.
    put(model, 0, 4, "last");
    model.setCursorPosition(4, 4);
    render(shown, model);
    EXPECT_EQ(renderLeave(shown), "\x1b[0m\r\n\x1b[?25h");
    // That line feed scrolled the screen: the text moved up a row.
    EXPECT_EQ(shown.cells[3 * 20].ch, 'l');
    model.setCursorPosition(0, 0);
    render(shown, model);
    EXPECT_EQ(renderLeave(shown), "\x1b[0m\x1b[5H\n\x1b[?25h");

    // Nothing shown yet: only the rendition and the cursor are put back.
    ShownScreen unknown;
    EXPECT_EQ(renderLeave(unknown), "\x1b[0m\x1b[?25h");
}

#ifdef CAPITALS_HAVE_VTERM

// A terminal emulator of the model's size that takes the renderer's bytes.
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
char32_t decodeGlyph(std::string_view glyph) {
    const auto lead = static_cast<unsigned char>(glyph[0]);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t value = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) value = (value << 6) | (static_cast<unsigned char>(glyph[i]) & 0x3F);
    return value;
}

// The terminal colour index a console colour shows as: the console's blue,
// green and red bits are the terminal's 4, 2 and 1, intensity its bright half.
int terminalColour(int consoleColour) {
    static const int table[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    return table[consoleColour & 15];
}

// Compares the emulator's screen with the model's window, cell by cell:
// glyph, colours, cursor and its visibility.
void expectSameScreen(const Emulator& terminal, const MemoryConsole& model, const std::string& step) {
    const WindowImage image = windowImage(model);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Cell& want = image.cells[static_cast<std::size_t>(y * image.width + x)];
            const VTermScreenCell got = terminal.cell(x, y);
            std::string glyph;
            appendGlyph(glyph, want.ch, GlyphEncoding::utf8);
            const char32_t wantChar = decodeGlyph(glyph);
            const char32_t gotChar = got.chars[0] == 0 ? U' ' : got.chars[0];
            ASSERT_EQ(gotChar, wantChar) << step << " at " << x << "," << y;
            ASSERT_EQ(got.width, 1) << step << " at " << x << "," << y;
            const int fg = want.attribute & 15;
            const int bg = (want.attribute >> 4) & 15;
            if (fg == 7) {
                ASSERT_TRUE(VTERM_COLOR_IS_DEFAULT_FG(&got.fg)) << step << " at " << x << "," << y;
            } else {
                ASSERT_TRUE(VTERM_COLOR_IS_INDEXED(&got.fg)) << step;
                ASSERT_EQ(got.fg.indexed.idx, terminalColour(fg)) << step << " at " << x << "," << y;
            }
            if (bg == 0) {
                ASSERT_TRUE(VTERM_COLOR_IS_DEFAULT_BG(&got.bg)) << step << " at " << x << "," << y;
            } else {
                ASSERT_TRUE(VTERM_COLOR_IS_INDEXED(&got.bg)) << step;
                ASSERT_EQ(got.bg.indexed.idx, terminalColour(bg)) << step << " at " << x << "," << y;
            }
        }
    }
    const VTermPos cursor = terminal.cursor();
    EXPECT_EQ(cursor.col, image.cursorX) << step;
    EXPECT_EQ(cursor.row, image.cursorY) << step;
    EXPECT_EQ(terminal.cursorVisible, image.cursorVisible) << step;
}

// A row as the terminal shows it, trailing blanks removed.
std::u32string rowOf(const WindowImage& image, int y) {
    std::u32string line;
    for (int x = 0; x < image.width; ++x) {
        std::string glyph;
        appendGlyph(glyph, image.cells[static_cast<std::size_t>(y * image.width + x)].ch, GlyphEncoding::utf8);
        line += decodeGlyph(glyph);
    }
    line.erase(line.find_last_not_of(U' ') + 1);
    return line;
}

TEST(TerminalRendererThroughEmulator, EveryByteShowsAsOneCodePage437Glyph) {
    MemoryConsole model(64, 5);
    ShownScreen shown;
    Emulator terminal(64, 5);
    for (int byte = 0; byte < 256; ++byte) {
        const auto ch = static_cast<std::uint8_t>(byte);
        model.writeCells(byte % 64, byte / 64, &ch, 1, 7);
    }
    model.setCursorPosition(0, 4);
    terminal.feed(render(shown, model));
    expectSameScreen(terminal, model, "all bytes");
    // Glyphs of the code page, as the emulator shows them.
    EXPECT_EQ(terminal.cell(1, 0).chars[0], 0x263Au);       // 0x01 smiling face
    EXPECT_EQ(terminal.cell(0x81 % 64, 2).chars[0], 0xFCu);  // 0x81 u with diaeresis
    EXPECT_EQ(terminal.cell(0xDB % 64, 3).chars[0], 0x2588u);  // 0xDB full block
    EXPECT_EQ(terminal.cell(0xFE % 64, 3).chars[0], 0x25A0u);  // 0xFE black square
}

TEST(TerminalRendererThroughEmulator, BottomRightCellDoesNotScroll) {
    MemoryConsole model(10, 3);
    ShownScreen shown;
    Emulator terminal(10, 3);
    put(model, 0, 0, "top");
    put(model, 0, 2, "0123456789");  // the whole bottom row, last cell included
    model.setCursorPosition(9, 2);
    terminal.feed(render(shown, model));
    expectSameScreen(terminal, model, "bottom row filled");
    put(model, 9, 2, "#", 0x1F);
    model.setCursorPosition(0, 1);
    terminal.feed(render(shown, model));
    expectSameScreen(terminal, model, "bottom-right rewritten");
    EXPECT_TRUE(terminal.scrollback.empty());
}

TEST(TerminalRendererThroughEmulator, ScrolledLinesEnterTheScrollback) {
    MemoryConsole model(12, 4);
    ShownScreen shown;
    Emulator terminal(12, 4);
    for (int y = 0; y < 4; ++y) put(model, 0, y, "line " + std::to_string(y));
    terminal.feed(render(shown, model));
    scrollWhole(model, 1);
    put(model, 0, 3, "line 4");
    terminal.feed(render(shown, model));
    scrollWhole(model, 2);
    terminal.feed(render(shown, model));
    expectSameScreen(terminal, model, "after scrolls");
    EXPECT_EQ(terminal.scrollback, (std::vector<std::u32string>{U"line 0", U"line 1", U"line 2"}));
}

// Random batches of the console operations the services use, rendered after
// each batch: the emulator must show the model's window after every one, and
// its scrollback must receive exactly the rows that scrolled off.
TEST(TerminalRendererThroughEmulator, RandomBatchesShowTheModel) {
    std::mt19937 random(20240611);
    auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::uint16_t attributes[] = {7, 7, 7, 0x1F, 0x4E, 0x70, 0x0A};
    int width = 12;
    int height = 5;
    MemoryConsole model(width, height);
    ShownScreen shown;
    Emulator terminal(width, height);

    for (int batch = 0; batch < 3000; ++batch) {
        const std::string step = "batch " + std::to_string(batch);
        bool resized = false;
        for (int op = below(4) + 1; op > 0; --op) {
            switch (below(10)) {
            case 0:
            case 1:
            case 2: {
                std::string text;
                for (int n = below(width) + 1; n > 0; --n) text += static_cast<char>(below(2) ? 'a' + below(26) : below(256));
                const std::uint16_t attribute = attributes[below(7)];
                // Rows' ends and the bottom-right cell come often.
                const int y = below(3) == 0 ? height - 1 : below(height);
                const int x = below(3) == 0 ? width - static_cast<int>(text.size()) : below(width);
                put(model, std::max(x, 0), y, text, attribute);
                break;
            }
            case 3:
                scrollWhole(model, below(3) == 0 ? below(height + 3) + 1 : 1);
                break;
            case 4:  // a band scroll the model does not count as a screen scroll
                model.scrollBlock(CellRect{0, 1, width - 1, height - 2}, 0, 0, ' ', 7);
                break;
            case 5:
                model.fillCharacter(' ', below(width * height), below(width), below(height));
                model.fillAttribute(attributes[below(7)], below(width * 2), below(width), below(height));
                break;
            case 6:
                model.setCursorVisible(below(2) == 0);
                break;
            case 7:
                if (below(20) == 0) {
                    width = 8 + below(10);
                    height = 3 + below(5);
                    model.resize(width, height);
                    terminal.resize(width, height);
                    resized = true;
                }
                break;
            default:
                model.setCursorPosition(below(width), below(height));
                break;
            }
        }
        // What the terminal showed before, and the rows a scroll takes off it.
        const int scrolled = model.takeScrolledLines();
        std::vector<std::u32string> expectedScrollback = terminal.scrollback;
        if (shown.known && !resized && shown.width == width && shown.height == height) {
            WindowImage before;
            before.width = shown.width;
            before.height = shown.height;
            before.cells = shown.cells;
            for (int y = 0; y < std::min(scrolled, height); ++y) expectedScrollback.push_back(rowOf(before, y));
        }
        terminal.feed(renderScreen(shown, windowImage(model), scrolled, GlyphEncoding::utf8));
        expectSameScreen(terminal, model, step);
        if (::testing::Test::HasFatalFailure()) return;
        if (resized) {
            terminal.scrollback.clear();
        } else {
            ASSERT_EQ(terminal.scrollback, expectedScrollback) << step;
        }
    }
}

#endif  // CAPITALS_HAVE_VTERM

}  // namespace
}  // namespace console
