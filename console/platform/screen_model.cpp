#include "console/platform/screen_model.h"

#include <algorithm>
#include <utility>

namespace console {

ScreenSize clampedScreenSize(int width, int height) {
    return {std::clamp(width, 1, largestScreenWidth), std::clamp(height, 1, largestScreenHeight)};
}

ScreenModel::ScreenModel(int width, int bufferHeightRows, int windowHeight)
    : bufferWidth(clampedScreenSize(width, bufferHeightRows).width),
      bufferHeight(clampedScreenSize(width, bufferHeightRows).height),
      cells(static_cast<std::size_t>(bufferWidth) * static_cast<std::size_t>(bufferHeight)),
      windowBottom(std::min(windowHeight > 0 ? windowHeight : bufferHeight, bufferHeight) - 1),
      rowNotes_(static_cast<std::size_t>(bufferHeight), changedNote) {}

void ScreenModel::getScreenInfo(ScreenInfo& info) const {
    info.bufferWidth = bufferWidth;
    info.bufferHeight = bufferHeight;
    info.cursorX = cursorX;
    info.cursorY = cursorY;
    info.attribute = attribute;
    info.windowLeft = 0;
    info.windowTop = windowTop;
    info.windowRight = bufferWidth - 1;
    info.windowBottom = windowBottom;
}

bool ScreenModel::setCursorPosition(int x, int y) {
    if (!inBuffer(x, y)) return false;
    cursorX = x;
    cursorY = y;
    return true;
}

bool ScreenModel::setWindow(const CellRect& window) {
    if (window.left != 0 || window.right != bufferWidth - 1 || window.top < 0 || window.bottom >= bufferHeight ||
        window.top > window.bottom) {
        return false;
    }
    if (window.top != windowTop || window.bottom != windowBottom) {
        // The window's rows now show other buffer rows.
        noteEveryRowChanged();
        textSinceRender_ = true;
    }
    windowTop = window.top;
    windowBottom = window.bottom;
    return true;
}

bool ScreenModel::writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t cellAttribute) {
    if (y < 0 || y >= bufferHeight) return false;
    bool changed = false;
    for (int i = std::max(0, -x); i < n && x + i < bufferWidth; ++i) {
        Cell& target = cell(x + i, y);
        const Cell written{bytes[i], cellAttribute};
        if (target == written) continue;
        target = written;
        changed = true;
    }
    if (changed) {
        noteRowChanged(y);
        rowNotes_[static_cast<std::size_t>(y)] &= static_cast<std::uint8_t>(~filledBlankNote);
        textSinceRender_ = true;
    }
    return true;
}

int ScreenModel::wholeBufferScrollLines(const CellRect& source, int destX, int destY) const {
    // A move of the whole buffer up is what a terminal shows as a scroll.
    const int top = std::max(source.top, 0);
    const bool whole = source.left <= 0 && source.right >= bufferWidth - 1 && source.bottom >= bufferHeight - 1 &&
                       destX + (0 - source.left) == 0 && destY + (top - source.top) == 0 && top > 0 &&
                       top < bufferHeight;
    return whole ? top : 0;
}

bool ScreenModel::scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                              std::uint16_t fillAttribute) {
    CellRect src{std::max(source.left, 0), std::max(source.top, 0), std::min(source.right, bufferWidth - 1),
                 std::min(source.bottom, bufferHeight - 1)};
    if (src.left > src.right || src.top > src.bottom) return false;
    const int scrolled = wholeBufferScrollLines(source, destX, destY);
    destX += src.left - source.left;
    destY += src.top - source.top;
    textSinceRender_ = true;
    const Cell fill{fillChar, fillAttribute};
    if (scrolled > 0) {
        // The rows keep their notes as they move up; the rows the scroll
        // does not fill from below are changed for a mirror that scrolled
        // too (it shows them blank).
        moveRows(src.top, src.bottom, 0, fill);
        std::move(rowNotes_.begin() + scrolled, rowNotes_.end(), rowNotes_.begin());
        for (int y = bufferHeight - scrolled; y < bufferHeight; ++y) rowNotes_[static_cast<std::size_t>(y)] = 0;
        for (int y = bufferHeight - scrolled; y < bufferHeight; ++y) noteRowChanged(y);
        scrolledLines_ += scrolled;
        return true;
    }
    if (src.left == 0 && src.right == bufferWidth - 1 && destX == 0) {
        moveRows(src.top, src.bottom, destY, fill);
    } else {
        moveBlock(src, destX, destY, fill);
    }
    const int first = std::max(std::min(src.top, destY), 0);
    const int last = std::min(std::max(src.bottom, destY + src.bottom - src.top), bufferHeight - 1);
    for (int y = first; y <= last; ++y) {
        noteRowChanged(y);
        rowNotes_[static_cast<std::size_t>(y)] &= static_cast<std::uint8_t>(~filledBlankNote);
    }
    return true;
}

