#include "TempPath.h"

#include <gtest/gtest.h>
#include <TandemUtil.h>
#include <TandemUtilStandIn.h>
#include <UIExUtils.h>
#include <UIStringLocale.h>

#include <cstdio>
#include <fstream>

namespace {

class TextsTest : public ::testing::Test {
protected:
    void SetUp() override { tandemstandin::ResetAll(); }
    void TearDown() override {
        tandemstandin::ResetAll();
        std::remove(path_.c_str());
    }

    std::string WriteTable(const std::string& content) {
        path_ = testsupport::TempPath("strings_test.strings");
        std::ofstream(path_, std::ios::binary) << content;
        return path_;
    }

    std::string path_;
};

TEST_F(TextsTest, LoadedTableFillsThePlaceholder) {
    ASSERT_TRUE(tandemstandin::LoadStringTable(
        WriteTable("\xEF\xBB\xBF# comment = not an id\n"
                   "IDS_PLAIN = Sent\n"
                   "  IDS_ARG   =   {0} declined the files  \n"
                   "IDS_TWICE = {0} and {0}\n"
                   "IDS_SPACED = \" KB\"\n"
                   "IDS_ESCAPED = one\\ntwo \\\\ three\n"
                   "IDS_WIDE = Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80 {0}\n"
                   "line without an equals sign\n"
                   "IDS_PLAIN = Sent again\n")));

    using UIEx::UIStringLocale;
    EXPECT_EQ(L"Sent again", UIStringLocale::GetString(L"IDS_PLAIN"));
    EXPECT_EQ(L"Sent again", UIStringLocale::GetString(L"IDS_PLAIN", 1, L"Pad"));
    EXPECT_EQ(L"Pad declined the files", UIStringLocale::GetString(L"IDS_ARG", 1, L"Pad"));
    EXPECT_EQ(L"{0} declined the files", UIStringLocale::GetString(L"IDS_ARG"));
    EXPECT_EQ(L"{0} and {0}", UIStringLocale::GetString(L"IDS_TWICE", 1, L"{0}"));
    EXPECT_EQ(L"A and A", UIStringLocale::GetString(L"IDS_TWICE", 1, L"A"));
    EXPECT_EQ(L" KB", UIStringLocale::GetString(L"IDS_SPACED"));
    EXPECT_EQ(L"one\ntwo \\ three", UIStringLocale::GetString(L"IDS_ESCAPED"));
    EXPECT_EQ(L"Gr\u00FC\u00DF \U0001F600 Pad", UIStringLocale::GetString(L"IDS_WIDE", 1, L"Pad"));
    EXPECT_EQ(L"", UIStringLocale::GetString(L"IDS_UNKNOWN", 1, L"Pad"));
    EXPECT_EQ(L"", UIStringLocale::GetString(L"# comment"));

    EXPECT_FALSE(tandemstandin::LoadStringTable(::testing::TempDir() + "no/such.strings"));
    EXPECT_EQ(L"", UIStringLocale::GetString(L"IDS_PLAIN"));
}

// The table the build places beside the executables.
TEST_F(TextsTest, ShippedTableIsFoundBesideTheExecutable) {
    using UIEx::UIStringLocale;
    EXPECT_EQ(L"Send files", UIStringLocale::GetString(L"IDS_FILETRANSFER_DIALOG_TITLE"));
    for (const wchar_t* id :
         {L"IDS_FILETRANSFER_STATE_STRING_TIMEOUT", L"IDS_FILETRANSFER_FIXED_ITEM_NOSPACE",
          L"IDS_FILETRANSFER_FIXED_ITEM_SENDTO", L"IDS_FILETRANSFER_FIXED_ITEM_STANDBY",
          L"IDS_FILETRANSFER_FIXED_ITEM_QUEUE", L"IDS_FILETRANSFER_FIXED_ITEM_CANCELLED",
          L"IDS_FILETRANSFER_FIXED_ITEM_REJECTED", L"IDS_FILETRANSFER_STATE_STRING_BUSY",
          L"IDS_FILETRANSFER_STATE_STRING_CHANNELBUSY"}) {
        SCOPED_TRACE(id);
        EXPECT_NE(std::wstring::npos, UIStringLocale::GetString(id, 1, L"Pad").find(L"Pad"));
    }
    EXPECT_EQ(L"42%", UIStringLocale::GetString(L"IDS_FILETRANSFER_PERCENT", 1, L"42"));
    EXPECT_NE(
        std::wstring::npos,
        UIStringLocale::GetString(L"IDS_BEAMLY_TIP_NOT_SUPPORT_FILE_TEXT").find(L"Velmora Share"));

    tandemstandin::SetString(L"IDS_FILETRANSFER_DIALOG_TITLE", L"Changed");
    EXPECT_EQ(L"Changed", UIStringLocale::GetString(L"IDS_FILETRANSFER_DIALOG_TITLE"));
    EXPECT_EQ(L"Sent", UIStringLocale::GetString(L"IDS_FILETRANSFER_FIXED_ITEM_OK"));
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
    EXPECT_EQ(L"0 B/s", TandemUtilClass::FormatTransferSpeed(0));
    EXPECT_EQ(L"1023 B/s", TandemUtilClass::FormatTransferSpeed(1023));
    EXPECT_EQ(L"2 KB/s", TandemUtilClass::FormatTransferSpeed(2048));
    EXPECT_EQ(L"1.5 MB/s", TandemUtilClass::FormatTransferSpeed(1536 * 1024));
    EXPECT_EQ(L"4 GB/s", TandemUtilClass::FormatTransferSpeed(0xFFFFFFFFu));

    EXPECT_EQ(L"Calculating\u2026", TandemUtilClass::FormatTransferLeftTime(-1));
    EXPECT_EQ(L"Less than a minute left", TandemUtilClass::FormatTransferLeftTime(0));
    EXPECT_EQ(L"Less than a minute left", TandemUtilClass::FormatTransferLeftTime(59));
    EXPECT_EQ(L"About 1 min left", TandemUtilClass::FormatTransferLeftTime(60));
    EXPECT_EQ(L"About 2 min left", TandemUtilClass::FormatTransferLeftTime(90));
    EXPECT_EQ(L"About 59 min left", TandemUtilClass::FormatTransferLeftTime(3569));
    EXPECT_EQ(L"About 1 h left", TandemUtilClass::FormatTransferLeftTime(3570));
    EXPECT_EQ(L"About 1.5 h left", TandemUtilClass::FormatTransferLeftTime(5400));

    // The words come from the table when it has them.
    tandemstandin::SetString(L"IDS_FILETRANSFER_TIME_LEFT_MINUTES", L"noch {0} Min.");
    EXPECT_EQ(L"noch 2 Min.", TandemUtilClass::FormatTransferLeftTime(120));
}

}  // namespace
