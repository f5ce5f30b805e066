// A run of a built game program in its own process, started and watched from a test, with the
// main window and controls it shows; a process still running when the object goes is ended.
#pragma once

#include <string>

#include <windows.h>

// The game's main window and its two controls, as another process finds them.
struct GameWindows {
    HWND main = nullptr;
    HWND comboBox = nullptr;
    HWND button = nullptr;
};

class GameProcess {
  public:
    // Starts the program at `unixPath`, a path of the build machine. With `outputPath`, a Windows
    // path, its standard output and error go to that file (Wine's own messages about the process,
    // such as an unhandled fault, included).
    explicit GameProcess(const char* unixPath, const wchar_t* outputPath = nullptr);
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool Started() const { return started_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    HANDLE Handle() const { return process_.hProcess; }
    bool IsRunning() const;

    // Returns the program's visible main window and its controls once they are all there, or
    // empty handles when they do not appear within `limit` milliseconds.
    GameWindows WaitForWindows(DWORD limit) const;
    // Returns the exit code once the process has ended, or -1 when it does not end in `limit`.
    long WaitForExit(DWORD limit) const;

    // Returns the Windows path of a path of the build machine: Wine's drive Z: is its root.
    static std::wstring WindowsPath(const char* unixPath);

  private:
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};

// Returns the text of a window of any process.
std::wstring WindowText(HWND window);

// Returns true when the game has taken every message posted to its windows so far within
// `limit` milliseconds. `marker`, from 0 to 999, must differ from the last call's.
bool WaitForEmptyQueue(const GameWindows& windows, int marker, DWORD limit);
