// Temporary files that another process writes, and reading them back whole.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include <windows.h>

// Returns the path of a new empty file in the temporary folder, or an empty string.
inline std::wstring TemporaryPath(const wchar_t* prefix) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t name[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, prefix, 0, name) == 0) {
        return std::wstring();
    }
    return name;
}

// Returns a file's whole text, or an empty string when it cannot be read.
inline std::string ReadWholeFile(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}
