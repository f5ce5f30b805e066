// The program's run from the main window's creation to the end of its message loop.
#pragma once

#include "KvMainWnd.h"

// Returned when the main window cannot be created: there is nothing to show or wait for.
constexpr int NoWindowExitCode = 1;

// Creates the main window, gives it its size, minimum size and place, shows it and runs the
// message loop until the window is gone. Returns 0, or NoWindowExitCode when the window could not
// be created.
int RunGame(KvMainWnd& window);

// Dispatches the thread's messages until the quit message arrives.
void RunMessageLoop();
