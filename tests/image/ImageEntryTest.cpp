#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GlobalMemoryLock.h"
#include "ImageEntry.h"
#include "TestFiles.h"
#include "TestPictures.h"
#include "UnreadablePage.h"

namespace {

const wchar_t* const kBin = L"BIN";
constexpr std::uint8_t kTint = 0x5A;

// Expects the entry to hold nothing at all, as it did before a fill that failed.
void ExpectUntouched(const ImageEntry& entry) {
    EXPECT_FALSE(entry.fromFile);
    EXPECT_TRUE(entry.path.IsEmpty());
    EXPECT_EQ(entry.module, nullptr);
    EXPECT_EQ(entry.resourceType, nullptr);
    EXPECT_EQ(entry.resourceName, nullptr);
    EXPECT_FALSE(entry.bitmap);
    EXPECT_FALSE(entry.memory);
}

TEST(FillFromMemory, DecodesAMovableCopyThatOutlivesTheStreamAndTheCallersBytes) {
    std::vector<std::uint8_t> bytes = MakeBitmapFile(5, 3, kTint);
    const std::vector<std::uint8_t> original = bytes;
    ImageEntry entry;
    ASSERT_TRUE(FillFromMemory(entry, bytes.data(), bytes.size()));
    std::memset(bytes.data(), 0, bytes.size());

    ASSERT_TRUE(entry.memory);
    {
        GlobalMemoryLock lock(entry.memory.Get());
        ASSERT_NE(lock.Data(), nullptr);
        // A movable block is a handle, not the address of its bytes.
        EXPECT_NE(lock.Data(), static_cast<void*>(entry.memory.Get()));
        ASSERT_EQ(lock.Size(), original.size());
        EXPECT_EQ(std::memcmp(lock.Data(), original.data(), original.size()), 0);
    }
    EXPECT_EQ(ReadPixels(entry.bitmap.Get()), PicturePixels(5, 3, kTint));
    EXPECT_FALSE(entry.fromFile);
    EXPECT_EQ(entry.module, nullptr);
    EXPECT_EQ(entry.resourceName, nullptr);

    // The stream dies with the bitmap; the block must not go with it.
    entry.bitmap.Reset();
    EXPECT_EQ(GlobalSize(entry.memory.Get()), original.size());
}

TEST(FillFromFile, DecodesTheFileAndRecordsItsPath) {
    TemporaryFolder folder;
    const WideString path = folder.Write(L"picture.bmp", MakeBitmapFile(6, 4, kTint));
    ImageEntry entry;
    ASSERT_TRUE(FillFromFile(entry, path));
    EXPECT_TRUE(entry.fromFile);
    EXPECT_EQ(entry.path, path);
    EXPECT_FALSE(entry.memory);
    EXPECT_EQ(ReadPixels(entry.bitmap.Get()), PicturePixels(6, 4, kTint));
}

TEST(FillFromResource, KeepsAMemoryCopyAndTheResourceIdentity) {
    const HMODULE module = GetModuleHandleW(nullptr);
    ImageEntry entry;
    ASSERT_TRUE(FillFromResource(entry, module, kBin, MAKEINTRESOURCEW(107)));
    EXPECT_EQ(entry.module, module);
    EXPECT_EQ(entry.resourceType, kBin);
    EXPECT_EQ(entry.resourceName, MAKEINTRESOURCEW(107));
    EXPECT_TRUE(entry.memory);
    EXPECT_FALSE(entry.fromFile);
    EXPECT_EQ(ReadPixels(entry.bitmap.Get()), PicturePixels(4, 2, 0x22));
}

TEST(FillFromBitmap, ClonesTheBitmapWhichStaysTheCallersAndRefusesNone) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(7, 5, kTint);
    ImageEntry original;
    ASSERT_TRUE(FillFromMemory(original, bytes.data(), bytes.size()));
    ImageEntry clone;
    ASSERT_TRUE(FillFromBitmap(clone, original.bitmap.Get()));
    EXPECT_NE(clone.bitmap.Get(), original.bitmap.Get());
    EXPECT_FALSE(clone.memory);
    original.Clear();
    EXPECT_EQ(ReadPixels(clone.bitmap.Get()), PicturePixels(7, 5, kTint));

    ImageEntry entry;
    EXPECT_FALSE(FillFromBitmap(entry, nullptr));
    ExpectUntouched(entry);
}

