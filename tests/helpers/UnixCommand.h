// Runs a command of the machine that Wine runs on, such as xdotool, from a Windows test program.
#pragma once

#include <string>

#include <windows.h>

// Runs `command` with the Unix shell and waits up to `limit` milliseconds for it to end. Returns
// its exit status, or -1 when it could not be started or did not end in time. Wine does not let
// a Windows program wait for a Unix process, so the shell reports the status in a file.
int RunUnixCommand(const std::string& command, DWORD limit);
