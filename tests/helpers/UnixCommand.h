// Runs a command of the machine that Wine runs on, such as xdotool, from a Windows test program.
#pragma once

#include <string>

#include <windows.h>

// Runs `command` with the Unix shell and waits up to `limit` milliseconds for it to end. Returns
// its exit status, or -1 when it could not be started or did not end in time. Wine does not let
// a Windows program wait for a Unix process, so the shell reports the status in a file.
int RunUnixCommand(const std::string& command, DWORD limit);

// The game's X window as xdotool finds it: Wine names the class after the program.
constexpr char GameWindowSearch[] = "search --sync --onlyvisible --class kvblocks.exe";

// Runs xdotool with `arguments` and returns whether it ended with status 0 within `limit`
// milliseconds.
bool Xdotool(const std::string& arguments, DWORD limit = 30000);
