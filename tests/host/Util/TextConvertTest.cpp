// UTF-8 conversion of the utility library, for 16-bit (Windows) and 32-bit (Linux) wchar_t.
#include <Registry.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextConvertTest, ConvertsAcrossThePlanesAndRefusesMalformedText) {
    const struct Case {
        std::wstring wide;
        std::string utf8;
        bool both;  // false: only the wide text converts to the UTF-8 one
    } cases[] = {
        {L"plain", "plain", true},
        {L"Gr\u00FC\u00DFe",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         true},
        {L"\u6587\u4EF6.txt", "\xE6\x96\x87\xE4\xBB\xB6.txt", true},
        {L"smile \U0001F600", "smile \xF0\x9F\x98\x80", true},
        {L"", "", true},
        // A surrogate pair copied unit by unit is one character; lone, reversed or (with 32-bit
        // wchar_t) too large units are no text.
        {{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}, "\xF0\x9F\x98\x80", false},
        {{L'a', static_cast<wchar_t>(0xD83D), L'b'}, "", false},
        {{static_cast<wchar_t>(0xDE00), static_cast<wchar_t>(0xD83D)}, "", false},
        {{static_cast<wchar_t>(sizeof(wchar_t) > 2 ? 0x110000 : 0xDC00)}, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(DE::UnicodeToUTF8(c.wide), c.utf8);
        if (c.both) {
            EXPECT_EQ(DE::UTF8ToUnicode(c.utf8), c.wide);
        }
    }
    for (const char* bad :
         {"\xC3", "ok\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(DE::UTF8ToUnicode(bad), L"");
    }
}

}  // namespace
