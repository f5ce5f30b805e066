#include "ExecutablePath.h"

#include <windows.h>

const WideString& ExecutablePath() {
    static WideString path;
    // An empty path means no earlier call succeeded, so the system is asked again.
    if (path.IsEmpty()) {
        wchar_t* buffer = path.AcquireBuffer(MAX_PATH);
        if (buffer != nullptr) {
            // A failed call may have left part of a path behind; it must not be taken as one.
            if (GetModuleFileNameW(GetModuleHandleW(nullptr), buffer, MAX_PATH) == 0) {
                buffer[0] = L'\0';
            }
        }
        path.CommitBuffer();
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
