// The program-wide logger: wide text reaches records as UTF-8 whatever the width of wchar_t,
// and the configuration file is found in a folder with a non-ASCII name.
#include "LogCapture.h"
#include "TempPath.h"

#include <SDK/Util/LogTool/LogTool.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(LogToolTest, WideTextIsLoggedAsUtf8) {
    const struct Case {
        std::wstring wide;
        std::string utf8;
    } cases[] = {
        {L"plain", "plain"},
        {L"Gr\u00FC\u00DFe",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {L"\u6587\u4EF6.txt", "\xE6\x96\x87\xE4\xBB\xB6.txt"},
        {L"smile \U0001F600", "smile \xF0\x9F\x98\x80"},
        {L"", ""},
    };
    testsupport::LogCapture capture;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(LogTool::Narrow(c.wide), c.utf8);
        LOG_WARN_FN("Test", "name " << LogTool::Narrow(c.wide));
        EXPECT_TRUE(capture.Contains("name " + c.utf8 + "(Test)"));
    }
}

TEST(LogToolTest, ReadsItsConfigurationFromAFolderWithANonAsciiName) {
    const std::string folder = testsupport::TempPath(
        "\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB-\xE6\x97\xA5\xE5\xBF\x97");
    const std::filesystem::path fsFolder = std::filesystem::u8path(folder);
    std::filesystem::create_directories(fsFolder);
    const std::string file = folder + "/swiftsend.log.properties";
    std::ofstream(std::filesystem::u8path(file)) << "log4cplus.logger.SwiftSend=ERROR\n";

    EXPECT_FALSE(LogTool::Configure(folder + "/missing.properties"));
    ASSERT_TRUE(LogTool::Configure(file));
    EXPECT_EQ(LogTool::GetLogger().getLogLevel(), log4cplus::ERROR_LOG_LEVEL);

    LogTool::GetLogger().setLogLevel(log4cplus::WARN_LOG_LEVEL);
    std::error_code ignored;
    std::filesystem::remove_all(fsFolder, ignored);
}

}  // namespace
