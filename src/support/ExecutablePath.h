// Free functions that give the running executable's full path, its directory and its file name.
#pragma once

#include "WideString.h"

// Returns the process-wide full path of the executable, read from the system on the first call
// that succeeds: always the whole path, which may be longer than MAX_PATH characters when the
// program was started through a "\\?\" path, up to the system's limit of 32767 characters.
// Empty when the system could not give it whole.
const WideString& ExecutablePath();

// Returns `path` up to and including its last "\" or "/", the whole path when it has neither,
// and an empty string for an empty path or one longer than MAX_PATH characters.
WideString DirectoryOf(const WideString& path);

// Returns the part of `path` after DirectoryOf(path): empty when the path has no separator, the
// whole path when DirectoryOf gives nothing.
WideString FileNameOf(const WideString& path);

// Returns DirectoryOf(ExecutablePath()), with its trailing separator.
WideString ExecutableDirectory();

// Returns FileNameOf(ExecutablePath()).
WideString ExecutableFileName();
