#include "Registry.h"

#include <gtest/gtest.h>

namespace {

TEST(TextConvertTest, RoundTripsAcrossThePlanes) {
    const std::wstring texts[] = {L"plain", L"Gr\u00FC\u00DFe", L"\u6587\u4EF6.txt",
                                  L"smile \U0001F600 end"};
    for (const std::wstring& text : texts) {
        EXPECT_EQ(text, DE::UTF8ToUnicode(DE::UnicodeToUTF8(text)));
    }
    EXPECT_EQ("\xF0\x9F\x98\x80", DE::UnicodeToUTF8(L"\U0001F600"));
    EXPECT_EQ(L"\U0001F600", DE::UTF8ToUnicode("\xF0\x9F\x98\x80"));
}

TEST(TextConvertTest, JoinsSurrogatePairsAndRefusesLoneOnes) {
    std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ("\xF0\x9F\x98\x80", DE::UnicodeToUTF8(pair));

    std::wstring lone = {L'a', static_cast<wchar_t>(0xD83D), L'b'};
    EXPECT_EQ("", DE::UnicodeToUTF8(lone));
    std::wstring reversed = {static_cast<wchar_t>(0xDE00), static_cast<wchar_t>(0xD83D)};
    EXPECT_EQ("", DE::UnicodeToUTF8(reversed));
    std::wstring tooLarge = {static_cast<wchar_t>(0x110000)};
    EXPECT_EQ("", DE::UnicodeToUTF8(tooLarge));
}

TEST(TextConvertTest, InvalidUtf8GivesEmptyText) {
    const char* bad[] = {"\xC3",         "ok\xFF",           "\xC0\xAF",
                         "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_EQ(L"", DE::UTF8ToUnicode(text));
    }
    EXPECT_EQ(L"", DE::UTF8ToUnicode(""));
    EXPECT_EQ("", DE::UnicodeToUTF8(L""));
}

}  // namespace
