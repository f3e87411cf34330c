// What the process does at a normal exit beyond destroying its statics, in
// one fixed order whatever order the actions were set in:
//
//   1. removeControlHandler: the console services' control handler comes
//      off the platform, so that no control event reaches the services
//      while the process ends;
//   2. giveBackTerminal: the terminal is put back as it was found (POSIX).
//
// Each action is set by the one part that owns what it undoes; the first
// set registers the runner with the C run-time's at-exit list, once. An
// action that finds nothing to undo (its owner already undid it, as the
// statics' destructors do in the program) does nothing. Set from the main
// thread only.
#pragma once

namespace console {

enum class ExitAction { removeControlHandler, giveBackTerminal };

void setExitAction(ExitAction which, void (*action)());

}  // namespace console
