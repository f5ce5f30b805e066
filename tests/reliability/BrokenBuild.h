// The builds of the game with broken resources (fixtures/*.rc): cell pictures cut short, cell
// pictures that are no pictures, no cell pictures at all, and no version record.
#pragma once

#include <string>

#include <gtest/gtest.h>

struct BrokenBuild {
    const char* name;
    const char* program;
    bool hasTitle;
    bool hasPictures;
};

inline const BrokenBuild BrokenBuilds[] = {
    {"TruncatedPictures", KV_TRUNCATED_PICTURES_PROGRAM, true, false},
    {"NotPictures", KV_NOT_PICTURES_PROGRAM, true, false},
    {"NoPictures", KV_NO_PICTURES_PROGRAM, true, false},
    {"NoVersion", KV_NO_VERSION_PROGRAM, false, true},
};

// Names the test of each build after the build.
inline std::string BuildName(const ::testing::TestParamInfo<BrokenBuild>& info) {
    return info.param.name;
}
