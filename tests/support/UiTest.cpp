#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <SystemApiStandIn.h>
#include <TandemUtilStandIn.h>
#include <UIlib.h>

#ifdef _WIN32
#include <algorithm>
#include <chrono>
#else
#include <UtilStandIn.h>
#include <Win32StandIn.h>
#endif

namespace testsupport {
namespace {

// Back to what a process starts with, for the stand-ins a test may have changed. On Windows
// only the host's own components are stand-ins.
void ResetStandIns() {
    duistandin::DiscardPending();
    duistandin::SetScale(100);
    duistandin::SetLocale("en");
    duistandin::SetDirection(0);
    tandemstandin::ResetAll();
    systemapistandin::ResetAll();
#ifndef _WIN32
    win32standin::SetDesktop({});
    win32standin::SetWorkAreaFailure(false);
    win32standin::ClearShellOpenedFiles();
    utilstandin::ResetAll();
#endif
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
#ifndef _WIN32
    win32standin::UseMockClock();
#endif
    ResetStandIns();
    DuiLib::CPaintManagerUI::SetResourcePath(ResourceFolder().c_str());
    ASSERT_TRUE(duistandin::LoadCultureStrings(EnglishStrings()));
}

void UiTest::TearDown() {
    ResetStandIns();
#ifndef _WIN32
    win32standin::UseRealClock();
#endif
}

size_t UiTest::RunUntilIdle() {
    return duistandin::RunUntilIdle();
}

bool UiTest::LetTimePass(uint64_t ms, const std::function<bool()>& done) {
#ifdef _WIN32
    return duistandin::RunUntil(done, std::chrono::milliseconds(std::max<uint64_t>(3 * ms, 2000)));
#else
    duistandin::AdvanceTime(ms);
    return done();
#endif
}

}  // namespace testsupport