// An entry that already holds something is not free to fill, and no fill may change it.
TEST(ImageEntryFills, RefuseAnEntryThatIsNotFreeAndLeaveItAsItWas) {
    TemporaryFolder folder;
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(3, 3, kTint);
    const WideString path = folder.Write(L"other.bmp", MakeBitmapFile(2, 2, 0x77));
    const HMODULE module = GetModuleHandleW(nullptr);
    ImageEntry filled;
    ASSERT_TRUE(FillFromResource(filled, module, kBin, MAKEINTRESOURCEW(106)));
    Gdiplus::GpBitmap* const bitmap = filled.bitmap.Get();
    const HGLOBAL memory = filled.memory.Get();

    EXPECT_FALSE(FillFromFile(filled, path));
    EXPECT_FALSE(FillFromMemory(filled, bytes.data(), bytes.size()));
    EXPECT_FALSE(FillFromResource(filled, module, kBin, MAKEINTRESOURCEW(107)));
    EXPECT_FALSE(FillFromBitmap(filled, bitmap));

    EXPECT_EQ(filled.bitmap.Get(), bitmap);
    EXPECT_EQ(filled.memory.Get(), memory);
    EXPECT_EQ(filled.resourceName, MAKEINTRESOURCEW(106));
    EXPECT_TRUE(filled.path.IsEmpty());
    EXPECT_EQ(ReadPixels(filled.bitmap.Get()), PicturePixels(4, 2, 0x11));

    // A resource identity alone is enough to refuse the sources that set one.
    ImageEntry named;
    named.resourceName = MAKEINTRESOURCEW(106);
    EXPECT_FALSE(FillFromMemory(named, bytes.data(), bytes.size()));
    EXPECT_FALSE(named.bitmap);
}

TEST(FillFromMemory, FailsAndLeavesTheEntryEmptyForBytesThatHoldNoWholePicture) {
    const std::vector<std::uint8_t> good = MakeBitmapFile(22, 22, kTint);
    // Each block in an allocation of its own, so that reading past its end shows.
    const auto cut = [&good](std::size_t length) {
        return std::vector<std::uint8_t>(good.begin(), good.begin() + length);
    };
    const std::string text = "This is not a picture at all.";
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } blocks[] = {
        {"one byte", cut(1)},
        {"file header only", cut(14)},
        {"half an info header", cut(34)},
        {"headers only", cut(54)},
        {"half the pixels", cut(54 + (good.size() - 54) / 2)},
        {"last byte missing", cut(good.size() - 1)},
        {"text", std::vector<std::uint8_t>(text.begin(), text.end())},
        {"zeros", std::vector<std::uint8_t>(good.size(), 0)},
    };
    for (const auto& block : blocks) {
        SCOPED_TRACE(block.name);
        ImageEntry entry;
        EXPECT_FALSE(FillFromMemory(entry, block.bytes.data(), block.bytes.size()));
        ExpectUntouched(entry);
    }

    const UnreadablePage page;
    ImageEntry entry;
    EXPECT_FALSE(FillFromMemory(entry, good.data(), 0));
    EXPECT_FALSE(FillFromMemory(entry, nullptr, good.size()));
    EXPECT_FALSE(FillFromMemory(entry, page.Address(), 64));
    ExpectUntouched(entry);
}

TEST(FillFromFile, FailsForFilesThatDoNotHoldAPicture) {
    TemporaryFolder folder;
    const std::vector<std::uint8_t> good = MakeBitmapFile(22, 22, kTint);
    std::filesystem::create_directory(std::filesystem::path(folder.PathOf(L"folder.bmp").c_str()));
    const WideString paths[] = {
        folder.PathOf(L"missing.bmp"),
        folder.Write(L"empty.bmp", {}),
        folder.PathOf(L"folder.bmp"),
        folder.Write(L"truncated.bmp",
                     std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2)),
        folder.Write(L"text.bmp", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'}),
        WideString(),
    };
    for (const WideString& path : paths) {
        ImageEntry entry;
        EXPECT_FALSE(FillFromFile(entry, path)) << path.Text();
        ExpectUntouched(entry);
    }
}

TEST(FillFromResource, FailsForResourcesThatDoNotHoldAPicture) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const struct {
        const wchar_t* type;
        const wchar_t* name;
    } resources[] = {
        {kBin, MAKEINTRESOURCEW(999)},                                          // does not exist
        {L"NOSUCHTYPE", MAKEINTRESOURCEW(106)}, {kBin, MAKEINTRESOURCEW(201)},  // truncated picture
        {kBin, MAKEINTRESOURCEW(202)},                                          // text
        {kBin, MAKEINTRESOURCEW(203)},                                          // no bytes
    };
    for (const auto& resource : resources) {
        ImageEntry entry;
        EXPECT_FALSE(FillFromResource(entry, module, resource.type, resource.name))
            << reinterpret_cast<std::uintptr_t>(resource.name);
        ExpectUntouched(entry);
    }
}

}  // namespace
