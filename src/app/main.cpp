// The program's entry: the main window lives on this function's stack for the whole run.
#include <windows.h>

#include "KvMainWnd.h"
#include "ProgramEntry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    KvMainWnd window;
    return RunGame(window);
}
