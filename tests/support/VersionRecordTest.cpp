#include <windows.h>

#include <array>

#include <gtest/gtest.h>

#include "ExecutablePath.h"
#include "FileExists.h"
#include "TestFiles.h"
#include "VersionRecord.h"
#include "WideStringPrinter.h"

namespace {

using Numbers = VersionRecord::VersionNumbers;

// Returns the path of one of the small programs built next to this test for their resources.
WideString FixturePath(const wchar_t* name) {
    return ExecutableDirectory() + WideString(name) + WideString(L".exe");
}

void ExpectEmpty(const VersionRecord& record) {
    EXPECT_TRUE(record.path.IsEmpty());
    EXPECT_EQ(record.fileVersion, (Numbers{0, 0, 0, 0}));
    EXPECT_EQ(record.productVersion, (Numbers{0, 0, 0, 0}));
    EXPECT_TRUE(record.translations.empty());
}

// Compares the twelve strings of a translation, in reading order, with a whole string table.
void ExpectStrings(const VersionTranslation& translation,
                   const std::array<const wchar_t*, 12>& expected) {
    const WideString* actual[] = {
        &translation.CompanyName,     &translation.FileDescription, &translation.FileVersion,
        &translation.InternalName,    &translation.LegalCopyright,  &translation.OriginalFilename,
        &translation.ProductName,     &translation.ProductVersion,  &translation.Comments,
        &translation.LegalTrademarks, &translation.PrivateBuild,    &translation.SpecialBuild,
    };
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(*actual[i], WideString(expected[i])) << "string " << i;
    }
}

TEST(VersionRecord, StartsEmptyAndClearEmptiesIt) {
    VersionRecord record;
    ExpectEmpty(record);
    ASSERT_TRUE(record.Load(FixturePath(L"version_fixture_full").c_str()));
    record.Clear();
    ExpectEmpty(record);
}

TEST(VersionRecord, ReadsNumbersAndEveryTranslationInTableOrder) {
    const WideString path = FixturePath(L"version_fixture_full");
    VersionRecord record;
    ASSERT_TRUE(record.Load(path.c_str()));

    EXPECT_EQ(record.path, path);
    EXPECT_EQ(record.fileVersion, (Numbers{1, 2, 3, 4}));
    EXPECT_EQ(record.productVersion, (Numbers{1, 2, 3, 4}));
    ASSERT_EQ(record.translations.size(), 2u);

    EXPECT_EQ(record.translations[0].language, 0x0804);
    EXPECT_EQ(record.translations[0].codePage, 1200);
    ExpectStrings(record.translations[0],
                  {{L"方块工作室", L"下落方块游戏", L"1.2.3.4 版", L"方块",
                    L"版权所有 2024 方块工作室", L"方块.exe", L"方块拼图", L"1.2 版", L"中文注释",
                    L"中文商标", L"内部版本", L"特别版本"}});

    EXPECT_EQ(record.translations[1].language, 0x0409);
    EXPECT_EQ(record.translations[1].codePage, 1200);
    ExpectStrings(record.translations[1],
                  {{L"Falling Blocks Workshop", L"Falling blocks puzzle", L"1.2.3.4", L"blocks",
                    L"Copyright 2024 Falling Blocks Workshop", L"blocks.exe", L"Falling Blocks",
                    L"1.2", L"English comments", L"English trademarks", L"English private build",
                    L"English special build"}});
}

TEST(VersionRecord, MissingStringLeavesOnlyItsFieldEmpty) {
    VersionRecord record;
    ASSERT_TRUE(record.Load(FixturePath(L"version_fixture_no_comments").c_str()));

    EXPECT_EQ(record.fileVersion, (Numbers{2, 7, 1, 9}));
    EXPECT_EQ(record.productVersion, (Numbers{3, 8, 0, 65535}));
    ASSERT_EQ(record.translations.size(), 1u);
    EXPECT_EQ(record.translations[0].language, 0x0409);
    EXPECT_EQ(record.translations[0].codePage, 1252);
    ExpectStrings(record.translations[0],
                  {{L"Corner Cells", L"Puzzle without comments", L"2.7.1.9", L"nocomments",
                    L"Copyright Corner Cells", L"nocomments.exe", L"没有注释", L"3.8", L"",
                    L"Corner trademark", L"private", L"special"}});
}

