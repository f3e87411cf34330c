#include "console/screen_scroll.h"

namespace console {

void scrollArea(ConsoleWriteContext& context, int) { context.cursorY = context.areaBottom; }
void clearScreen(ConsoleState& cs) { bringUpConsole(cs); }
void fillRows(ConsoleState&, int, int, int, int, std::uint16_t) {}

}  // namespace console
