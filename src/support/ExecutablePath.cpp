#include "ExecutablePath.h"

#include <windows.h>

#include <algorithm>

namespace {

// The longest path the system has, in characters, without its terminating NUL: a path that
// starts with "\\?\" may be that long.
constexpr DWORD LongestPath = 32767;

}  // namespace

const WideString& ExecutablePath() {
    static WideString path;
    // An empty path means no earlier call succeeded, so the system is asked again. A path that
    // does not fit the buffer comes back cut to its size, and the call answers that size: the
    // buffer grows until the answer is shorter.
    for (DWORD size = MAX_PATH; path.IsEmpty(); size = std::min(2 * size, LongestPath + 1)) {
        wchar_t* buffer = path.AcquireBuffer(size);
        if (buffer == nullptr) {
            break;
        }
        const DWORD length = GetModuleFileNameW(GetModuleHandleW(nullptr), buffer, size);
        // A failed call may have left part of a path behind, and a cut one a part of the path:
        // neither may be taken as the path.
        const bool whole = length != 0 && length < size;
        if (!whole) {
            buffer[0] = L'\0';
        }
        path.CommitBuffer();
        if (length == 0 || size > LongestPath) {
            break;
        }
    }
    return path;
}

WideString DirectoryOf(const WideString& path) {
    if (path.IsEmpty() || path.Length() > MAX_PATH) {
        return WideString();
    }
    // The text is taken up to its first NUL, like every other string built from Win32 text.
    WideString text(path.c_str());
    std::size_t separator = text.Text().find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return text;
    }
    WideString directory;
    directory.Assign(text, 0, separator + 1);
    return directory;
}

WideString FileNameOf(const WideString& path) {
    WideString name;
    name.Assign(path, DirectoryOf(path).Length(), std::wstring::npos);
    return name;
}

WideString ExecutableDirectory() {
    return DirectoryOf(ExecutablePath());
}

WideString ExecutableFileName() {
    return FileNameOf(ExecutablePath());
}
