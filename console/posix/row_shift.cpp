#include "console/posix/row_shift.h"

#include <algorithm>

namespace console {
namespace {

// The column after the row's last cell that is not a blank.
int inkEnd(const Cell* cells, int width, Cell blank) {
    while (width > 0 && cells[width - 1] == blank) --width;
    return width;
}

// The cell that shown has at x once shifted.
Cell shiftedCell(const Cell* shown, int width, int first, int count, int x, Cell blank) {
    if (x < first) return shown[x];
    if (count > 0) return x < first + count ? blank : shown[x - count];
    return x - count < width ? shown[x - count] : blank;
}

// Cells from first up to limit that differ once shown is shifted by count,
// counted until they reach enough.
int mismatches(const Cell* shown, const Cell* target, int width, int first, int count, int limit, int enough,
               Cell blank) {
    int differing = 0;
    for (int x = first; x < limit && differing < enough; ++x) {
        if (!(shiftedCell(shown, width, first, count, x, blank) == target[x])) ++differing;
    }
    return differing;
}

}  // namespace

RowShift findRowShift(const Cell* shown, const Cell* target, int width, int first, Cell blank) {
    const int shownEnd = inkEnd(shown, width, blank);
    const int targetEnd = inkEnd(target, width, blank);
    RowShift best;
    // Nothing shown from first on: there is nothing to move.
    if (shownEnd <= first) return best;
    // Past both rows' ink every cell is blank, shifted or not.
    int fewest = mismatches(shown, target, width, first, 0, std::max(shownEnd, targetEnd), width, blank);
    for (int n = 1; n <= longestRowShift && first + n < width; ++n) {
        // A shift can only fit where the first cell moved lands right.
        if (target[first + n] == shown[first]) {
            const int limit = std::min(width, std::max(shownEnd + n, targetEnd));
            const int differing = mismatches(shown, target, width, first, n, limit, fewest, blank);
            if (differing < fewest) {
                fewest = differing;
                best = RowShift{first, n};
            }
        }
        if (target[first] == shown[first + n]) {
            const int differing =
                mismatches(shown, target, width, first, -n, std::max(shownEnd, targetEnd), fewest, blank);
            if (differing < fewest) {
                fewest = differing;
                best = RowShift{first, -n};
            }
        }
    }
    return best;
}

void applyRowShift(Cell* cells, int width, RowShift shift, Cell blank) {
    const int first = shift.column;
    if (shift.count > 0) {
        const int n = std::min(shift.count, width - first);
        std::move_backward(cells + first, cells + width - n, cells + width);
        std::fill(cells + first, cells + first + n, blank);
    } else if (shift.count < 0) {
        const int n = std::min(-shift.count, width - first);
        std::move(cells + first + n, cells + width, cells + first);
        std::fill(cells + width - n, cells + width, blank);
    }
}

}  // namespace console
