#include "TemporaryFolder.h"

#include <windows.h>

#include <fstream>

TemporaryFolder::TemporaryFolder() {
    static int serial = 0;
    folder_ = std::filesystem::temp_directory_path() /
              (L"kv_image_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(++serial));
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
