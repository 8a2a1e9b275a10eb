#include "KxProcess.h"
#include "OrvSoftShelf.h"
#include "UtilStandIn.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessTest, RecordsStartedProgramsAndResetRestoresDefaults) {
    utilstandin::ResetAll();
    EXPECT_EQ(L"S-1-5-21-1000-1000-1000-1001", KXPROCESS::GetCurrentUserSidstr());

    EXPECT_TRUE(KXPROCESS::CreateProcessNormal(L"OpenDir.exe", L"-path C:\\x", nullptr, 1));
    EXPECT_TRUE(KXPROCESS::CreateProcessNormal(L"Other.exe", L"", L"C:\\Host", 0));
    auto started = utilstandin::StartedProcesses();
    ASSERT_EQ(2u, started.size());
    EXPECT_EQ(L"OpenDir.exe", started[0].exe);
    EXPECT_EQ(L"-path C:\\x", started[0].args);
    EXPECT_EQ(L"", started[0].directory);
    EXPECT_EQ(1, started[0].show);
    EXPECT_EQ(L"C:\\Host", started[1].directory);

    utilstandin::SetCurrentUserSid(L"S-1-5-21-9");
    utilstandin::SetITVersion(true);
    utilstandin::ResetAll();
    EXPECT_TRUE(utilstandin::StartedProcesses().empty());
    EXPECT_EQ(L"S-1-5-21-1000-1000-1000-1001", KXPROCESS::GetCurrentUserSidstr());
    EXPECT_FALSE(OrvSoftShelf::IsITVersion());
}

}  // namespace
