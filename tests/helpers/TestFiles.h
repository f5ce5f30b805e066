// A file in the temporary folder for the length of one test, and an open handle closed with it.
#pragma once

#include <windows.h>

#include "WideString.h"

class TemporaryFile {
  public:
    // Creates an empty file, or a copy of `source` when one is given.
    explicit TemporaryFile(const wchar_t* source = nullptr) {
        wchar_t folder[MAX_PATH] = {};
        wchar_t name[MAX_PATH] = {};
        if (GetTempPathW(MAX_PATH, folder) != 0 && GetTempFileNameW(folder, L"kvt", 0, name) != 0) {
            path_ = name;
            if (source != nullptr && !CopyFileW(source, name, FALSE)) {
                DeleteFileW(name);
                path_.Clear();
            }
        }
    }
    ~TemporaryFile() {
        if (!path_.IsEmpty()) {
            DeleteFileW(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const WideString& Path() const { return path_; }

  private:
    WideString path_;
};

class ScopedHandle {
  public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (IsValid()) {
            CloseHandle(handle_);
        }
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

// Opens `path` for reading and shares it with no one while the handle is open.
inline HANDLE OpenWithoutSharing(const WideString& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}
