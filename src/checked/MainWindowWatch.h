// Puts procedures of the checked build's instruments in front of the game's main window
// procedure, from the window's creation on, without a line of the program's code knowing of it:
// a thread hook sees the main window being made and subclasses it.
#pragma once

#include <windows.h>

namespace MainWindowWatch {

// From the creation of the next top-level window of the framework's main class on, `procedure`
// is called first for each of its messages; it passes them on to *next. Call before the window
// is made, at most twice per process.
void Watch(WNDPROC procedure, WNDPROC* next);

}  // namespace MainWindowWatch
