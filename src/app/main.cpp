// The program's entry: the main window lives on this function's stack for the whole run.
#include <windows.h>

#include <new>

#include "KvJigsawImage.h"
#include "KvMainWnd.h"
#include "ProgramEntry.h"

namespace {

// Never loaded or drawn: built before wWinMain and destroyed after it has returned, these two
// hold GDI+ started for the whole run. Every other image and the image store are gone by the
// time they are destroyed, so the last of them shuts GDI+ down.
KvJigsawImage gdiplusHolders[2];

}  // namespace

// Out of memory before the window exists, or while it is created, ends the run like a window
// that cannot be created: there is nothing to show. Any other exception that reaches the
// framework's window procedure is a bug, which ends the program at once.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    EndAtOnceOnTerminate();
    try {
        KvMainWnd window;
        return RunGame(window);
    } catch (const std::bad_alloc&) {
        return NoWindowExitCode;
    }
}
