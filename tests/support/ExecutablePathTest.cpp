#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "ExecutablePath.h"
#include "WideStringPrinter.h"

namespace {

// Returns a path of exactly `length` characters (at least 10) whose file name is "a.exe".
std::wstring PathOfLength(std::size_t length) {
    return L"C:\\" + std::wstring(length - 9, L'd') + L"\\a.exe";
}

TEST(DirectoryOf, CutsAfterTheLastSeparatorOfEitherKind) {
    struct Case {
        const wchar_t* path;
        const wchar_t* directory;
    };
    const Case cases[] = {
        {L"C:\\Games\\Puzzle\\run.exe", L"C:\\Games\\Puzzle\\"},
        {L"C:/Games/run.exe", L"C:/Games/"},
        {L"C:\\a/b\\c.exe", L"C:\\a/b\\"},
        {L"C:\\a\\b/c.exe", L"C:\\a\\b/"},
        {L"C:\\Games\\", L"C:\\Games\\"},
        {L"\\run.exe", L"\\"},
        {L"run.exe", L"run.exe"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DirectoryOf(c.path), WideString(c.directory)) << testing::PrintToString(c.path);
    }
}

TEST(DirectoryOf, TakesPathsUpToMaxPathCharacters) {
    const std::wstring longest = PathOfLength(MAX_PATH);
    ASSERT_EQ(longest.length(), 260u);
    EXPECT_EQ(DirectoryOf(longest.c_str()).Text(), longest.substr(0, longest.length() - 5));

    const std::wstring tooLong = PathOfLength(MAX_PATH + 1);
    EXPECT_TRUE(DirectoryOf(tooLong.c_str()).IsEmpty());
}

TEST(FileNameOf, IsWhatFollowsTheDirectory) {
    const std::wstring tooLong = PathOfLength(MAX_PATH + 1);
    struct Case {
        const wchar_t* path;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"C:\\Games\\Puzzle\\run.exe", L"run.exe"},
        {L"C:\\a/b\\c.exe", L"c.exe"},
        {L"C:\\Games\\", L""},
        // Without a separator the directory is the whole path, so nothing is left for the name.
        {L"run.exe", L""},
        {L"", L""},
        // Too long for a directory: the whole path is the name.
        {tooLong.c_str(), tooLong.c_str()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileNameOf(c.path), WideString(c.name)) << testing::PrintToString(c.path);
    }
}

TEST(ExecutablePath, NamesTheRunningProgramAndIsItsDirectoryAndFileName) {
    wchar_t expected[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, expected, MAX_PATH), 0u);
    const WideString path = ExecutablePath();
    EXPECT_EQ(path, expected);
    // Later calls give the same process-wide string.
    EXPECT_EQ(&ExecutablePath(), &ExecutablePath());

    const WideString directory = ExecutableDirectory();
    const WideString name = ExecutableFileName();

    ASSERT_FALSE(directory.IsEmpty());
    const wchar_t last = directory[directory.Length() - 1];
    EXPECT_TRUE(last == L'\\' || last == L'/');
    EXPECT_EQ(name, L"support_tests.exe");
    EXPECT_EQ(directory + name, path);
}

}  // namespace
