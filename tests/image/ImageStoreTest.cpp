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

// Both paths name decodable files; whether they share one entry depends only on the store's
// comparison, which folds A-Z and nothing else.
TEST(ImageStore, FilePathsShareOneEntryOnlyWhenTheyDifferInTheCaseOfAToZ) {
    const struct {
        const char* name;
        std::wstring first;
        std::wstring second;
        bool shared;
    } pairs[] = {
        {"same path", L"cell.bmp", L"cell.bmp", true},
        {"ASCII case", L"Cell.bmp", L"cELL.BMP", true},
        // Code units 0x20 apart that are not letters.
        {"bracket and brace", L"a[1].bmp", L"a{1}.bmp", false},
        {"at and grave", L"a@.bmp", L"a`.bmp", false},
        {"accented case", L"caf\u00E9.bmp", L"caf\u00C9.bmp", false},
        {"Cyrillic case", L"\u0431.bmp", L"\u0411.bmp", false},
        {"different name", L"one.bmp", L"two.bmp", false},
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair.name);
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
}

// A name given as text is compared by its address, not by the text.
TEST(ImageStore, ShareResourceSharesOnlyTheSameModuleTypeAndName) {
    HeldIds held;
    const auto share = [&held](const wchar_t* name, const wchar_t* type) {
        return held(ImageStore::ShareResource(name, ThisModule(), type));
    };
    const int number = 106;
    const wchar_t firstName[] = L"CELL";
    const wchar_t secondName[] = L"CELL";
    const std::uint32_t bin106 = share(MAKEINTRESOURCEW(106), kBin);
    const std::uint32_t bin106Again = share(MAKEINTRESOURCEW(number), kBin);
    const std::uint32_t bin107 = share(MAKEINTRESOURCEW(107), kBin);
    const std::uint32_t type300 = share(MAKEINTRESOURCEW(106), MAKEINTRESOURCEW(300));
    const std::uint32_t first = share(firstName, kBin);
    const std::uint32_t firstAgain = share(firstName, kBin);
    const std::uint32_t second = share(secondName, kBin);
    for (std::uint32_t id : {bin106, bin107, type300, first, second}) {
        ASSERT_NE(id, 0u);
    }
    EXPECT_EQ(bin106Again, bin106);
    EXPECT_EQ(RefCountOf(bin106), 2);
    EXPECT_NE(bin107, bin106);
    EXPECT_NE(type300, bin106);
    EXPECT_EQ(firstAgain, first);
    EXPECT_NE(second, first);
    EXPECT_EQ(RefCountOf(first), 2);
    EXPECT_EQ(RefCountOf(second), 1);
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(bin106)), PicturePixels(4, 2, 0x11));
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(bin107)), PicturePixels(4, 2, 0x22));
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(type300)), PicturePixels(4, 2, 0x44));
    EXPECT_EQ(ReadPixels(ImageStore::GetBitmap(second)), PicturePixels(4, 2, 0x33));
}

TEST(ImageStore, RefusesMissingArgumentsSourcesWithoutAPictureAndIdZero) {
    TemporaryFolder folder;
    const std::string text = "no picture here";
    const std::size_t entriesBefore = ImageStore::EntryCount();
    EXPECT_EQ(ImageStore::ShareFile(WideString()), 0u);
    EXPECT_EQ(ImageStore::ShareFile(folder.PathOf(L"missing.bmp")), 0u);
    EXPECT_EQ(ImageStore::ShareResource(nullptr, ThisModule(), kBin), 0u);
    EXPECT_EQ(ImageStore::ShareResource(MAKEINTRESOURCEW(106), nullptr, kBin), 0u);
    EXPECT_EQ(ImageStore::ShareResource(MAKEINTRESOURCEW(106), ThisModule(), nullptr), 0u);
    EXPECT_EQ(ImageStore::ShareResource(MAKEINTRESOURCEW(999), ThisModule(), kBin), 0u);
    EXPECT_EQ(ImageStore::ShareResource(MAKEINTRESOURCEW(202), ThisModule(), kBin), 0u);
    EXPECT_EQ(ImageStore::AddMemory(text.data(), text.size()), 0u);
    EXPECT_EQ(ImageStore::AddMemory(text.data(), 0), 0u);
    EXPECT_EQ(ImageStore::AddBitmap(nullptr), 0u);
    EXPECT_EQ(ImageStore::EntryCount(), entriesBefore);
    // 0 is the id of no entry.
    EXPECT_FALSE(ImageStore::AddRef(0));
    EXPECT_FALSE(ImageStore::Release(0));
    EXPECT_EQ(ImageStore::GetBitmap(0), nullptr);
    ImageEntry entry;
    EXPECT_FALSE(ImageStore::CopyEntry(0, entry));
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

enum class SourceKind { File, Memory, Resource, Bitmap };

// Adds an entry of the given kind of the 4 x 2 picture of tint 0x11; `held` releases it.
std::uint32_t AddEntry(SourceKind kind, const TemporaryFolder& folder, HeldIds& held) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(4, 2, 0x11);
    switch (kind) {
        case SourceKind::File:
            return held(ImageStore::ShareFile(folder.Write(L"copy.bmp", bytes)));
        case SourceKind::Memory:
            return held(ImageStore::AddMemory(bytes.data(), bytes.size()));
        case SourceKind::Resource:
            return held(ImageStore::ShareResource(MAKEINTRESOURCEW(106), ThisModule(), kBin));
        case SourceKind::Bitmap:
            return held(ImageStore::AddBitmap(
                ImageStore::GetBitmap(held(ImageStore::AddMemory(bytes.data(), bytes.size())))));
    }
    return 0;
}

// The copy of a store entry comes from its file, else its memory block, else its resource, else
// its bitmap; a resource-loaded entry has a block, so its copy has no resource identity.
TEST(ImageStore, CopyEntryCopiesFromTheFirstSourceTheEntryHas) {
    const struct {
        const char* name;
        SourceKind kind;
        bool fromFile;
        bool hasMemory;
    } cases[] = {
        {"file", SourceKind::File, true, false},
        {"memory", SourceKind::Memory, false, true},
        {"resource", SourceKind::Resource, false, true},
        {"bitmap", SourceKind::Bitmap, false, false},
    };
    for (const auto& copyCase : cases) {
        SCOPED_TRACE(copyCase.name);
        TemporaryFolder folder;
        HeldIds held;
        const std::uint32_t id = AddEntry(copyCase.kind, folder, held);
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
}

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
