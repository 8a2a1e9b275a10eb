#include "CountingAction.h"

#include <gtest/gtest.h>
#include <TandemMessageBox.h>
#include <TandemUtilStandIn.h>

namespace {

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
