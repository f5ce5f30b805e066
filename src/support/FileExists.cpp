#include "FileExists.h"

#include <windows.h>

namespace {

// A path may start with this prefix, which hands the rest to the file system as it stands;
// GetModuleFileNameW returns such a path when the game was started through one. Its question
// mark is no wildcard.
constexpr wchar_t VerbatimPrefix[] = L"\\\\?\\";
constexpr std::size_t VerbatimPrefixLength = sizeof VerbatimPrefix / sizeof VerbatimPrefix[0] - 1;

}  // namespace

bool FileExists(const WideString& path) {
    const std::wstring& text = path.Text();
    const std::size_t patternStart =
        text.compare(0, VerbatimPrefixLength, VerbatimPrefix) == 0 ? VerbatimPrefixLength : 0;
    if (text.length() == patternStart ||
        text.find_first_of(L"?*", patternStart) != std::wstring::npos) {
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
