#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ImageStore.h"
#include "KvImage.h"
#include "KvJigsawImage.h"
#include "TestFiles.h"
#include "TestPictures.h"

namespace {

const wchar_t* const kBin = L"BIN";
constexpr std::uint8_t kTint = 0x5A;
constexpr int kWidth = 6;
constexpr int kHeight = 4;

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::int32_t RefCountOf(std::uint32_t id) {
    const ImageEntry* entry = ImageStore::FindEntry(id);
    return entry != nullptr ? entry->refCount : 0;
}

void ExpectEmpty(const KvImage& image) {
    EXPECT_EQ(image.StoreId(), 0u);
    EXPECT_FALSE(image.Source().bitmap);
    EXPECT_FALSE(image.Source().memory);
    EXPECT_EQ(image.Source().resourceName, nullptr);
    EXPECT_TRUE(image.Rect() == RECT({0, 0, 0, 0}));
    EXPECT_EQ(image.Bitmap(), nullptr);
}

void ExpectLoaded(const KvImage& image, bool shared, int width, int height, std::uint8_t tint) {
    EXPECT_EQ(image.StoreId() != 0, shared);
    EXPECT_EQ(static_cast<bool>(image.Source().bitmap), !shared);
    EXPECT_TRUE(image.Rect() == RECT({0, 0, width, height}));
    EXPECT_EQ(ReadPixels(image.Bitmap()), PicturePixels(width, height, tint));
}

enum class Load { File, Memory, Resource, Bitmap };

// Pictures for every kind of load: a file, its bytes, a resource and a bitmap to clone.
class Sources {
  public:
    Sources()
        : bytes_(MakeBitmapFile(kWidth, kHeight, kTint)),
          path_(folder_.Write(L"picture.bmp", bytes_)) {
        bitmapHolder_.LoadFromMemory(bytes_.data(), bytes_.size(), false);
    }

    // Loads `image` from the source; the resource is 4 x 2 with tint 0x11.
    bool LoadInto(KvImage& image, Load load, bool shared) const {
        switch (load) {
            case Load::File:
                return image.LoadFromFile(path_, shared);
            case Load::Memory:
                return image.LoadFromMemory(bytes_.data(), bytes_.size(), shared);
            case Load::Resource:
                return image.LoadFromResource(GetModuleHandleW(nullptr), kBin,
                                              MAKEINTRESOURCEW(106), shared);
            case Load::Bitmap:
                return image.LoadFromBitmap(bitmapHolder_.Bitmap(), shared);
        }
        return false;
    }
    static int Width(Load load) { return load == Load::Resource ? 4 : kWidth; }
    static int Height(Load load) { return load == Load::Resource ? 2 : kHeight; }
    static std::uint8_t Tint(Load load) { return load == Load::Resource ? 0x11 : kTint; }

