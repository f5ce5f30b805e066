// A folder of its own under the temporary directory, removed with everything in it at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "WideString.h"

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
