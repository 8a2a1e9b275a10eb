// The dialog's size texts: the formatter's units with two decimals, unit texts from the string
// table; counts in the plural forms of each shipped language, and the shipped tables complete.
#include "UITransferTexts.h"
#include "UiTest.h"

#include <TandemUtilStandIn.h>
#include <UIExUtils.h>
#include <UIlib.h>

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

TEST(UITransferTextsTest, SizesTakeTheUnitTextsOfTheStringTable) {
    tandemstandin::SetString(L"IDS_FILETRANSFER_UNIT_BYTE", L"b");
    tandemstandin::SetString(L"IDS_FILETRANSFER_UNIT_KBYTE", L" kB");
    tandemstandin::SetString(L"IDS_FILETRANSFER_UNIT_MBYTE", L" MB");
    tandemstandin::SetString(L"IDS_FILETRANSFER_UNIT_GBYTE", L" GB");
    UITransferTexts::SetSizeUnitTexts();
    struct Case {
        uint64_t bytes;
        const wchar_t* text;
    } cases[] = {{0, L"0.00b"},
                 {512, L"512.00b"},
                 {1536, L"1.50 kB"},
                 {1048575, L"1024.00 kB"},  // printf rounding, the unit stays the formatter's
                 {5 * 1048576ull + 5000, L"5.00 MB"},
                 {3ull << 40, L"3072.00 GB"}};
    for (const auto& c : cases) {
        EXPECT_EQ(UITransferTexts::SizeText(c.bytes), c.text) << c.bytes;
    }
}

class UITransferTextsLanguageTest : public testsupport::UiTest {};

// "1 file", "2 files" and the forms of languages with other rules; a form may say its number in
// words, and the receive header keeps its "{0}" for the sender's name.
TEST_F(UITransferTextsLanguageTest, CountsTakeTheLanguagesPluralForm) {
    struct Case {
        const char* locale;
        int count;
        const wchar_t* text;
    } cases[] = {
        {"en", 1, L"1 file"},   {"en", 0, L"0 files"},    {"en", 2, L"2 files"},
        {"pl", 1, L"1 plik"},   {"pl", 3, L"3 pliki"},    {"pl", 22, L"22 pliki"},
        {"pl", 5, L"5 plików"}, {"pl", 12, L"12 plików"}, {"ar", 0, L"0 ملف"},
        {"ar", 1, L"ملف واحد"}, {"ar", 2, L"ملفان"},      {"ar", 3, L"3 ملفات"},
        {"ar", 11, L"11 ملفًا"}, {"ar", 100, L"100 ملف"},
    };
    for (const auto& c : cases) {
        testsupport::UseLanguage(c.locale);
        EXPECT_EQ(UITransferTexts::FilesCountText(c.count), c.text) << c.locale << c.count;
    }
    EXPECT_EQ(DuiLib::UICulture::GetInstance()
                  ->GetMultiVarStr(L"IDS_FILERECEIVE_DIALOG_SENDING_FILE_TXT", {L"2"}, 1)
                  .str(),
              L"يريد {0} أن يرسل إليك ملفين");
}

// Every shipped table has a text for every id of the English one; an id with plural forms has
// at least its "other" form.
TEST(UITransferTextsTables, EveryTableHasEveryEnglishId) {
    const auto ids = [](const std::string& locale) {
        std::map<std::wstring, std::wstring> table;
        EXPECT_TRUE(duistandin::ReadStringTable(
            std::string(SWIFTSEND_RES_DIR) + "/strings/" + locale + ".strings", table));
        std::set<std::wstring> found;
        for (const auto& [id, text] : table) {
            const size_t form = id.find(L'[');
            if (form == std::wstring::npos ||
                id.compare(form, std::wstring::npos, L"[other]") == 0) {
                found.insert(id.substr(0, form));
            }
        }
        return found;
    };
    const std::set<std::wstring> english = ids("en");
    for (const char* locale : {"pl", "ar"}) {
        EXPECT_EQ(ids(locale), english) << locale;
    }
}

}  // namespace
