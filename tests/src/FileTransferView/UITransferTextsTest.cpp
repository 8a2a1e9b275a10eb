// The dialog's number texts: sizes in the formatter's units with two decimals, percent clamped
// to 100, counts (0 included) through their string ids.
#include "UITransferTexts.h"

#include <DuiLibStandIn.h>
#include <TandemUtilStandIn.h>
#include <UIExUtils.h>
#include <UIlib.h>

#include <gtest/gtest.h>

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

TEST(UITransferTextsTest, PercentAndCounts) {
    tandemstandin::SetString(L"IDS_FILETRANSFER_PERCENT", L"{0}%");
    tandemstandin::SetString(L"IDS_FILETRANSFER_QUEUED_ITEM_COUNT", L"Waiting ({0})");
    duistandin::SetCultureString(L"IDS_FILETRANSFER_FILES_COUNT_DESC", L"%d files");
    struct Case {
        uint32_t percent;
        const wchar_t* text;
    } cases[] = {{0, L"0%"}, {40, L"40%"}, {100, L"100%"}, {250, L"100%"}};
    for (const auto& c : cases) {
        EXPECT_EQ(UITransferTexts::PercentText(c.percent), c.text) << c.percent;
    }
    EXPECT_EQ(UITransferTexts::QueuedCountText(0), L"Waiting (0)");
    EXPECT_EQ(UITransferTexts::FilesCountText(12), L"12 files");
}

}  // namespace