void ScreenModel::moveRows(int top, int bottom, int destY, Cell fill) {
    // Whole rows are contiguous: they move as one range, overlapping or not;
    // rows that would land outside the buffer are lost.
    const auto width = static_cast<std::ptrdiff_t>(bufferWidth);
    const int keptTop = std::max(top, top - destY);
    const int keptBottom = std::min(bottom, bottom + (bufferHeight - 1 - (destY + bottom - top)));
    if (keptTop <= keptBottom && destY != top) {
        const auto from = cells.begin() + keptTop * width;
        const auto to = cells.begin() + (keptBottom + 1) * width;
        const auto landing = cells.begin() + (destY + keptTop - top) * width;
        if (destY < top) {
            std::move(from, to, landing);
        } else {
            std::move_backward(from, to, landing + (to - from));
        }
    }
    // The source rows that the block does not cover now take the fill.
    const int destBottom = destY + bottom - top;
    for (int y = top; y <= bottom; ++y) {
        if (y >= destY && y <= destBottom) continue;
        std::fill(cells.begin() + y * width, cells.begin() + (y + 1) * width, fill);
    }
}

void ScreenModel::moveBlock(const CellRect& src, int destX, int destY, Cell fill) {
    // Take the block, fill what it covered, then lay it down at the
    // destination: the cells the block vacates keep the fill.
    const int w = src.right - src.left + 1;
    const int h = src.bottom - src.top + 1;
    std::vector<Cell> block(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            block[static_cast<std::size_t>(y * w + x)] = cell(src.left + x, src.top + y);
            cell(src.left + x, src.top + y) = fill;
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (inBuffer(destX + x, destY + y)) cell(destX + x, destY + y) = block[static_cast<std::size_t>(y * w + x)];
        }
    }
}

bool ScreenModel::fillCharacter(std::uint8_t ch, int count, int x, int y) {
    if (!inBuffer(x, y)) return false;
    const long long end = std::min(static_cast<long long>(y) * bufferWidth + x + std::max(count, 0),
                                   static_cast<long long>(bufferWidth) * bufferHeight);
    bool touchedWindowTop = false;
    for (long long start = static_cast<long long>(y) * bufferWidth + x; start < end;) {
        const int row = static_cast<int>(start / bufferWidth);
        const long long rowEnd = std::min(end, static_cast<long long>(row + 1) * bufferWidth);
        bool changed = false;
        for (long long i = start; i < rowEnd; ++i) {
            Cell& target = cells[static_cast<std::size_t>(i)];
            changed = changed || target.ch != ch;
            target.ch = ch;
        }
        if (changed) noteRowChanged(row);
        std::uint8_t& notes = rowNotes_[static_cast<std::size_t>(row)];
        if (ch == ' ') {
            if (start == static_cast<long long>(row) * bufferWidth && rowEnd - start == bufferWidth) {
                notes |= filledBlankNote;
            }
        } else if (changed) {
            notes &= static_cast<std::uint8_t>(~filledBlankNote);
            textSinceRender_ = true;
        }
        touchedWindowTop = touchedWindowTop || row == windowTop;
        start = rowEnd;
    }
    if (ch == ' ' && touchedWindowTop) checkWindowBlankedByFills();
    return true;
}