  private:
    TemporaryFolder folder_;
    std::vector<std::uint8_t> bytes_;
    WideString path_;
    KvImage bitmapHolder_;
};

struct LoadCase {
    Load load;
    bool shared;
};

void PrintTo(const LoadCase& value, std::ostream* out) {
    static const char* const loads[] = {"File", "Memory", "Resource", "Bitmap"};
    *out << loads[static_cast<int>(value.load)] << (value.shared ? "Shared" : "Private");
}

const LoadCase kAllLoads[] = {
    {Load::File, true},     {Load::File, false},     {Load::Memory, true}, {Load::Memory, false},
    {Load::Resource, true}, {Load::Resource, false}, {Load::Bitmap, true}, {Load::Bitmap, false},
};

class KvImageLoad : public testing::TestWithParam<LoadCase> {
  protected:
    Sources sources;
};

TEST_P(KvImageLoad, HoldsThePictureInTheChosenModeUntilUnloaded) {
    const LoadCase& loadCase = GetParam();
    KvImage image;
    ASSERT_TRUE(sources.LoadInto(image, loadCase.load, loadCase.shared));
    ExpectLoaded(image, loadCase.shared, Sources::Width(loadCase.load),
                 Sources::Height(loadCase.load), Sources::Tint(loadCase.load));
    const std::uint32_t id = image.StoreId();
    EXPECT_EQ(RefCountOf(id), loadCase.shared ? 1 : 0);
    image.Unload();
    ExpectEmpty(image);
    EXPECT_EQ(ImageStore::FindEntry(id), nullptr);
}

TEST_P(KvImageLoad, CopiedByLoadFromImageInBothModes) {
    const LoadCase& loadCase = GetParam();
    KvImage original;
    ASSERT_TRUE(sources.LoadInto(original, loadCase.load, loadCase.shared));
    for (bool shared : {true, false}) {
        KvImage copy;
        ASSERT_TRUE(copy.LoadFromImage(original, shared));
        ExpectLoaded(copy, shared, Sources::Width(loadCase.load), Sources::Height(loadCase.load),
                     Sources::Tint(loadCase.load));
        if (shared && loadCase.shared) {
            EXPECT_EQ(copy.StoreId(), original.StoreId());
            EXPECT_EQ(RefCountOf(original.StoreId()), 2);
        }
        if (!shared) {
            EXPECT_NE(copy.Bitmap(), original.Bitmap());
        }
        // A private copy of a resource image comes from its memory copy.
        if (!shared && loadCase.load == Load::Resource) {
            EXPECT_TRUE(copy.Source().memory);
            EXPECT_EQ(copy.Source().module, nullptr);
            EXPECT_EQ(copy.Source().resourceType, nullptr);
            EXPECT_EQ(copy.Source().resourceName, nullptr);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(KvImage, KvImageLoad, testing::ValuesIn(kAllLoads),
                         testing::PrintToStringParamName());

TEST(KvImage, LoadingItselfEmptiesItAndFails) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(kWidth, kHeight, kTint);
    for (bool shared : {true, false}) {
        KvImage image;
        ASSERT_TRUE(image.LoadFromMemory(bytes.data(), bytes.size(), shared));
        const std::uint32_t id = image.StoreId();
        EXPECT_FALSE(image.LoadFromImage(image, shared));
        ExpectEmpty(image);
        EXPECT_EQ(ImageStore::FindEntry(id), nullptr);

        ASSERT_TRUE(image.LoadFromMemory(bytes.data(), bytes.size(), !shared));
        EXPECT_FALSE(image.LoadFromBitmap(image.Bitmap(), shared));
        ExpectEmpty(image);
    }
}

TEST(KvImage, LoadingTheBitmapItSharesWithAnotherImageSucceeds) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(kWidth, kHeight, kTint);
    KvImage other;
    ASSERT_TRUE(other.LoadFromMemory(bytes.data(), bytes.size(), true));
    KvImage image;
    ASSERT_TRUE(image.LoadFromImage(other, true));
    EXPECT_TRUE(image.LoadFromBitmap(image.Bitmap(), false));
    ExpectLoaded(image, false, kWidth, kHeight, kTint);
    EXPECT_EQ(RefCountOf(other.StoreId()), 1);
}

TEST(KvImage, AFailedLoadLeavesTheImageEmpty) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(kWidth, kHeight, kTint);
    const std::string text = "not a picture";
    const KvImage empty;
    const std::function<bool(KvImage&, bool)> failingLoads[] = {
        [](KvImage& image, bool shared) { return image.LoadFromFile(WideString(), shared); },
        [&](KvImage& image, bool shared) {
            return image.LoadFromMemory(nullptr, bytes.size(), shared);
        },
        [&](KvImage& image, bool shared) {
            return image.LoadFromMemory(text.data(), text.size(), shared);
        },
        [](KvImage& image, bool shared) {
            return image.LoadFromResource(GetModuleHandleW(nullptr), kBin, MAKEINTRESOURCEW(999),
                                          shared);
        },
        [](KvImage& image, bool shared) { return image.LoadFromBitmap(nullptr, shared); },
        [&](KvImage& image, bool shared) { return image.LoadFromImage(empty, shared); },
        [&](KvImage& image, bool shared) {
            return image.LoadFromImageRect(empty, {0, 0, 1, 1}, shared);
        },
    };
    for (bool shared : {true, false}) {
        for (const auto& load : failingLoads) {
            KvImage image;
            ASSERT_TRUE(image.LoadFromMemory(bytes.data(), bytes.size(), shared));
            const std::uint32_t id = image.StoreId();
            EXPECT_FALSE(load(image, shared));
            ExpectEmpty(image);
            EXPECT_EQ(ImageStore::FindEntry(id), nullptr);
        }
    }
}

// The other image is 6 x 4 and already stands for part (1, 1)-(5, 4) of that, so W = 4, H = 3.
TEST(KvImage, LoadFromImageRectAcceptsOnlyRectanglesInsideTheOthersRect) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(kWidth, kHeight, kTint);
    KvImage whole;
    ASSERT_TRUE(whole.LoadFromMemory(bytes.data(), bytes.size(), true));
    KvImage other;
    ASSERT_TRUE(other.LoadFromImageRect(whole, {1, 1, 5, 4}, true));
    ASSERT_TRUE(other.Rect() == RECT({1, 1, 5, 4}));
    const struct {
        const char* name;
        RECT subRect;
        bool accepted;
    } cases[] = {
        {"whole", {0, 0, 4, 3}, true},          {"one pixel", {3, 2, 4, 3}, true},
        {"inside", {1, 1, 3, 2}, true},         {"one too wide", {0, 0, 5, 3}, false},
        {"one too high", {0, 0, 4, 4}, false},  {"negative left", {-1, 0, 2, 2}, false},
        {"negative top", {0, -1, 2, 2}, false}, {"no width", {2, 0, 2, 2}, false},
        {"no height", {0, 2, 2, 2}, false},     {"inverted", {3, 2, 1, 1}, false},
    };
    for (const auto& subRectCase : cases) {
        for (bool shared : {true, false}) {
            SCOPED_TRACE(testing::Message() << subRectCase.name << (shared ? ", shared" : ""));
            KvImage image;
            EXPECT_EQ(image.LoadFromImageRect(other, subRectCase.subRect, shared),
                      subRectCase.accepted);
            if (subRectCase.accepted) {
                const RECT& sub = subRectCase.subRect;
                EXPECT_TRUE(image.Rect() ==
                            RECT({1 + sub.left, 1 + sub.top, 1 + sub.right, 1 + sub.bottom}));
                EXPECT_EQ(ReadPixels(image.Bitmap()), PicturePixels(kWidth, kHeight, kTint));
            } else {
                ExpectEmpty(image);
            }
        }
    }
}

