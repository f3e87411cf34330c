// The terminal's size as the console takes it: what the terminal reports,
// held to the sizes terminals have, and the size of the screen model made
// from it.
//
// The screen model never takes a size the console services could not use:
// they treat a window one row high or one column wide as no console at all,
// and would write behind the model's back. Below the smallest size in a
// dimension the model keeps the size it has in that dimension, and the
// terminal shows the part of it that fits (terminal_view.h).
#pragma once

#include "console/platform/screen_model.h"

namespace console {

struct TerminalSize {
    int width = 0;
    int height = 0;
    bool operator==(const TerminalSize&) const = default;
};


// The smallest size the screen model takes. Two rows are the fewest the
// services print in. Sixteen columns hold the prompt and the longest
// capital on one row ("? Jefferson City"); a narrower model would wrap
// every answer and cut the rows of text on screen to a few cells for good,
// where keeping the width keeps them whole until the terminal widens.
inline constexpr int smallestModelWidth = 16;
inline constexpr int smallestModelHeight = 2;

// A reported size held to 1 to the largest the screen model takes in each
// dimension, so that no report, however large, makes a screen that cannot
// be held.
inline TerminalSize heldToLargest(TerminalSize reported) {
    const ScreenSize held = clampedScreenSize(reported.width, reported.height);
    return {held.width, held.height};
}

// The size the model takes for a terminal of the given size: the
// terminal's in each dimension that reaches the smallest, the model's own
// in a dimension that does not.
inline TerminalSize modelSizeFor(TerminalSize terminal, TerminalSize model) {
    return {terminal.width >= smallestModelWidth ? terminal.width : model.width,
            terminal.height >= smallestModelHeight ? terminal.height : model.height};
}

}  // namespace console
