// The file probe used before a file is opened: does a path name an existing file?
#pragma once

#include "WideString.h"

// Returns true when `path` names an existing file that is not a directory, including a file that
// another process holds open without sharing. A wildcard pattern is never taken for a file; the
// question mark of a leading \\?\ is no wildcard.
bool FileExists(const WideString& path);
