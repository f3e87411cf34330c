#include "console/key_polling.h"

namespace console {

std::string pollKey(ConsoleState&) { return {}; }
bool keyAvailable(ConsoleState&) { return false; }
std::string waitKey(ConsoleState&) { return {}; }
void pushKey(ConsoleState&, KeyCode) {}
KeyCode takeKey(ConsoleState&, bool) { return noKey; }
void pumpConsoleInput(ConsoleState&) {}
void translateKeyEvent(ConsoleState&, const KeyEvent&) {}
KeyCode translateKey(ConsoleState&, const KeyEvent&) { return noKey; }
std::string keyStringFromCode(KeyCode) { return {}; }

}  // namespace console
