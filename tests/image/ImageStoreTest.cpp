#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GdiplusRuntime.h"
#include "ImageStore.h"
#include "KvImage.h"
#include "TestFiles.h"
#include "TestPictures.h"

namespace {

const wchar_t* const kBin = L"BIN";
constexpr std::uint8_t kTint = 0x5A;

HMODULE ThisModule() {
    return GetModuleHandleW(nullptr);
}

// Gives back, at the end of a test, the store references the test took, so that every test finds
// the store as the tests before it left it.
class HeldIds {
  public:
    HeldIds() = default;
    HeldIds(const HeldIds&) = delete;
    HeldIds& operator=(const HeldIds&) = delete;
    ~HeldIds() {
        for (std::uint32_t id : ids_) {
            ImageStore::Release(id);
        }
    }
    std::uint32_t operator()(std::uint32_t id) {
        if (id != 0) {
            ids_.push_back(id);
        }
        return id;
    }

  private:
    std::vector<std::uint32_t> ids_;
};

std::int32_t RefCountOf(std::uint32_t id) {
    const ImageEntry* entry = ImageStore::FindEntry(id);
    return entry != nullptr ? entry->refCount : 0;
}

struct PathPair {
    const char* name;
    std::wstring file;
    std::wstring first;
    std::wstring second;
    bool shared;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const PathPair& value, std::ostream* out) {
    *out << value.name;
}

// Both paths name decodable files; whether they share one entry depends only on the store's
// comparison, which folds A-Z and nothing else.
class ShareFilePaths : public testing::TestWithParam<PathPair> {};

TEST_P(ShareFilePaths, ShareOneEntryOnlyWhenTheyDifferInTheCaseOfAToZ) {
    const PathPair& pair = GetParam();
    TemporaryFolder folder;
    HeldIds held;
    folder.Write(pair.first, MakeBitmapFile(3, 2, kTint));
    folder.Write(pair.second, MakeBitmapFile(3, 2, kTint));
    const std::size_t entriesBefore = ImageStore::EntryCount();

    const std::uint32_t first = held(ImageStore::ShareFile(folder.PathOf(pair.first)));
    const std::uint32_t second = held(ImageStore::ShareFile(folder.PathOf(pair.second)));
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    if (pair.shared) {
        EXPECT_EQ(first, second);
        EXPECT_EQ(RefCountOf(first), 2);
        EXPECT_EQ(ImageStore::EntryCount(), entriesBefore + 1);
    } else {
        EXPECT_NE(first, second);
        EXPECT_EQ(RefCountOf(first), 1);
        EXPECT_EQ(RefCountOf(second), 1);
        EXPECT_EQ(ImageStore::EntryCount(), entriesBefore + 2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ImageStore, ShareFilePaths,
    testing::Values(PathPair{"SamePath", L"cell.bmp", L"cell.bmp", L"cell.bmp", true},
                    PathPair{"AsciiCase", L"Cell.bmp", L"Cell.bmp", L"cELL.BMP", true},
                    // Code units 0x20 apart that are not letters.
                    PathPair{"BracketAndBrace", L"a[1].bmp", L"a[1].bmp", L"a{1}.bmp", false},
                    PathPair{"AtAndGrave", L"a@.bmp", L"a@.bmp", L"a`.bmp", false},
                    PathPair{"AccentedCase", L"caf\u00E9.bmp", L"caf\u00E9.bmp", L"caf\u00C9.bmp",
                             false},
                    PathPair{"CyrillicCase", L"\u0431.bmp", L"\u0431.bmp", L"\u0411.bmp", false},
                    PathPair{"DifferentName", L"one.bmp", L"one.bmp", L"two.bmp", false}),
    [](const testing::TestParamInfo<PathPair>& info) { return std::string(info.param.name); });

TEST(ImageStore, ShareFileRefusesAnEmptyPathAndAFileThatDoesNotDecode) {
    TemporaryFolder folder;
    const std::size_t entriesBefore = ImageStore::EntryCount();
    EXPECT_EQ(ImageStore::ShareFile(WideString()), 0u);
    EXPECT_EQ(ImageStore::ShareFile(folder.PathOf(L"missing.bmp")), 0u);
    EXPECT_EQ(ImageStore::EntryCount(), entriesBefore);
}

TEST(ImageStore, ShareResourceSharesOnlyTheSameModuleTypeAndId) {
    HeldIds held;
    const int number = 106;
    const std::uint32_t bin106 =
        held(ImageStore::ShareResource(MAKEINTRESOURCEW(106), ThisModule(), kBin));
    const std::uint32_t bin106Again =
        held(ImageStore::ShareResource(MAKEINTRESOURCEW(number), ThisModule(), kBin));
    const std::uint32_t bin107 =
        held(ImageStore::ShareResource(MAKEINTRESOURCEW(107), ThisModule(), kBin));
    const std::uint32_t type300 =
        held(ImageStore::ShareResource(MAKEINTRESOURCEW(106), ThisModule(), MAKEINTRESOURCEW(300)));
    ASSERT_NE(bin106, 0u);
    ASSERT_NE(bin107, 0u);
    ASSERT_NE(type300, 0u);
    EXPECT_EQ(bin106Again, bin106);
    EXPECT_EQ(RefCountOf(bin106), 2);
    EXPECT_NE(bin107, bin106);
    EXPECT_NE(type300, bin106);
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(bin106)), PicturePixels(4, 2, 0x11));
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(bin107)), PicturePixels(4, 2, 0x22));
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(type300)), PicturePixels(4, 2, 0x44));
}

