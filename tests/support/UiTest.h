// The test environment of the windows and the parts that drive them: every stand-in at its
// start state, the test thread as the UI thread, the plug-in's resource folder and its English
// strings. Derive a fixture from UiTest and drive the loop with RunUntilIdle. On Linux time is
// mock time (duistandin::AdvanceTime); nothing waits in real time. On Windows the windows are
// real, the clock is real and a test waits, boundedly, with LetTimePass.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace DuiLib {
class CPaintManagerUI;
}

namespace testsupport {

// The window's picture as it is now. On Linux it matches the golden picture GOLDEN_DIR/NAME
// (GoldenImage.h). On Windows, where GDI+ draws text and edges its own way, the picture is made
// and not blank, and when GOLDEN_DIR/windows/NAME exists no more than 3 % of its pixels are far
// from that one's; SWIFTSEND_UPDATE_GOLDENS=1 writes it there.
::testing::AssertionResult PictureMatches(DuiLib::CPaintManagerUI* manager,
                                          const std::string& goldenDir, const std::string& name);

// The repository's res/ folder and its English string table.
std::wstring ResourceFolder();
std::string EnglishStrings();
// Switches both string tables and the culture (plural rules, direction) to LOCALE's ("pl").
void UseLanguage(const std::string& locale);

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the UI loop until nothing is pending; the number of tasks and messages run.
    static size_t RunUntilIdle();
    // Lets MS of time pass on the loop: on Linux exactly MS of mock time; on Windows, with the
    // real clock, until DONE holds (at most three times MS, at least two seconds, since real
    // timers run late on a busy machine). The result of DONE afterwards.
    static bool LetTimePass(uint64_t ms, const std::function<bool()>& done);
};

}  // namespace testsupport