TEST(KvImage, ACopyStandsForTheWholeBitmapNotForTheOthersRect) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(kWidth, kHeight, kTint);
    KvImage whole;
    ASSERT_TRUE(whole.LoadFromMemory(bytes.data(), bytes.size(), false));
    KvImage part;
    ASSERT_TRUE(part.LoadFromImageRect(whole, {2, 1, 4, 3}, false));
    KvImage copy;
    ASSERT_TRUE(copy.LoadFromImage(part, false));
    EXPECT_TRUE(copy.Rect() == RECT({0, 0, kWidth, kHeight}));
}

TEST(KvJigsawImage, EveryLoadResetsTheMarginsWhetherOrNotItSucceeds) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(kWidth, kHeight, kTint);
    KvJigsawImage image;
    EXPECT_TRUE(image.margins == RECT({0, 0, 0, 0}));
    for (bool shared : {true, false}) {
        SetRect(&image.margins, 1, 2, 3, 4);
        EXPECT_TRUE(image.LoadFromMemory(bytes.data(), bytes.size(), shared));
        EXPECT_TRUE(image.margins == RECT({0, 0, 0, 0}));
        SetRect(&image.margins, 1, 2, 3, 4);
        EXPECT_FALSE(image.LoadFromMemory(bytes.data(), 10, shared));
        EXPECT_TRUE(image.margins == RECT({0, 0, 0, 0}));
        SetRect(&image.margins, 1, 2, 3, 4);
        EXPECT_FALSE(image.LoadFromImageRect(image, {0, 0, 1, 1}, shared));
        EXPECT_TRUE(image.margins == RECT({0, 0, 0, 0}));
        ExpectEmpty(image);
    }
}

TEST(KvJigsawImage, UnloadOfANeverLoadedImageLeavesItEmptyWithZeroMargins) {
    const std::size_t entriesBefore = ImageStore::EntryCount();
    KvJigsawImage image;
    SetRect(&image.margins, 7, 7, 7, 7);
    image.Unload();
    ExpectEmpty(image);
    EXPECT_TRUE(image.margins == RECT({0, 0, 0, 0}));
    EXPECT_EQ(ImageStore::EntryCount(), entriesBefore);
}

}  // namespace
