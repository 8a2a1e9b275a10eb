#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <SystemApiStandIn.h>
#include <TandemUtilStandIn.h>
#include <UIlib.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

namespace testsupport {
namespace {

// Back to what a process starts with, for the stand-ins a test may have changed.
void ResetStandIns() {
    duistandin::DiscardPending();
    duistandin::SetScale(100);
    duistandin::SetLocale("en");
    duistandin::SetDirection(0);
    win32standin::SetDesktop({});
    win32standin::SetWorkAreaFailure(false);
    win32standin::ClearShellOpenedFiles();
    tandemstandin::ResetAll();
    utilstandin::ResetAll();
    systemapistandin::ResetAll();
}

}  // namespace

std::wstring ResourceFolder() {
    return L"" SWIFTSEND_RES_DIR;
}

std::string EnglishStrings() {
    return SWIFTSEND_RES_DIR "/strings/en.strings";
}

void UseLanguage(const std::string& locale) {
    const std::string table = SWIFTSEND_RES_DIR "/strings/" + locale + ".strings";
    duistandin::SetLocale(locale);
    ASSERT_TRUE(duistandin::LoadCultureStrings(table));
    ASSERT_TRUE(tandemstandin::LoadStrings(table));
}

void UiTest::SetUp() {
    duistandin::SetMainThread();
    win32standin::UseMockClock();
    ResetStandIns();
    DuiLib::CPaintManagerUI::SetResourcePath(ResourceFolder().c_str());
    ASSERT_TRUE(duistandin::LoadCultureStrings(EnglishStrings()));
}

void UiTest::TearDown() {
    ResetStandIns();
    win32standin::UseRealClock();
}

size_t UiTest::RunUntilIdle() {
    return duistandin::RunUntilIdle();
}

void UiTest::Advance(uint64_t ms) {
    duistandin::AdvanceTime(ms);
}

}  // namespace testsupport
