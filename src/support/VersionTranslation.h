// One language of an executable's version resource: its language and code page and the twelve
// standard strings of its string table.
#pragma once

#include <cstdint>

#include "WideString.h"

struct VersionTranslation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
    WideString CompanyName;
    WideString FileDescription;
    WideString FileVersion;
    WideString InternalName;
    WideString LegalCopyright;
    WideString OriginalFilename;
    WideString ProductName;
    WideString ProductVersion;
    WideString Comments;
    WideString LegalTrademarks;
    WideString PrivateBuild;
    WideString SpecialBuild;
};