TEST(ImageStore, ShareResourceComparesNamesByAddressNotByText) {
    HeldIds held;
    const wchar_t firstName[] = L"CELL";
    const wchar_t secondName[] = L"CELL";
    const std::uint32_t first = held(ImageStore::ShareResource(firstName, ThisModule(), kBin));
    const std::uint32_t again = held(ImageStore::ShareResource(firstName, ThisModule(), kBin));
    const std::uint32_t second = held(ImageStore::ShareResource(secondName, ThisModule(), kBin));
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(again, first);
    EXPECT_NE(second, first);
    EXPECT_EQ(RefCountOf(first), 2);
    EXPECT_EQ(RefCountOf(second), 1);
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(second)), PicturePixels(4, 2, 0x33));
}

TEST(ImageStore, ShareResourceRefusesNullArgumentsAndMissingResources) {
    const std::size_t entriesBefore = ImageStore::EntryCount();
    EXPECT_EQ(ImageStore::ShareResource(nullptr, ThisModule(), kBin), 0u);
    EXPECT_EQ(ImageStore::ShareResource(MAKEINTRESOURCEW(106), nullptr, kBin), 0u);
    EXPECT_EQ(ImageStore::ShareResource(MAKEINTRESOURCEW(106), ThisModule(), nullptr), 0u);
    EXPECT_EQ(ImageStore::ShareResource(MAKEINTRESOURCEW(999), ThisModule(), kBin), 0u);
    EXPECT_EQ(ImageStore::ShareResource(MAKEINTRESOURCEW(202), ThisModule(), kBin), 0u);
    EXPECT_EQ(ImageStore::EntryCount(), entriesBefore);
}

TEST(ImageStore, MemoryBlocksAndBitmapsAreNeverShared) {
    HeldIds held;
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(4, 4, kTint);
    const std::uint32_t firstBlock = held(ImageStore::AddMemory(bytes.data(), bytes.size()));
    const std::uint32_t secondBlock = held(ImageStore::AddMemory(bytes.data(), bytes.size()));
    ASSERT_NE(firstBlock, 0u);
    ASSERT_NE(secondBlock, 0u);
    EXPECT_NE(firstBlock, secondBlock);

    Gdiplus::GpBitmap* const bitmap = ImageStore::GetBitmap(firstBlock);
    const std::uint32_t firstClone = held(ImageStore::AddBitmap(bitmap));
    const std::uint32_t secondClone = held(ImageStore::AddBitmap(bitmap));
    ASSERT_NE(firstClone, 0u);
    ASSERT_NE(secondClone, 0u);
    EXPECT_NE(firstClone, secondClone);
    EXPECT_NE(ImageStore::GetBitmap(firstClone), bitmap);
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(secondClone)), PicturePixels(4, 4, kTint));
    for (std::uint32_t id : {firstBlock, secondBlock, firstClone, secondClone}) {
        EXPECT_EQ(RefCountOf(id), 1);
        EXPECT_EQ(ImageStore::FindEntry(id)->module, nullptr);
    }
}

TEST(ImageStore, AddMemoryAndAddBitmapRefuseBadSources) {
    const std::string text = "no picture here";
    const std::size_t entriesBefore = ImageStore::EntryCount();
    EXPECT_EQ(ImageStore::AddMemory(text.data(), text.size()), 0u);
    EXPECT_EQ(ImageStore::AddMemory(text.data(), 0), 0u);
    EXPECT_EQ(ImageStore::AddBitmap(nullptr), 0u);
    EXPECT_EQ(ImageStore::EntryCount(), entriesBefore);
}

