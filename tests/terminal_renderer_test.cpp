// The terminal renderer: what it sends for a change of the console model,
// and, through a terminal emulator written elsewhere, that the terminal then
// shows exactly the model's window.
#include "console/posix/terminal_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/console_state.h"
#include "console/line_input.h"
#include "console/memory/memory_console.h"
#include "console/platform/us_layout.h"
#include "console/posix/cp437.h"
#include "console/screen_scroll.h"
#include "console/text_output.h"

#ifdef CAPITALS_HAVE_VTERM
#include "fuzz/renderer_invariants.h"
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
    const std::string bytes = renderScreen(shown, windowView(model), encoding);
    model.changesRendered();
    return bytes;
}

// A terminal the renderer draws on: what it shows as far as the renderer
// knows, and, where libvterm is installed, an emulator fed every byte, which
// must then show exactly the model's window (cells, cursor, visibility).
struct ShownTerminal {
    ShownTerminal(int width, int height)
#ifdef CAPITALS_HAVE_VTERM
        : emulator(width, height)
#endif
    {
        (void)width;
        (void)height;
    }

    std::string render(MemoryConsole& model) {
        const std::string bytes = renderScreen(shown, windowView(model), GlyphEncoding::utf8);
#ifdef CAPITALS_HAVE_VTERM
        emulator.feed(bytes);
        EXPECT_EQ(fuzzing::screenFault(emulator, windowView(model)), "");
#endif
        model.changesRendered();
        return bytes;
    }

    ShownScreen shown;
#ifdef CAPITALS_HAVE_VTERM
    static constexpr bool checksTheScreen = true;
    fuzzing::Emulator emulator;
#else
    static constexpr bool checksTheScreen = false;
#endif
};

// Bytes checked against a budget alone would pass a renderer that sends
// nothing: where no emulator shows what they do, the test stops there.
#define SKIP_UNLESS_THE_SCREEN_IS_CHECKED()                                                           \
    if (!ShownTerminal::checksTheScreen) GTEST_SKIP() << "libvterm is not installed: the screen the " \
                                                         "bytes show cannot be checked"

// What a change costs: the screen is checked through the emulator, the bytes
// against a budget, so that any sequences that show it as cheaply pass.
TEST(TerminalRenderer, SendsOnlyWhatChanged) {
    MemoryConsole model(80, 25);
    ShownTerminal terminal(80, 25);
    put(model, 0, 0, "Name the capital of Ohio");
    model.setCursorPosition(24, 0);
    // The screen's content is unknown at first: cleared, then painted.
    EXPECT_EQ(terminal.render(model), "\x1b[0m\x1b[H\x1b[2JName the capital of Ohio\x1b[?25h");

    // Nothing changed: nothing sent.
    EXPECT_EQ(terminal.render(model), "");

    SKIP_UNLESS_THE_SCREEN_IS_CHECKED();
    // One cell in the middle of the screen, the cursor left after it: a
    // cursor move and the cell.
    put(model, 10, 4, "X");
    model.setCursorPosition(11, 4);
    EXPECT_LE(terminal.render(model).size(), 8u);

    // Changed cells on one row go out without the unchanged ones between
    // them; the cursor returns to where the model has it.
    put(model, 0, 0, "Mame the capital of Iowa");
    const std::string edit = terminal.render(model);
    EXPECT_EQ(edit.find("capital"), std::string::npos) << edit;
    EXPECT_LE(edit.size(), 20u) << edit;

    // A row that becomes blank is erased, not overwritten with blanks.
    model.fillCharacter(' ', 80, 0, 0);
    model.setCursorPosition(0, 0);
    const std::string erased = terminal.render(model);
    EXPECT_NE(erased.find("\x1b[K"), std::string::npos) << erased;
    EXPECT_LE(erased.size(), 6u) << erased;
}

TEST(TerminalRenderer, ScrollIsLineFeedsOnTheBottomRow) {
    MemoryConsole model(20, 5);
    ShownTerminal terminal(20, 5);
    for (int y = 0; y < 5; ++y) put(model, 0, y, "row " + std::to_string(y));
    model.setCursorPosition(5, 4);
    terminal.render(model);

    // The moved rows are not sent again: two line feeds on the bottom row,
    // where the cursor already is, then the new text.
    scrollWhole(model, 2);
    put(model, 0, 4, "new");
    model.setCursorPosition(3, 4);
    EXPECT_EQ(terminal.render(model), "\r\n\nnew");
    model.setCursorPosition(0, 0);
    terminal.render(model);
    scrollWhole(model, 1);
    model.setCursorPosition(0, 0);
    const std::string one = terminal.render(model);
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 1) << one;
    EXPECT_LE(one.size(), 8u) << one;

    // The rows a scroll brings in are written as they come in, the cursor
    // running down with the text as for printed lines: no cursor placement.
    put(model, 0, 4, "? ");
    model.setCursorPosition(2, 4);
    terminal.render(model);
    scrollWhole(model, 2);
    put(model, 0, 3, "Incorrect");
    put(model, 0, 4, "Correct: Dover");
    model.setCursorPosition(0, 4);
    const std::string brought = terminal.render(model);
    EXPECT_EQ(brought.find('\x1b'), std::string::npos) << brought;
