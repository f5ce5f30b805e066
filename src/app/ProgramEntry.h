// The program's run from the main window's creation to the end of its message loop.
#pragma once

#include "KvMainWnd.h"

// Returned when the main window cannot be created or given its size: there is nothing to show
// or wait for.
constexpr int NoWindowExitCode = 1;
// Returned when the thread's message queue cannot be read.
constexpr int MessageLoopFailedExitCode = 1;
// The status of a run that a bug ended (see EndAtOnceOnTerminate): neither a normal end (0, 1)
// nor the 3 that the C runtime's abort gives.
constexpr int BugExitCode = 2;

// Makes std::terminate end the process at once with BugExitCode, running nothing more of it. A
// C++ exception that nothing catches, or one that leaves a noexcept function (an exception other
// than std::bad_alloc reaching the window framework's procedure), is a bug after which the
// program's state is unknown. wWinMain calls this first.
void EndAtOnceOnTerminate();

// Creates the main window, gives it its size, minimum size and place, shows it and runs the
// message loop until the window is gone. Returns 0, NoWindowExitCode when the window could not
// be created or sized, or MessageLoopFailedExitCode when the loop could not go on.
int RunGame(KvMainWnd& window);

// Creates the main window, hidden, and gives it its size, its minimum size and its place on the
// work area, the place it is shown at and restored to. Returns false when the window could not be
// created or sized.
bool PrepareMainWindow(KvMainWnd& window);

// Dispatches the thread's messages, or only those of `window` when it is given, until the quit
// message arrives. Returns false when the queue could not be read (GetMessageW answered -1, as
// for a window that does not exist): the loop then ends, where dispatching the message that the
// failed call left unchanged would repeat the last one for good.
bool RunMessageLoop(HWND window = nullptr);
