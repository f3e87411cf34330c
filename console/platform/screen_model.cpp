#include "console/platform/screen_model.h"

#include <algorithm>
#include <utility>

namespace console {

ScreenModel::ScreenModel(int width, int bufferHeightRows, int windowHeight)
    : bufferWidth(width),
      bufferHeight(bufferHeightRows),
      cells(static_cast<std::size_t>(width) * static_cast<std::size_t>(bufferHeightRows)),
      windowBottom((windowHeight > 0 ? windowHeight : bufferHeightRows) - 1) {}

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
    windowTop = window.top;
    windowBottom = window.bottom;
    return true;
}

bool ScreenModel::writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t cellAttribute) {
    if (y < 0 || y >= bufferHeight) return false;
    for (int i = 0; i < n; ++i) {
        if (x + i < 0 || x + i >= bufferWidth) continue;
        cell(x + i, y) = Cell{bytes[i], cellAttribute};
    }
    return true;
}

bool ScreenModel::scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                              std::uint16_t fillAttribute) {
    CellRect src{std::max(source.left, 0), std::max(source.top, 0), std::min(source.right, bufferWidth - 1),
                 std::min(source.bottom, bufferHeight - 1)};
    if (src.left > src.right || src.top > src.bottom) return false;
    destX += src.left - source.left;
    destY += src.top - source.top;
    // Take the block, fill what it covered, then lay it down at the
    // destination: the cells the block vacates keep the fill.
    const int w = src.right - src.left + 1;
    const int h = src.bottom - src.top + 1;
    std::vector<Cell> block(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            block[static_cast<std::size_t>(y * w + x)] = cell(src.left + x, src.top + y);
            cell(src.left + x, src.top + y) = Cell{fillChar, fillAttribute};
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (inBuffer(destX + x, destY + y)) cell(destX + x, destY + y) = block[static_cast<std::size_t>(y * w + x)];
        }
    }
    // A move of the whole buffer up is what a terminal shows as a scroll.
    if (src.left == 0 && src.right == bufferWidth - 1 && src.bottom == bufferHeight - 1 && destX == 0 &&
        destY == 0 && src.top > 0) {
        scrolledLines_ += src.top;
    }
    return true;
}

bool ScreenModel::fillCharacter(std::uint8_t ch, int count, int x, int y) {
    if (!inBuffer(x, y)) return false;
    for (int i = y * bufferWidth + x, end = std::min(i + std::max(count, 0), bufferWidth * bufferHeight); i < end; ++i) {
        cells[static_cast<std::size_t>(i)].ch = ch;
    }
    return true;
}

bool ScreenModel::fillAttribute(std::uint16_t cellAttribute, int count, int x, int y) {
    if (!inBuffer(x, y)) return false;
    for (int i = y * bufferWidth + x, end = std::min(i + std::max(count, 0), bufferWidth * bufferHeight); i < end; ++i) {
        cells[static_cast<std::size_t>(i)].attribute = cellAttribute;
    }
    return true;
}

int ScreenModel::takeScrolledLines() {
    const int lines = scrolledLines_;
    scrolledLines_ = 0;
    return lines;
}

void ScreenModel::resize(int width, int bufferHeightRows, int windowHeight) {
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
    const int height = windowHeight > 0 ? windowHeight : bufferHeightRows;
    windowTop = std::min(windowTop, bufferHeight - height);
    windowBottom = windowTop + height - 1;
    cursorX = std::min(cursorX, bufferWidth - 1);
    cursorY = std::min(cursorY, bufferHeight - 1);
}

std::string ScreenModel::rowText(int y) const {
    std::string text;
    if (y < 0 || y >= bufferHeight) return text;
    for (int x = 0; x < bufferWidth; ++x) text.push_back(static_cast<char>(cell(x, y).ch));
    return text;
}

std::string ScreenModel::windowRowText(int row) const { return rowText(windowTop + row); }

}  // namespace console