#ifdef CAPITALS_HAVE_VTERM
    EXPECT_EQ(terminal.emulator.scrollback,
              (std::vector<std::u32string>{U"row 0", U"row 1", U"row 2", U"row 3", U"row 4"}));
#endif

    // More lines than the screen has: a screenful of line feeds at most.
    scrollWhole(model, 4);
    scrollWhole(model, 4);
    const std::string out = terminal.render(model);
    EXPECT_EQ(out.find("\n\n\n\n\n\n"), std::string::npos);
    EXPECT_NE(out.find("\n\n\n\n\n"), std::string::npos);
}

TEST(TerminalRenderer, CursorAndVisibility) {
    MemoryConsole model(20, 5);
    ShownTerminal terminal(20, 5);
    model.setCursorVisible(false);
    model.setCursorPosition(3, 2);
    EXPECT_EQ(terminal.render(model), "\x1b[?25l\x1b[0m\x1b[H\x1b[2J\x1b[3;4H");
    model.setCursorVisible(true);
    EXPECT_EQ(terminal.render(model), "\x1b[?25h");

    // After the last column is written the real cursor may hold a deferred
    // wrap: it is placed explicitly even where the model's cursor already is.
    put(model, 19, 4, "Z");
    model.setCursorPosition(19, 4);
    EXPECT_EQ(terminal.render(model), "\x1b[5;20HZ\x1b[5;20H");
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

// A key typed or deleted in the middle of an answer moves the rest of the
// row: the terminal moves the cells itself, and only what is new is sent,
// within the bytes of an insert or delete and the new cells.
TEST(TerminalRenderer, MidLineEditsAreInsertsAndDeletesByTheTerminal) {
    SKIP_UNLESS_THE_SCREEN_IS_CHECKED();
    MemoryConsole model(80, 25);
    ShownTerminal terminal(80, 25);
    std::string answer;
    for (int i = 0; i < 6; ++i) answer += "Sacramento";  // 60 bytes
    put(model, 0, 0, "? " + answer);
    model.setCursorPosition(32, 0);
    terminal.render(model);

    // 'k' typed at the 31st byte: one cell inserted, then its glyph.
    put(model, 32, 0, "k" + answer.substr(30));
    model.setCursorPosition(33, 0);
    EXPECT_LE(terminal.render(model).size(), 4u);
    // Backspace: one cell deleted where the cursor goes back to.
    put(model, 32, 0, answer.substr(30) + " ");
    model.setCursorPosition(32, 0);
    EXPECT_LE(terminal.render(model).size(), 4u);
    // A Tab: eight blank cells inserted, the cursor past them.
    put(model, 32, 0, "        " + answer.substr(30));
    model.setCursorPosition(40, 0);
    EXPECT_LE(terminal.render(model).size(), 8u);
    // Delete of those eight.
    put(model, 32, 0, answer.substr(30) + "        ");
    model.setCursorPosition(32, 0);
    EXPECT_LE(terminal.render(model).size(), 9u);
    // Near the end of the text sending the cells is shorter than moving them.
    put(model, 60, 0, "kto");
    model.setCursorPosition(61, 0);
    EXPECT_LE(terminal.render(model).size(), 13u);

    // A text that runs on to the next row: the cell pushed past the row's
    // end is lost by the insert, so the next row's first cell is sent.
    MemoryConsole narrow(20, 5);
    ShownTerminal narrowTerminal(20, 5);
    put(narrow, 0, 0, "? Sacramento Sacrame");
    put(narrow, 0, 1, "nto Sacramento");
    narrow.setCursorPosition(4, 0);
    narrowTerminal.render(narrow);
    put(narrow, 4, 0, "kcramento Sacram");
    put(narrow, 0, 1, "ento Sacramento");
    narrow.setCursorPosition(5, 0);
    EXPECT_LE(narrowTerminal.render(narrow).size(), 16u);
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

using fuzzing::Emulator;

// Compares the emulator's screen with the model's window, cell by cell:
// glyph, colours, cursor and its visibility.
void expectSameScreen(const Emulator& terminal, const MemoryConsole& model, const std::string& step) {
    ASSERT_EQ(fuzzing::screenFault(terminal, windowView(model)), "") << step;
}

#endif  // CAPITALS_HAVE_VTERM

// The tests below need the emulator; where libvterm is not installed each
// reports a skip.
constexpr const char* withoutEmulator = "libvterm is not installed";

TEST(TerminalRendererThroughEmulator, EveryByteShowsAsOneCodePage437Glyph) {
#ifndef CAPITALS_HAVE_VTERM
    GTEST_SKIP() << withoutEmulator;
#else
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
#endif
}

TEST(TerminalRendererThroughEmulator, BottomRightCellDoesNotScroll) {
#ifndef CAPITALS_HAVE_VTERM
    GTEST_SKIP() << withoutEmulator;
#else
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
#endif
}

TEST(TerminalRendererThroughEmulator, ScrolledLinesEnterTheScrollback) {
#ifndef CAPITALS_HAVE_VTERM
    GTEST_SKIP() << withoutEmulator;
#else
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
#endif
}

// Random batches of the console operations the services use, rendered after
// each batch: the emulator must show the model's window after every one, and
// its scrollback must receive exactly the rows that scrolled off.
TEST(TerminalRendererThroughEmulator, RandomBatchesShowTheModel) {
#ifndef CAPITALS_HAVE_VTERM
    GTEST_SKIP() << withoutEmulator;
#else
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
        // What the terminal showed before, and the rows a clear and a scroll
        // take off it.
        const ScreenView view = windowView(model);
        const int scrolled = view.scrolledLines;
        std::vector<std::u32string> expectedScrollback = terminal.scrollback;
        if (shown.known && !resized && shown.width == width && shown.height == height) {
            std::vector<Cell> before = shown.cells;
            const auto row = [&before, width](int y) { return before.data() + static_cast<std::size_t>(y * width); };
            if (view.blankedByFills) {
                int rows = 0;
                for (int y = 0; y < height; ++y) {
                    if (!std::all_of(row(y), row(y + 1), [](const Cell& c) { return c == Cell{}; })) rows = y + 1;
                }
                for (int y = 0; y < rows; ++y) expectedScrollback.push_back(fuzzing::lineOf(row(y), width));
                std::fill(before.begin(), before.end(), Cell{});
            }
            for (int y = 0; y < std::min(scrolled, height); ++y) expectedScrollback.push_back(fuzzing::lineOf(row(y), width));
        }
        terminal.feed(renderScreen(shown, view, GlyphEncoding::utf8));
        model.changesRendered();
        expectSameScreen(terminal, model, step);
        if (::testing::Test::HasFatalFailure()) return;
        if (resized) {
            terminal.scrollback.clear();
        } else {
            ASSERT_EQ(terminal.scrollback, expectedScrollback) << step;
        }
    }
#endif
}

// Answers edited at random on the line editor, at random widths and
// heights, rendered whenever the editor waits for a key, as the terminal
// console renders: after every insert, delete, Backspace, Tab and Escape,
// anywhere in a line that may run on over several rows and scroll the
// window, the emulator shows exactly the model's window.
TEST(TerminalRendererThroughEmulator, RandomLineEditsShowTheModel) {
#ifndef CAPITALS_HAVE_VTERM
    GTEST_SKIP() << withoutEmulator;
#else
    std::mt19937 random(20240612);
    auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::size_t keysEdited = 0;
    for (int run = 0; run < 150; ++run) {
        const int width = 4 + below(40);
        const int height = 2 + below(6);
        MemoryConsole model(width, height);
        ConsoleState cs{model};
        ShownScreen shown;
        Emulator terminal(width, height);
        clearScreen(cs);
        printText(cs, "Name the capital of California", lineEnd);
        int keysLeft = 20 + below(60);
        std::string fault;
        model.onIdle = [&] {
            terminal.feed(render(shown, model));
            if (fault.empty()) fault = fuzzing::screenFault(terminal, windowView(model));
            if (!fault.empty() || keysLeft-- == 0) {
                model.typeText("\r");
                return;
            }
            ++keysEdited;
            switch (below(12)) {
            case 0: model.pressSpecial(vkLeft, scanLeft, enhancedKey); break;
            case 1: model.pressSpecial(vkRight, scanRight, enhancedKey); break;
            case 2: model.pressSpecial(vkHome, scanHome, enhancedKey); break;
            case 3: model.pressSpecial(vkDelete, scanDelete, enhancedKey); break;
            case 4: model.typeText("\b"); break;
            case 5: model.typeText(below(3) == 0 ? "\x1b" : "\t"); break;
            case 6: model.pressSpecial(vkLeft, scanLeft, enhancedKey); model.pressSpecial(vkLeft, scanLeft, enhancedKey); break;
            default: model.typeText(std::string(1, static_cast<char>('a' + below(26)))); break;
            }
        };
        beginInput(cs, "", withQuestionMark, withNewlineAfter);
        terminal.feed(render(shown, model));
        if (fault.empty()) fault = fuzzing::screenFault(terminal, windowView(model));
        ASSERT_EQ(fault, "") << "run " << run << ", " << width << " by " << height << ", line \""
                             << cs.inputSource.lineText << "\"";
    }
    EXPECT_GT(keysEdited, 3000u);
#endif
}

// Random screens of random sizes, through the checks the fuzz target makes,
// from a fixed seed.
TEST(TerminalRendererThroughEmulator, RandomScreensKeepEveryRule) {
#ifndef CAPITALS_HAVE_VTERM
    GTEST_SKIP() << withoutEmulator;
#else
    std::mt19937 random(20240613);
    for (int run = 0; run < 400; ++run) {
        std::vector<std::uint8_t> bytes(random() % 600);
        for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
        ASSERT_EQ(fuzzing::checkRendering(bytes.data(), bytes.size()), "") << "run " << run;
    }
#endif
}

}  // namespace
}  // namespace console
