// What a run of one of the game's programs must not show, as its output and exit status tell it.
#pragma once

#include <string>

#include <windows.h>

// Returns the signs of a fault in a run, one per line, or an empty string for a clean run: each
// line of `output` that reports a fault (the checked build's fault reporter, its heap, Wine's word
// of an exception that nothing handled), an exit status that only a fault gives, and a program of
// the checked build that ended without writing its exit report (`exitReportMissing`), which
// only a process killed on the way out does: Wine ends a 64-bit program whose stack overflowed
// with status 0 and no word. `exitCode` counts only when `ended`.
std::string FaultSigns(const std::string& output, DWORD exitCode, bool ended,
                       bool exitReportMissing = false);
