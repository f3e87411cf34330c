// Uses the desktop of its window station and then waits, never to end by
// itself. Run by the Windows tests under Wine before the console runs: Wine
// starts its desktop process for the first program that asks the desktop
// anything (the key map, for one) and ends it some time after the desktop's
// last user has gone; without a user that stays, each console run would
// start it again, with the run's console as its standard error, and be
// outlived by it.
//
//   desktop_keeper
//
// Prints "desktop <handle>" once the desktop's window exists.
#include <windows.h>

#include <cstdio>

int main() {
    const HWND desktop = GetDesktopWindow();
    std::printf("desktop %p\n", static_cast<void*>(desktop));
    std::fflush(stdout);
    for (;;) Sleep(INFINITE);
}
