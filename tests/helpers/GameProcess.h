// A run of a built game program in its own process, started and watched from a test, with the
// main window and controls it shows; a process still running when the object goes is ended.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <windows.h>

// The game's main window and its two controls, as another process finds them.
struct GameWindows {
    HWND main = nullptr;
    HWND comboBox = nullptr;
    HWND button = nullptr;
};

class GameProcess {
  public:
    // Variables set in the program's environment, on top of this process's own.
    using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

    // Starts the program at `unixPath`, a path of the build machine. Its standard output and
    // error go to a temporary file, which Output() reads (Wine's own messages about the process,
    // such as an unhandled fault, included). A program of the checked build (`checked`) writes
    // its exit report to another, which proves that it ended through its own exit.
    explicit GameProcess(const char* unixPath, bool checked = true,
                         const Environment& environment = {});
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool Started() const { return started_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    HANDLE Handle() const { return process_.hProcess; }
    bool IsRunning() const;

    // Returns the program's visible main window and its controls once they are all there, or
    // empty handles when they do not appear within `limit` milliseconds. With `controlsRequired`
    // false, returns the main window as soon as it is there, with whichever controls it has.
    GameWindows WaitForWindows(DWORD limit, bool controlsRequired = true) const;
    // Returns the exit code once the process has ended, or -1 when it does not end in `limit`.
    long WaitForExit(DWORD limit) const;

    // Returns what the program has printed so far.
    std::string Output() const;
    // Returns the checked build's exit report (the run's allocation figures), or an empty string
    // when the program has not written it.
    std::string ExitReport() const;
    // Returns the signs of a fault in the run so far, one per line (see FaultSigns.h), or an
    // empty string.
    std::string FaultSigns() const;

    // Returns the Windows path of a path of the build machine: Wine's drive Z: is its root.
    static std::wstring WindowsPath(const char* unixPath);

  private:
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
    std::wstring outputPath_;
    std::wstring exitReportPath_;  // empty when the program writes no exit report
};

// Returns the text of a window of any process.
std::wstring WindowText(HWND window);

// Returns true when the game has taken every message posted to its windows so far within
// `limit` milliseconds. `marker`, from 0 to 999, must differ from the last call's.
bool WaitForEmptyQueue(const GameWindows& windows, int marker, DWORD limit);
