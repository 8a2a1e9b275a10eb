// The radio restart actions over the system library: switched off only when on, armed before,
// switched on again only when the first notice after that reports the radio off.
#include "RadioRestart.h"
#include "UiTest.h"

#include <SystemApiStandIn.h>
#include <Win32StandIn.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

using systemapistandin::Radio;

class RadioRestartTest : public testsupport::UiTest {
protected:
    void TearDown() override {
        // The callbacks live for the process: leave them disarmed and unregistered.
        WifiRestartCB::GetInstance().OnStateChanged(0);
        BtRestartCB::GetInstance().OnStateChanged(0);
        UiTest::TearDown();
    }
    // Confirms ACTION on a thread of its own, as a message box does, and moves the clock over
    // its wait once it waits (if it does).
    static void Confirm(tandem::MsgBoxEvent& action, bool waits) {
        const uint64_t begun = win32standin::TimedWaitsBegun();
        std::thread confirming([&] { action.OnConfirm(); });
        if (waits) {
            EXPECT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, std::chrono::seconds(10)));
            win32standin::AdvanceClock(100);
        }
        confirming.join();
        EXPECT_TRUE(systemapistandin::WaitForCallbacks());
    }
    static std::unique_ptr<tandem::MsgBoxEvent> ActionFor(Radio radio) {
        if (radio == Radio::Wifi) {
            return std::make_unique<WifiRestartEvent>();
        }
        return std::make_unique<BtErrorEvent>();
    }
};

TEST_F(RadioRestartTest, OnlyARadioThatIsOnIsSwitchedOffAndOnAgainOnceItReportsOff) {
    for (Radio radio : {Radio::Wifi, Radio::Bluetooth}) {
        for (int state : {0, 1, 2}) {  // 1: on
            SCOPED_TRACE(testing::Message()
                         << (radio == Radio::Wifi ? "wifi " : "bluetooth ") << state);
            systemapistandin::ResetAll();
            systemapistandin::SetState(radio, state);
            auto action = ActionFor(radio);
            Confirm(*action, state == 1);
            EXPECT_EQ(systemapistandin::State(radio), state);
            EXPECT_EQ(systemapistandin::Calls(radio).off, state == 1 ? 1 : 0);
            EXPECT_EQ(systemapistandin::Calls(radio).on, state == 1 ? 1 : 0);
            EXPECT_EQ(systemapistandin::RegisteredCount(radio), 0u);
            // Disarmed, or never armed: a later change is not answered.
            systemapistandin::SetState(radio, 2);
            ASSERT_TRUE(systemapistandin::WaitForCallbacks());
            EXPECT_EQ(systemapistandin::State(radio), 2);
        }
    }
}

TEST_F(RadioRestartTest, AFirstNoticeOtherThanOffDisarmsAndLeavesTheRadioOff) {
    for (Radio radio : {Radio::Wifi, Radio::Bluetooth}) {
        SCOPED_TRACE(radio == Radio::Wifi ? "wifi" : "bluetooth");
        systemapistandin::ResetAll();
        // The switch-off reports nothing; the radio then tells a passing state first.
        systemapistandin::SetSwitchOffFails(radio, true);
        auto action = ActionFor(radio);
        Confirm(*action, true);
        EXPECT_EQ(systemapistandin::RegisteredCount(radio), 1u);
        systemapistandin::PostStateNotice(radio, 3);
        systemapistandin::SetState(radio, 2);
        ASSERT_TRUE(systemapistandin::WaitForCallbacks());
        EXPECT_EQ(systemapistandin::State(radio), 2);
        EXPECT_EQ(systemapistandin::Calls(radio).on, 0);
        EXPECT_EQ(systemapistandin::RegisteredCount(radio), 1u);
    }
}

TEST_F(RadioRestartTest, AWifiSwitchThatThrowsIsDroppedAndTheCallbackStaysArmed) {
    systemapistandin::SetEnableThrows(Radio::Wifi, true);
    WifiRestartEvent action;
    Confirm(action, true);
    EXPECT_EQ(systemapistandin::State(Radio::Wifi), 1);
    // The radio goes off by itself later: that first notice switches it on again.
    systemapistandin::SetEnableThrows(Radio::Wifi, false);
    systemapistandin::SetState(Radio::Wifi, 2);
    ASSERT_TRUE(systemapistandin::WaitForCallbacks());
    EXPECT_EQ(systemapistandin::State(Radio::Wifi), 1);
    EXPECT_EQ(systemapistandin::RegisteredCount(Radio::Wifi), 0u);
}

}  // namespace
