// Texts of the utility library: the placeholder, size units, speed and time left; and its message
// boxes.
#include "CountingAction.h"

#include <gtest/gtest.h>
#include <TandemMessageBox.h>
#include <TandemUtil.h>
#include <TandemUtilStandIn.h>
#include <UIExUtils.h>
#include <UIStringLocale.h>

namespace {

class TextsTest : public ::testing::Test {
protected:
    void SetUp() override { tandemstandin::ResetAll(); }
    void TearDown() override { tandemstandin::ResetAll(); }
};

TEST_F(TextsTest, PlaceholderIsFilledWhereverItStands) {
    struct Case {
        const wchar_t* text;
        int count;
        const wchar_t* arg;
        const wchar_t* expected;
    } cases[] = {
        {L"Sent", 1, L"Pad", L"Sent"},
        {L"{0} declined the files", 1, L"Pad", L"Pad declined the files"},
        {L"{0} declined the files", 0, L"Pad", L"{0} declined the files"},
        {L"{0} and {0}", 1, L"A", L"A and A"},
        {L"{0} and {0}", 1, L"{0}", L"{0} and {0}"},
    };
    for (const Case& c : cases) {
        tandemstandin::SetString(L"IDS_T_CASE", c.text);
        EXPECT_EQ(c.expected, UIEx::UIStringLocale::GetString(L"IDS_T_CASE", c.count, c.arg))
            << c.text;
    }
    EXPECT_EQ(L"", UIEx::UIStringLocale::GetString(L"IDS_T_UNKNOWN", 1, L"Pad"));
}

TEST_F(TextsTest, SizeUnitsChangeAt1024) {
    UIEx::Utils::SetSizeUnitString(L"b", L"k", L"m", L"g");
    struct Case {
        uint64_t size;
        double divisor;
        const wchar_t* unit;
    } cases[] = {
        {0, 1.0, L"b"},
        {1023, 1.0, L"b"},
        {1024, 1024.0, L"k"},
        {1024 * 1024 - 1, 1024.0, L"k"},
        {1024 * 1024, 1024.0 * 1024, L"m"},
        {1024ull * 1024 * 1024, 1024.0 * 1024 * 1024, L"g"},
        {1ull << 50, 1024.0 * 1024 * 1024, L"g"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        double divisor = 0;
        std::wstring unit;
        UIEx::Utils::UnifySizeUnit(c.size, divisor, unit, nullptr);
        EXPECT_EQ(c.divisor, divisor);
        EXPECT_EQ(c.unit, unit);
    }
}

TEST_F(TextsTest, SpeedAndTimeLeftTexts) {
    struct Speed {
        uint32_t bytesPerSecond;
        const wchar_t* text;
    } speeds[] = {{0, L"0 B/s"},
                  {1023, L"1023 B/s"},
                  {2048, L"2 KB/s"},
                  {1536 * 1024, L"1.5 MB/s"},
                  {0xFFFFFFFFu, L"4 GB/s"}};
    for (const Speed& c : speeds) {
        EXPECT_EQ(c.text, TandemUtilClass::FormatTransferSpeed(c.bytesPerSecond));
    }
    struct Left {
        int32_t seconds;
        const wchar_t* text;
    } left[] = {{-1, L"Calculating\u2026"},       {0, L"Less than a minute left"},
                {59, L"Less than a minute left"}, {60, L"About 1 min left"},
                {90, L"About 2 min left"},        {3569, L"About 59 min left"},
                {3570, L"About 1 h left"},        {5400, L"About 1.5 h left"}};
    for (const Left& c : left) {
        EXPECT_EQ(c.text, TandemUtilClass::FormatTransferLeftTime(c.seconds)) << c.seconds;
    }
    // The words come from the table when it has them.
    tandemstandin::SetString(L"IDS_FILETRANSFER_TIME_LEFT_MINUTES", L"noch {0} Min.");
    EXPECT_EQ(L"noch 2 Min.", TandemUtilClass::FormatTransferLeftTime(120));
}

// What a box records is read by the receive view's and the model's tests; here the demo host's
// observer, and the actions' lifetime.
TEST(MessageBoxTest, ObserverSeesEveryBoxAnActionRunsOnceAndClearingDeletesTheRest) {
    tandemstandin::ResetAll();
    std::vector<std::wstring> observed;
    tandemstandin::SetMessageBoxObserver(
        [&](const tandemstandin::ShownMessageBox& box) { observed.push_back(box.text); });

    testsupport::ActionCounts counts;
    tandem::ShowMessageBox(L"Restart Wi-Fi?", new testsupport::CountingAction(counts),
                           "PCRESTART_MSG", 10, 1);
    tandem::ShowMessageBox(L"Too large", nullptr, "SENDFILE_MSG", 10, 0);
    EXPECT_EQ((std::vector<std::wstring>{L"Restart Wi-Fi?", L"Too large"}), observed);

    tandemstandin::ConfirmMessageBox(0);
    tandemstandin::ConfirmMessageBox(0);
    tandemstandin::ConfirmMessageBox(1);
    tandemstandin::ConfirmMessageBox(7);
    EXPECT_EQ(1, counts.confirmed);
    EXPECT_EQ(1, counts.deleted);

    // Clearing deletes the actions that never ran.
    tandem::ShowMessageBox(L"a", new testsupport::CountingAction(counts), "BTEXCEPTION_MSG", 10, 1);
    tandemstandin::ClearMessageBoxes();
    EXPECT_TRUE(tandemstandin::ShownMessageBoxes().empty());
    EXPECT_EQ(2, counts.deleted);
    EXPECT_EQ(1, counts.confirmed);
    tandemstandin::ResetAll();
}

}  // namespace