TEST(VersionRecord, NoTranslationTableStillGivesTheNumbers) {
    const WideString path = FixturePath(L"version_fixture_no_translation");
    VersionRecord record;
    ASSERT_TRUE(record.Load(path.c_str()));
    EXPECT_EQ(record.path, path);
    EXPECT_EQ(record.fileVersion, (Numbers{4, 0, 0, 1}));
    EXPECT_EQ(record.productVersion, (Numbers{4, 0, 0, 2}));
    EXPECT_TRUE(record.translations.empty());
}

TEST(VersionRecord, PartialTableEntryAndEmptyValueAreIgnored) {
    VersionRecord record;
    ASSERT_TRUE(record.Load(FixturePath(L"version_fixture_short_table").c_str()));
    EXPECT_EQ(record.fileVersion, (Numbers{9, 8, 7, 6}));
    EXPECT_EQ(record.productVersion, (Numbers{5, 4, 3, 2}));
    ASSERT_EQ(record.translations.size(), 1u);
    const VersionTranslation& translation = record.translations[0];
    EXPECT_EQ(translation.language, 0x0409);
    EXPECT_EQ(translation.codePage, 0x04B0);
    ExpectStrings(translation, {{L"Short Table Maker", L"", L"", L"", L"", L"", L"Short Table", L"",
                                 L"", L"", L"", L""}});
}

TEST(VersionRecord, UnreadableResourcesGiveFalseAndEmptyRecord) {
    const WideString directory = ExecutableDirectory();
    struct Case {
        const char* what;
        WideString path;
    };
    const Case cases[] = {
        {"no version resource", FixturePath(L"version_fixture_none")},
        {"fixed part of 48 bytes", FixturePath(L"version_fixture_bad_root")},
        {"wildcard *", directory + L"version_fixture_*.exe"},
        {"wildcard ?", directory + L"version_fixture_ful?.exe"},
        {"directory", directory},
        {"missing file", directory + L"version_fixture_missing.exe"},
        {"empty path", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VersionRecord record;
        EXPECT_FALSE(record.Load(c.path.c_str()));
        ExpectEmpty(record);
    }

    VersionRecord record;
    EXPECT_FALSE(record.Load(nullptr));
    ExpectEmpty(record);
}

TEST(VersionRecord, EachLoadReplacesWhatTheLastOneReadEvenWhenItFails) {
    VersionRecord record;
    ASSERT_TRUE(record.Load(FixturePath(L"version_fixture_full").c_str()));
    ASSERT_TRUE(record.Load(FixturePath(L"version_fixture_no_translation").c_str()));
    EXPECT_EQ(record.path, FixturePath(L"version_fixture_no_translation"));
    EXPECT_EQ(record.fileVersion, (Numbers{4, 0, 0, 1}));
    EXPECT_TRUE(record.translations.empty());

    ASSERT_TRUE(record.Load(FixturePath(L"version_fixture_full").c_str()));
    EXPECT_FALSE(record.Load(FixturePath(L"version_fixture_none").c_str()));
    ExpectEmpty(record);
}

TEST(VersionRecord, FileHeldWithoutSharingExistsButCannotBeRead) {
    TemporaryFile copy(FixturePath(L"version_fixture_full").c_str());
    ASSERT_FALSE(copy.Path().IsEmpty());
    VersionRecord record;
    ASSERT_TRUE(record.Load(copy.Path().c_str()));

    // The probe still finds the file; the version functions are refused access to it, and a
    // refused read must not leave the earlier content behind.
    ScopedHandle held(OpenWithoutSharing(copy.Path()));
    ASSERT_TRUE(held.IsValid());
    EXPECT_TRUE(FileExists(copy.Path()));
    EXPECT_FALSE(record.Load(copy.Path().c_str()));
    ExpectEmpty(record);
}

}  // namespace
