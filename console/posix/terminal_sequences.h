// The terminal's byte vocabulary: every byte the console sends that is not a
// glyph is one of the sequences below, and the functions here write them.
// They are the sequences of the ANSI/VT100 family that every terminal in use
// knows; coordinates in them are 1-based.
//
//   ESC[          CSI, the introducer of every sequence below.
//   ESC[0m        SGR with the default rendition: before a clear, at the way
//                 out, and for the console's attribute 7.
//   ESC[0;..m     SGR with colours (30-37, 90-97 foreground; 40-47, 100-107
//                 background), underscore (4) and reverse video (7): a cell's
//                 attribute when it differs from the rendition in force.
//   ESC[H         CUP without parameters: the cursor to the top-left cell.
//   ESC[r;cH      CUP: the cursor to row r, column c (";c" left out for
//                 column 1); where no shorter move is sure.
//   ESC[nC        CUF: the cursor n cells right on its row (n left out for 1);
//                 over a few plain cells, sending them again is shorter.
//   ESC[nG        CHA: the cursor to column n of its row (a move left).
//   ESC[2J        ED 2: blanks the whole screen, before a full paint (the
//                 first one, and after a resize, stop or resume).
//   ESC[K         EL: blanks the row from the cursor to its end, cheaper than
//                 sending the blanks.
//   ESC[n@        ICH: inserts n blank cells at the cursor, moving the rest
//                 of the row right (the cells pushed past its end are lost):
//                 a key typed in the middle of an answer. n left out for 1.
//   ESC[nP        DCH: deletes n cells at the cursor, moving the rest of the
//                 row left and blanking its end: a key deleted there. Both
//                 are sent in the default rendition, whose blanks they make,
//                 with the cursor placed explicitly, so that no deferred
//                 wrap is pending; neither moves the cursor.
//   ESC[?25l/h    DECTCEM: hides or shows the cursor, as the console's
//                 cursor visibility says.
//   CR            the cursor to column 1 of its row.
//   LF            the cursor one row down; on the bottom row it scrolls the
//                 screen up, the top row going into the scrollback (a
//                 scroll of the window, and the text on screen when the
//                 window is cleared for a new round).
//   CR LF         the cursor to the start of the next row (the way out).
//   BS            the cursor one cell left.
//   BEL           the console's tone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/platform/screen_model.h"

namespace console {

inline constexpr std::string_view defaultRendition = "\x1b[0m";
inline constexpr std::string_view cursorHome = "\x1b[H";
inline constexpr std::string_view eraseScreen = "\x1b[2J";
inline constexpr std::string_view eraseToRowEnd = "\x1b[K";
inline constexpr std::string_view hideCursor = "\x1b[?25l";
inline constexpr std::string_view showCursor = "\x1b[?25h";
inline constexpr char carriageReturn = '\r';
inline constexpr char lineFeed = '\n';
inline constexpr char backspace = '\b';
inline constexpr char bell = '\a';

// The console attribute shown in the default rendition (light grey on
// black), and the cell the terminal's erases, inserts and fresh rows make.
inline constexpr std::uint16_t defaultAttribute = 7;
inline constexpr Cell blankCell{' ', defaultAttribute};

// How glyphs go out: UTF-8 forms of the code page 437 glyphs, or plain bytes
// (printable ASCII as itself, anything else as '?').
enum class GlyphEncoding { utf8, ascii };

// CUP: the cursor to (x, y), 0-based.
void appendCursorTo(std::string& out, int x, int y);
// CUF: the cursor n cells right.
void appendCursorForward(std::string& out, int n);
// CHA: the cursor to column x of its row, 0-based.
void appendCursorToColumn(std::string& out, int x);
// ICH for count cells inserted (more than 0), DCH for -count deleted.
void appendShiftCells(std::string& out, int count);

// The terminal's rendition for a console attribute: the default rendition
// for 7 (light grey on black), the 16 console colours otherwise.
std::string renditionFor(std::uint16_t attribute);

// The bytes that send one cell's character.
void appendGlyph(std::string& out, std::uint8_t byte, GlyphEncoding encoding);

// The way out when what the terminal shows is not known (a crash, or a
// present that did not finish): default rendition, cursor visible, a new
// line.
std::string renderResetAndNewLine();

// The bytes of the console's tone: the terminal's bell.
std::string renderBell();

}  // namespace console
