// The version resource of an executable as read once: the fixed numbers and the strings of every
// translation.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "VersionTranslation.h"
#include "WideString.h"

class VersionRecord {
  public:
    // Major, minor, build, revision.
    using VersionNumbers = std::array<std::uint16_t, 4>;

    VersionRecord() = default;

    void Clear();
    // Reads the version resource of the file at `path`, replacing the whole record. Returns true
    // when the fixed part was read; the record may still hold no translations then. On false the
    // record is empty.
    bool Load(const wchar_t* path);

    // The file that was read; set only once its fixed part was read.
    WideString path;
    VersionNumbers fileVersion{};
    VersionNumbers productVersion{};
    // In the order of the resource's translation table.
    std::vector<VersionTranslation> translations;
};
