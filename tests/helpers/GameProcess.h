// A run of a program in its own process, started and watched from a test: the game with the
// main window and controls it shows, or a probe; a process still running when the object goes is
// ended.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "TestFiles.h"

// The game's main window and its two controls, as another process finds them.
struct GameWindows {
    HWND main = nullptr;
    HWND comboBox = nullptr;
    HWND button = nullptr;
};

class GameProcess {
  public:
    // Variables set in the program's environment, on top of this process's own; an empty value
    // removes the variable.
    using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

    // Starts the program at `unixPath`, a path of the build machine. Its standard output and
    // error go to a temporary file, which Output() reads (Wine's own messages about the process,
    // such as an unhandled fault, included). A program of the checked build (`checked`) writes
    // its exit report to another, which proves that it ended through its own exit.
    explicit GameProcess(const char* unixPath, bool checked = true,
                         const Environment& environment = {});
    // Starts the program at the Windows path `path` with the command-line `arguments`.
    GameProcess(const std::wstring& path, const std::wstring& arguments, bool checked,
                const Environment& environment);
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool Started() const { return started_; }
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
    bool checked_;
    TemporaryFile output_;
    // Made empty and kept, so that its name is not handed to another file; the program writes
    // it only at its own exit.
    TemporaryFile exitReport_;
};

// Returns the Windows path of `name`, a program built beside this test program.
std::wstring SiblingPath(const wchar_t* name);

// Runs `name`, a program built beside this one, with `arguments` and `environment` until it ends
// or `limit` milliseconds pass; returns its exit status (-1 when it could not run or did not
// end) and what it printed in `output`.
DWORD RunSiblingProgram(const wchar_t* name, const std::wstring& arguments, std::string& output,
                        const GameProcess::Environment& environment = {}, DWORD limit = 30000);

// Returns the text of a window of any process.
std::wstring WindowText(HWND window);

// Returns `text` in UTF-8, as the tests print it; the C runtime's "%ls" cannot convert Chinese
// in the "C" locale.
std::string Utf8(const std::wstring& text);

// Returns the window title that the game builds from the version it was made with.
std::wstring GameTitle();
