#include "FileExists.h"

#include <windows.h>

bool FileExists(const WideString& path) {
    if (path.IsEmpty() || path.Text().find_first_of(L"?*") != std::wstring::npos) {
        return false;
    }
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // These two mean the file is there but held by someone else.
        DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