TEST(ImageStore, ReleasingTheLastReferenceRemovesTheEntryAndItsIdIsNeverGivenAgain) {
    HeldIds held;
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(4, 4, kTint);
    const std::uint32_t kept = held(ImageStore::AddMemory(bytes.data(), bytes.size()));
    const std::uint32_t id = ImageStore::AddMemory(bytes.data(), bytes.size());
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(ImageStore::AddRef(id));
    const std::size_t entriesWithIt = ImageStore::EntryCount();

    EXPECT_TRUE(ImageStore::Release(id));
    EXPECT_EQ(RefCountOf(id), 1);
    EXPECT_NE(ImageStore::GetBitmap(id), nullptr);

    EXPECT_TRUE(ImageStore::Release(id));
    EXPECT_EQ(ImageStore::GetBitmap(id), nullptr);
    EXPECT_EQ(ImageStore::FindEntry(id), nullptr);
    EXPECT_EQ(ImageStore::EntryCount(), entriesWithIt - 1);
    EXPECT_FALSE(ImageStore::Release(id));
    EXPECT_FALSE(ImageStore::AddRef(id));
    EXPECT_NE(ImageStore::GetBitmap(kept), nullptr);

    const std::uint32_t next = held(ImageStore::AddMemory(bytes.data(), bytes.size()));
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, id);
    EXPECT_GT(next, id);
}

TEST(ImageStore, IdZeroNamesNoEntry) {
    EXPECT_FALSE(ImageStore::AddRef(0));
    EXPECT_FALSE(ImageStore::Release(0));
    EXPECT_EQ(ImageStore::GetBitmap(0), nullptr);
    ImageEntry entry;
    EXPECT_FALSE(ImageStore::CopyEntry(0, entry));
}

enum class SourceKind { File, Memory, Resource, Bitmap };

struct CopyCase {
    const char* name;
    SourceKind kind;
    bool fromFile;
    bool hasMemory;
};

void PrintTo(const CopyCase& value, std::ostream* out) {
    *out << value.name;
}

// The copy of a store entry comes from its file, else its memory block, else its resource, else
// its bitmap; a resource-loaded entry has a block, so its copy has no resource identity.
class CopyEntryPrecedence : public testing::TestWithParam<CopyCase> {};

TEST_P(CopyEntryPrecedence, CopiesFromTheFirstSourceTheEntryHas) {
    const CopyCase& copyCase = GetParam();
    TemporaryFolder folder;
    HeldIds held;
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(4, 2, 0x11);
    std::uint32_t id = 0;
    switch (copyCase.kind) {
        case SourceKind::File:
            id = held(ImageStore::ShareFile(folder.Write(L"copy.bmp", bytes)));
            break;
        case SourceKind::Memory:
            id = held(ImageStore::AddMemory(bytes.data(), bytes.size()));
            break;
        case SourceKind::Resource:
            id = held(ImageStore::ShareResource(MAKEINTRESOURCEW(106), ThisModule(), kBin));
            break;
        case SourceKind::Bitmap: {
            const std::uint32_t block = held(ImageStore::AddMemory(bytes.data(), bytes.size()));
            id = held(ImageStore::AddBitmap(ImageStore::GetBitmap(block)));
            break;
        }
    }
    ASSERT_NE(id, 0u);

    ImageEntry copy;
    ASSERT_TRUE(ImageStore::CopyEntry(id, copy));
    EXPECT_EQ(copy.fromFile, copyCase.fromFile);
    EXPECT_EQ(static_cast<bool>(copy.memory), copyCase.hasMemory);
    EXPECT_EQ(copy.module, nullptr);
    EXPECT_EQ(copy.resourceType, nullptr);
    EXPECT_EQ(copy.resourceName, nullptr);
    EXPECT_EQ(copy.id, 0u);
    EXPECT_EQ(copy.refCount, 0);
    EXPECT_NE(copy.bitmap.Get(), ImageStore::GetBitmap(id));
    EXPECT_EQ(ReadPixels(copy.bitmap.Get()), PicturePixels(4, 2, 0x11));
    EXPECT_EQ(RefCountOf(id), 1);
    // A filled entry is not free to receive another copy.
    EXPECT_FALSE(ImageStore::CopyEntry(id, copy));
}

INSTANTIATE_TEST_SUITE_P(ImageStore, CopyEntryPrecedence,
                         testing::Values(CopyCase{"File", SourceKind::File, true, false},
                                         CopyCase{"Memory", SourceKind::Memory, false, true},
                                         CopyCase{"Resource", SourceKind::Resource, false, true},
                                         CopyCase{"Bitmap", SourceKind::Bitmap, false, false}),
                         [](const testing::TestParamInfo<CopyCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(GdiplusRuntime, EachImageHoldsOneAcquisitionForItsLife) {
    const std::int32_t before = GdiplusAcquisitionCount();
    {
        KvImage first;
        EXPECT_EQ(GdiplusAcquisitionCount(), before + 1);
        {
            KvImage second;
            EXPECT_EQ(GdiplusAcquisitionCount(), before + 2);
        }
        EXPECT_EQ(GdiplusAcquisitionCount(), before + 1);
    }
    EXPECT_EQ(GdiplusAcquisitionCount(), before);
    ASSERT_TRUE(AcquireGdiplus());
    EXPECT_EQ(GdiplusAcquisitionCount(), before + 1);
    ReleaseGdiplus();
    EXPECT_EQ(GdiplusAcquisitionCount(), before);
}

}  // namespace
