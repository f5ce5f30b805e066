#include "TestFiles.h"

#include <fstream>

TemporaryFile::TemporaryFile(const wchar_t* source) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t name[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"kvt", 0, name) == 0) {
        return;
    }
    path_ = name;
    if (source != nullptr && !CopyFileW(source, name, FALSE)) {
        DeleteFileW(name);
        path_.Clear();
    }
}

TemporaryFile::~TemporaryFile() {
    if (!path_.IsEmpty()) {
        DeleteFileW(path_.c_str());
    }
}

TemporaryFolder::TemporaryFolder() {
    static int serial = 0;
    folder_ =
        std::filesystem::temp_directory_path() /
        (L"kv_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++serial));
    std::filesystem::create_directories(folder_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

WideString TemporaryFolder::PathOf(const std::wstring& name) const {
    return WideString((folder_ / name).wstring().c_str());
}

WideString TemporaryFolder::Write(const std::wstring& name,
                                  const std::vector<std::uint8_t>& bytes) const {
    std::ofstream file(folder_ / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return PathOf(name);
}

HANDLE OpenWithoutSharing(const WideString& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

std::string ReadText(const WideString& path) {
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const ScopedHandle closer(file);
    char buffer[4096];
    DWORD count = 0;
    while (closer.IsValid() && ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count) {
        for (DWORD i = 0; i < count; ++i) {
            if (buffer[i] != '\r') {
                text += buffer[i];
            }
        }
    }
    return text;
}
