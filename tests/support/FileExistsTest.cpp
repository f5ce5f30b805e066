#include <windows.h>

#include <gtest/gtest.h>

#include "ExecutablePath.h"
#include "FileExists.h"
#include "WideStringPrinter.h"

namespace {

// A file held open without sharing exists too: VersionRecordTest holds one.
TEST(FileExists, TellsFilesFromEverythingElse) {
    const WideString directory = ExecutableDirectory();
    WideString withoutSeparator;
    withoutSeparator.Assign(directory, 0, directory.Length() - 1);
    struct Case {
        WideString path;
        bool exists;
    };
    const Case cases[] = {
        {ExecutablePath(), true},
        {L"", false},
        {directory, false},
        {withoutSeparator, false},
        {directory + L"no such file.exe", false},
        {directory + L"no such folder\\support_tests.exe", false},
        // These patterns match the test program itself, but a pattern is not a file.
        {directory + L"support_tests.*", false},
        {directory + L"support_tests.ex?", false},
        {directory + L"*", false},
        // A path that starts with \\?\ (as the executable's own path may, when the game was
        // started through one) names the file; its question mark is no wildcard.
        {L"\\\\?\\" + ExecutablePath(), true},
        {L"\\\\?\\" + directory + L"support_tests.ex?", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileExists(c.path), c.exists) << testing::PrintToString(c.path);
    }
}

}  // namespace
