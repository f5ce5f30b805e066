#include <cstring>
#include <cwchar>
#include <utility>

#include <gtest/gtest.h>

#include "WideString.h"
#include "WideStringPrinter.h"

namespace {

TEST(WideStringText, TakesTextUpToFirstNulAndNothingFromANullPointer) {
    const wchar_t text[] = L"ab\0cd";
    EXPECT_EQ(WideString(text).Length(), 2u);
    EXPECT_EQ(WideString(text), L"ab");
    WideString assigned(L"old");
    assigned = text;
    EXPECT_EQ(assigned, L"ab");

    const wchar_t* none = nullptr;
    EXPECT_TRUE(WideString(none).IsEmpty());
    assigned.Assign(none);
    EXPECT_TRUE(assigned.IsEmpty());
    assigned.Append(L"new").Append(none);
    EXPECT_EQ(assigned, L"new");
}

TEST(WideStringText, AssignsSubstrings) {
    struct Case {
        std::size_t position;
        std::size_t count;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {0, 3, L"abc"}, {2, 3, L"cde"}, {4, 100, L"ef"}, {0, std::wstring::npos, L"abcdef"},
        {5, 1, L"f"},   {6, 1, L""},    {99, 1, L""},    {3, 0, L""},
    };
    const WideString source(L"abcdef");
    for (const Case& c : cases) {
        WideString target(L"previous");
        target.Assign(source, c.position, c.count);
        EXPECT_EQ(target, WideString(c.expected))
            << "position " << c.position << ", count " << c.count;
    }
}

TEST(WideStringText, AppendsAndConcatenates) {
    WideString text(L"方块");
    text += L" ";
    text += WideString(L"游戏");
    EXPECT_EQ(text, L"方块 游戏");
    EXPECT_EQ(text.Length(), 5u);
    EXPECT_EQ(WideString(L"ab") + WideString(L"cd"), L"abcd");

    text.Clear();
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(std::wcslen(text.c_str()), 0u);
}

TEST(WideStringText, ComparesByContent) {
    struct Case {
        const wchar_t* left;
        const wchar_t* right;
        int order;  // sign of left compared with right
    };
    const Case cases[] = {
        {L"", L"", 0},    {L"a", L"a", 0}, {L"a", L"b", -1},
        {L"ab", L"a", 1}, {L"", L"a", -1}, {L"方", L"a", 1},
    };
    for (const Case& c : cases) {
        const WideString left(c.left);
        const WideString right(c.right);
        SCOPED_TRACE(testing::PrintToString(left) + " vs " + testing::PrintToString(right));
        EXPECT_EQ(left == right, c.order == 0);
        EXPECT_EQ(left != right, c.order != 0);
        EXPECT_EQ(left < right, c.order < 0);
        EXPECT_EQ(left > right, c.order > 0);
        EXPECT_EQ(left <= right, c.order <= 0);
        EXPECT_EQ(left >= right, c.order >= 0);
    }
}

TEST(WideStringBuffer, CommitTakesTheFilledTextOverAndOnlyThenMayAnotherArrayBeAcquired) {
    WideString text(L"old");
    wchar_t* buffer = text.AcquireBuffer(16);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer[0], L'\0');
    EXPECT_EQ(text.AcquireBuffer(8), nullptr);
    std::wcscpy(buffer, L"filled");
    // Until it is committed, the array is not the content.
    EXPECT_EQ(text, L"old");

    text.CommitBuffer();
    EXPECT_EQ(text, L"filled");
    EXPECT_FALSE(text.HasOutstandingBuffer());
    EXPECT_NE(text.AcquireBuffer(8), nullptr);
    text.CommitBuffer();
}

TEST(WideStringBuffer, CommitTakesTheArrayUpToItsNulButNeverItsLastCharacter) {
    WideString text(L"old");
    ASSERT_NE(text.AcquireBuffer(8), nullptr);
    text.CommitBuffer();
    EXPECT_TRUE(text.IsEmpty()) << "an untouched array is empty";

    wchar_t* buffer = text.AcquireBuffer(4);
    ASSERT_NE(buffer, nullptr);
    std::wmemcpy(buffer, L"abcd", 4);
    text.CommitBuffer();
    EXPECT_EQ(text, L"abc");

    // With no array outstanding there is nothing to commit.
    text.CommitBuffer();
    EXPECT_EQ(text, L"abc");
}

TEST(WideStringBuffer, CapacityLimits) {
    struct Case {
        std::uint32_t capacity;
        bool granted;
    };
    const Case cases[] = {
        {0, false},
        {1, true},
        {WideString::MaxBufferLength, true},
        {WideString::MaxBufferLength + 1, false},
        {0xFFFFFFFFu, false},
    };
    for (const Case& c : cases) {
        WideString text(L"old");
        wchar_t* buffer = text.AcquireBuffer(c.capacity);
        EXPECT_EQ(buffer != nullptr, c.granted) << "capacity " << c.capacity;
        EXPECT_EQ(text.HasOutstandingBuffer(), c.granted) << "capacity " << c.capacity;
        if (buffer != nullptr) {
            buffer[c.capacity - 1] = L'x';
        }
        text.CommitBuffer();
        // A refused request leaves nothing to commit, so the text stays.
        EXPECT_EQ(text, WideString(c.granted ? L"" : L"old")) << "capacity " << c.capacity;
    }
}

TEST(WideStringCopy, CopyHasNoOutstandingArray) {
    WideString source(L"text");
    wchar_t* buffer = source.AcquireBuffer(8);
    ASSERT_NE(buffer, nullptr);

    WideString copy(source);
    EXPECT_EQ(copy, L"text");
    EXPECT_FALSE(copy.HasOutstandingBuffer());
    copy.CommitBuffer();
    EXPECT_EQ(copy, L"text");

    // The source's array is still its own and still writable.
    std::wcscpy(buffer, L"later");
    source.CommitBuffer();
    EXPECT_EQ(source, L"later");
}

TEST(WideStringCopy, AssignmentKeepsTargetsOwnArray) {
    WideString source(L"source");
    ASSERT_NE(source.AcquireBuffer(8), nullptr);
    WideString target(L"target");
    wchar_t* targetBuffer = target.AcquireBuffer(8);
    ASSERT_NE(targetBuffer, nullptr);
    std::wcscpy(targetBuffer, L"mine");

    target = source;
    EXPECT_EQ(target, L"source");
    target.CommitBuffer();
    EXPECT_EQ(target, L"mine");
}

TEST(WideStringCopy, MoveTakesTextButNotArrays) {
    WideString source(L"moved");
    wchar_t* sourceBuffer = source.AcquireBuffer(8);
    ASSERT_NE(sourceBuffer, nullptr);
    WideString target(L"target");
    wchar_t* targetBuffer = target.AcquireBuffer(8);
    ASSERT_NE(targetBuffer, nullptr);
    std::wcscpy(targetBuffer, L"mine");

    target = std::move(source);
    EXPECT_EQ(target, L"moved");
    target.CommitBuffer();
    EXPECT_EQ(target, L"mine");

    WideString constructed(std::move(target));
    EXPECT_EQ(constructed, L"mine");
    EXPECT_FALSE(constructed.HasOutstandingBuffer());

    std::wcscpy(sourceBuffer, L"source");
    source.CommitBuffer();
    EXPECT_EQ(source, L"source");
}

}  // namespace
