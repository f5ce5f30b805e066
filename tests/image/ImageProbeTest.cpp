// The image subsystem where a case needs a process of its own: the store's teardown at exit, seen
// through the checked build's exit checks, and GDI+ started again after its last release.
#include <string>

#include <gtest/gtest.h>

#include "GameProcess.h"

namespace {

bool HasLineStartingWith(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0 || text.find("\n" + start) != std::string::npos;
}

// The store itself is never destroyed, so its teardown must dispose of every picture still in
// it, with the memory it was decoded from and the store's own list. The checked build lists
// whatever is left at exit and ends the process with the leak status.
TEST(ImageStoreExit, PicturesStillStoredAtExitAreDisposedOf) {
    std::string output;
    EXPECT_EQ(RunSiblingProgram(L"image_probe.exe", L"stored-at-exit", output), 0u) << output;
    EXPECT_EQ(output.rfind("stored\n", 0), 0u) << output;
    EXPECT_FALSE(HasLineStartingWith(output, "checked calls: ")) << output;
    EXPECT_FALSE(HasLineStartingWith(output, "checked heap: ")) << output;
}

// In a process where nothing else holds GDI+, the last release shuts it down; an image loaded
// after that starts it again.
TEST(GdiplusRuntime, StartsAgainAfterTheLastReleaseShutItDown) {
    std::string output;
    EXPECT_EQ(RunSiblingProgram(L"image_probe.exe", L"gdiplus-restarts", output), 0u) << output;
    EXPECT_EQ(output, "restarted\n");
}

}  // namespace
