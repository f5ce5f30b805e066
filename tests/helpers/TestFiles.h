// Temporary files and folders for the length of one test, handles closed with their scope, and
// reading back a file that another process wrote.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "WideString.h"

// A new empty file in the temporary folder, or a copy of `source` when one is given; deleted
// with the object. Path() is empty when the file could not be made.
class TemporaryFile {
  public:
    explicit TemporaryFile(const wchar_t* source = nullptr);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const WideString& Path() const { return path_; }

  private:
    WideString path_;
};

// A folder of its own under the temporary folder, removed with everything in it.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The full path of `name` inside the folder.
    WideString PathOf(const std::wstring& name) const;
    // Writes `bytes` to the file `name` and returns its full path.
    WideString Write(const std::wstring& name, const std::vector<std::uint8_t>& bytes) const;

  private:
    std::filesystem::path folder_;
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
HANDLE OpenWithoutSharing(const WideString& path);

// Returns a file's text, its line ends made "\n", or an empty string when it cannot be read. The
// file may still be open elsewhere: a helper process that Wine starts for a program's first
// window inherits the program's standard handles.
std::string ReadText(const WideString& path);