bool ScreenModel::fillAttribute(std::uint16_t cellAttribute, int count, int x, int y) {
    if (!inBuffer(x, y)) return false;
    const long long end = std::min(static_cast<long long>(y) * bufferWidth + x + std::max(count, 0),
                                   static_cast<long long>(bufferWidth) * bufferHeight);
    for (long long i = static_cast<long long>(y) * bufferWidth + x; i < end; ++i) {
        Cell& target = cells[static_cast<std::size_t>(i)];
        if (target.attribute == cellAttribute) continue;
        target.attribute = cellAttribute;
        noteRowChanged(static_cast<int>(i / bufferWidth));
    }
    return true;
}

void ScreenModel::checkWindowBlankedByFills() {
    // A window row below the rows that were filled (a window taller than
    // the print area) counts when it was blank already at the last render.
    for (int y = windowTop; y <= windowBottom; ++y) {
        const std::uint8_t notes = rowNotes_[static_cast<std::size_t>(y)];
        if ((notes & filledBlankNote) != 0) continue;
        if ((notes & changedNote) != 0) return;
        for (int x = 0; x < bufferWidth; ++x) {
            if (cell(x, y).ch != ' ') return;
        }
    }
    windowBlankedByFills_ = true;
}

int ScreenModel::takeScrolledLines() {
    const int lines = scrolledLines_;
    scrolledLines_ = 0;
    return lines;
}

bool ScreenModel::scrollOutrunsRender(int lines) const {
    if (lines <= 0) return false;
    if (scrolledLines_ + lines > windowBottom - windowTop + 1) return true;
    for (int y = 0; y < lines && y < bufferHeight; ++y) {
        if (rowChanged(y)) return true;
    }
    return false;
}

void ScreenModel::noteRowChanged(int y) {
    rowNotes_[static_cast<std::size_t>(y)] |= changedNote;
    anyRowChanged_ = true;
}

void ScreenModel::noteEveryRowChanged() {
    for (std::uint8_t& notes : rowNotes_) notes |= changedNote;
    anyRowChanged_ = true;
}

void ScreenModel::changesRendered() {
    if (anyRowChanged_ || windowBlankedByFills_) std::fill(rowNotes_.begin(), rowNotes_.end(), std::uint8_t{0});
    anyRowChanged_ = false;
    textSinceRender_ = false;
    windowBlankedByFills_ = false;
    scrolledLines_ = 0;
}

void ScreenModel::resize(int width, int bufferHeightRows, int windowHeight) {
    const ScreenSize size = clampedScreenSize(width, bufferHeightRows);
    width = size.width;
    bufferHeightRows = size.height;
    // Rows are kept from the top, except that a buffer made shorter than the
    // cursor's row drops rows at the top instead, so that the cursor stays on
    // the text it was on, as a terminal keeps its bottom lines when it shrinks.
    const int dropped = std::max(0, cursorY - (bufferHeightRows - 1));
    std::vector<Cell> resized(static_cast<std::size_t>(width) * static_cast<std::size_t>(bufferHeightRows));
    for (int y = 0; y < std::min(bufferHeight - dropped, bufferHeightRows); ++y) {
        for (int x = 0; x < std::min(bufferWidth, width); ++x) {
            resized[static_cast<std::size_t>(y * width + x)] = cell(x, y + dropped);
        }
    }
    cursorY -= dropped;
    cells = std::move(resized);
    bufferWidth = width;
    bufferHeight = bufferHeightRows;
    const int height = std::min(windowHeight > 0 ? windowHeight : bufferHeightRows, bufferHeight);
    windowTop = std::min(windowTop, bufferHeight - height);
    windowBottom = windowTop + height - 1;
    cursorX = std::min(cursorX, bufferWidth - 1);
    cursorY = std::min(cursorY, bufferHeight - 1);
    rowNotes_.assign(static_cast<std::size_t>(bufferHeight), changedNote);
    anyRowChanged_ = true;
    textSinceRender_ = true;
    windowBlankedByFills_ = false;
}

std::string ScreenModel::rowText(int y) const {
    std::string text;
    if (y < 0 || y >= bufferHeight) return text;
    for (int x = 0; x < bufferWidth; ++x) text.push_back(static_cast<char>(cell(x, y).ch));
    return text;
}

std::string ScreenModel::windowRowText(int row) const { return rowText(windowTop + row); }

}  // namespace console
