// The dialog's size texts: the formatter's units with two decimals, unit texts from the string
// table. (The percent and count texts are checked where the dialog shows them.)
#include "UITransferTexts.h"

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

}  // namespace
