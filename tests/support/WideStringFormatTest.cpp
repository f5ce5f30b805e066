#include <string>

#include <gtest/gtest.h>

#include "WideString.h"
#include "WideStringPrinter.h"

namespace {

// Returns `length` characters that differ along the text, so a cut anywhere shows.
std::wstring Pattern(std::size_t length) {
    std::wstring text(length, L'0');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = static_cast<wchar_t>(L'0' + i % 10);
    }
    return text;
}

TEST(WideStringFormat, UnsignedConversions) {
    struct Case {
        const wchar_t* format;
        unsigned value;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"%u", 0u, L"0"},
        {L"%u", 4294967295u, L"4294967295"},
        {L"%04x", 0x1Bu, L"001b"},
        {L"%04x", 0xABCDu, L"abcd"},
        {L"%04x", 0x12345u, L"12345"},
        {L"%04x", 0u, L"0000"},
        {L"%X", 0u, L"0"},
        {L"%X", 0x1Fu, L"1F"},
        {L"%X", 0xDEADBEEFu, L"DEADBEEF"},
    };
    for (const Case& c : cases) {
        WideString text;
        text.Format(c.format, c.value);
        EXPECT_EQ(text, WideString(c.expected))
            << testing::PrintToString(std::wstring(c.format)) << " with " << c.value;
    }
}

TEST(WideStringFormat, PercentSTakesAWideString) {
    struct Case {
        const wchar_t* argument;
        const wchar_t* expected;
    };
    // Read as a narrow string, "abc" would stop after its first byte and Chinese text would
    // come out as other characters.
    const Case cases[] = {
        {L"abc", L"<abc>"},
        {L"游戏中", L"<游戏中>"},
        {L"", L"<>"},
    };
    for (const Case& c : cases) {
        WideString text;
        text.Format(L"<%s>", c.argument);
        EXPECT_EQ(text, WideString(c.expected));
    }
}

TEST(WideStringFormat, BuildsWindowTitleAndQueryPaths) {
    WideString title;
    title.Format(L"%s （%u.%u）:", L"方块拼图", 1u, 2u);
    EXPECT_EQ(title, L"方块拼图 （1.2）:");

    WideString prefix;
    prefix.Format(L"\\StringFileInfo\\%04x%04x\\", 0x0804u, 0x04B0u);
    EXPECT_EQ(prefix, L"\\StringFileInfo\\080404b0\\");
}

TEST(WideStringFormat, KeepsOutputOfEveryLengthUpToTheLimit) {
    // 255 fits the first, fixed-size attempt; 256 and beyond need the counted second one.
    const std::size_t lengths[] = {0, 1, 254, 255, 256, 257, 4096, WideString::MaxFormattedLength};
    for (std::size_t length : lengths) {
        const std::wstring expected = Pattern(length);
        WideString text(L"previous");
        text.Format(L"%s", expected.c_str());
        EXPECT_EQ(text.Length(), length);
        EXPECT_TRUE(text.Text() == expected) << "length " << length;
    }
}

TEST(WideStringFormat, OutputPastTheLimitGivesEmptyString) {
    const std::wstring tooLong = Pattern(WideString::MaxFormattedLength + 1);
    WideString text(L"previous");
    text.Format(L"%s", tooLong.c_str());
    EXPECT_TRUE(text.IsEmpty());

    text = L"previous";
    text.Format(L"%*s", WideString::MaxFormattedLength + 1, L"");
    EXPECT_TRUE(text.IsEmpty());

    text.Format(L"a%*s", WideString::MaxFormattedLength, L"");
    EXPECT_TRUE(text.IsEmpty());
}

TEST(WideStringFormat, FailedFormattingGivesEmptyString) {
    // Field widths the runtime cannot represent make it fail.
    const wchar_t* formats[] = {L"%2147483647d", L"%2147483646d", L"%.2147483647d"};
    for (const wchar_t* format : formats) {
        WideString text(L"previous");
        text.Format(format, 1);
        EXPECT_TRUE(text.IsEmpty()) << testing::PrintToString(std::wstring(format));
    }

    WideString text(L"previous");
    text.Format(nullptr);
    EXPECT_TRUE(text.IsEmpty());
}

TEST(WideStringFormat, StopsAtAFormattedNul) {
    WideString text;
    text.Format(L"ab%cde", 0);
    EXPECT_EQ(text, L"ab");
}

}  // namespace
