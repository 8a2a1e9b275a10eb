// The WLAN-disconnect window built from the project's layout on the virtual desktop: placement
// by taskbar edge, text height and scale; clicks with their actions, usage reports and closing;
// dragging by the caption area; and its picture. Under Wine: the clicks; the rest needs the
// virtual desktop. On Linux also the radio restart actions over the system library: switched off
// only when on, armed before, switched on again only when the first notice after that reports the
// radio off (they need the mock clock).
#include "CountingAction.h"
#include "LogCapture.h"
#include "WindowTest.h"
#include "WifiDisconnect.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#ifndef _WIN32
#include "GoldenImage.h"
#include "RadioRestart.h"

#include <SystemApiStandIn.h>
#include <Win32StandIn.h>

#include <chrono>
#include <thread>
#endif

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

class WifiDisconnectTest : public testsupport::WindowTest<WifiDisconnect> {
protected:
    // Opens a window in place of the last one.
    void Open(tandem::MsgBoxEvent* event = nullptr) {
        Close();
        window = std::make_unique<WifiDisconnect>(event);
        ASSERT_NE(window->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW), nullptr);
    }
};

#ifndef _WIN32
using testsupport::Corners;
using win32standin::TaskbarEdge;

// The English text takes two lines of 20 pixels at scale 100. The text area drags the window, the
// buttons do not.
TEST_F(WifiDisconnectTest, PlacedBesideTheTaskbarForItsTextHeightAndScaleAndDraggedByItsText) {
    struct Case {
        const char* name;
        TaskbarEdge edge;
        int thickness;  // 0: no taskbar
        int scale;
        bool workAreaFails;
        int textHeight;
        RECT expected;  // left, top, right, bottom
    } cases[] = {
        {"bottom", TaskbarEdge::Bottom, 40, 100, false, 40, {1504, 902, 1904, 1024}},
        // Top: still above the bottom edge by its height; left: moved left by its width.
        {"top", TaskbarEdge::Top, 40, 100, false, 40, {1504, 902, 1904, 1024}},
        {"left", TaskbarEdge::Left, 60, 100, false, 40, {1444, 942, 1844, 1064}},
        {"right", TaskbarEdge::Right, 60, 100, false, 40, {1444, 942, 1844, 1064}},
        {"none", TaskbarEdge::Bottom, 0, 100, false, 40, {1504, 942, 1904, 1064}},
        // As for a left taskbar of width 0.
        {"work area unknown", TaskbarEdge::Bottom, 40, 100, true, 40, {1504, 942, 1904, 1064}},
        // 416, 98, 400 and 82 design pixels become 624, 147, 600 and 123; the text is 59 high.
        {"bottom at 150 %", TaskbarEdge::Bottom, 60, 150, false, 59, {1296, 814, 1896, 996}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win32standin::SetDesktop(
            {c.thickness > 0
                 ? win32standin::MonitorWithTaskbar({0, 0, 1920, 1080}, c.edge, c.thickness)
                 : win32standin::Monitor{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}, true}});
        win32standin::SetWorkAreaFailure(c.workAreaFails);
        duistandin::SetScale(c.scale);
        testsupport::LogCapture logs;
        Open();
        EXPECT_EQ(window->GetTextHeight(), c.textHeight);
        EXPECT_EQ(Corners(Rect()), Corners(c.expected));
        EXPECT_TRUE(IsWindowVisible(window->GetHWND()));
        EXPECT_TRUE(win32standin::IsTopmost(window->GetHWND()));
        EXPECT_EQ(logs.Contains("SystemParametersInfo failed (WifiDisconnect::GetTaskbarInfo)"),
                  c.workAreaFails);
        // The text and its panel take the measured height.
        duistandin::RunUntilIdle();
        window->GetPaintManager()->Paint();
        EXPECT_EQ(Control(L"wifi_text")->GetHeight(), c.textHeight);
        EXPECT_EQ(Control(L"wifi_tip")->GetHeight(), c.textHeight);
        if (&c == cases) {  // the default desktop and scale
            EXPECT_TRUE(MatchesGolden(window->GetPaintManager()->GetSurface(),
                                      SWIFTSEND_GOLDEN_DIR "/wlan_disconnect.png"));
        }
        EXPECT_EQ(HitTest(L"wifi_text"), HTCAPTION);
        EXPECT_EQ(HitTest(L"restart_disconnect_btn"), HTCLIENT);
        EXPECT_EQ(HitTest(L"cancel_disconnect_btn"), HTCLIENT);
    }
    // Longer translations widen the buttons to their whole text, side by side inside the window;
    // in a right-to-left language the notice is mirrored, text and buttons from the right.
    win32standin::SetDesktop({});
    duistandin::SetScale(100);
    for (const char* locale : {"pl", "ar"}) {
        SCOPED_TRACE(locale);
        testsupport::UseLanguage(locale);
        Open();
        duistandin::RunUntilIdle();
        window->GetPaintManager()->Paint();
        std::vector<RECT> buttons;
        for (const wchar_t* name : {L"cancel_disconnect_btn", L"restart_disconnect_btn"}) {
            RECT text{0, 0, 0, 0};
            DuiLib::CRenderEngine::DrawText(nullptr, window->GetPaintManager(), text,
                                            Control(name)->GetText(), 0, Control(name)->GetFont(),
                                            DT_CALCRECT | DT_SINGLELINE);
            EXPECT_LE(text.right + 24, Control(name)->GetWidth());  // and 12 pixels each side
            buttons.push_back(Control(name)->GetPos());
        }
        EXPECT_LE(std::max(buttons[0].right, buttons[1].right), Rect().right - Rect().left);
        EXPECT_GE(std::max(buttons[0].left, buttons[1].left),
                  std::min(buttons[0].right, buttons[1].right));
    }
    EXPECT_TRUE(MatchesGolden(window->GetPaintManager()->GetSurface(),
                              SWIFTSEND_GOLDEN_DIR "/wlan_disconnect_rtl.png"));
}

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

#endif

TEST_F(WifiDisconnectTest, EveryClickReportsAndClosesRestartingOnlyFromTheRestartButton) {
    struct Case {
        const wchar_t* control;  // null: a click without a sender, which does nothing
        bool byMouse;            // through the window's message map, else a notification
        int confirmed;
        int deletedBeforeWindow;
        const char* reported;  // null: nothing
    } cases[] = {
        {L"restart_disconnect_btn", true, 1, 0, "1"},
        {L"restart_disconnect_btn", false, 1, 0, "1"},
        {L"cancel_disconnect_btn", false, 0, 1, "0"},
        {L"wifi_text", false, 0, 0, "0"},
        {nullptr, false, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.control ? c.control : L"no sender") << c.byMouse);
        testsupport::ActionCounts log;
        testsupport::LogCapture logs;
        tandemstandin::ClearReportedEvents();
        Open(new testsupport::CountingAction(log));
        DuiLib::TNotifyUI click;
        click.sType = L"click";
        click.pSender = c.control ? Control(c.control) : nullptr;
        if (c.byMouse) {
            ASSERT_TRUE(duistandin::Click(click.pSender));
        } else {
            window->Notify(click);
        }
        EXPECT_EQ(log.confirmed, c.confirmed);
        EXPECT_EQ(log.deleted, c.deletedBeforeWindow);
        EXPECT_EQ(window->IsRestartClicked(), c.confirmed == 1);
        std::vector<tandemstandin::ReportedEvent> reported;
        if (c.reported) {
            reported.push_back({tandemstandin::ReportedEvent::Event, 10009, {c.reported}});
        }
        EXPECT_EQ(tandemstandin::ReportedEvents(), reported);
        EXPECT_EQ(logs.Contains("restart wlan begin(WifiDisconnect::OnClick)"), c.confirmed == 1);
        EXPECT_EQ(logs.Contains("restart wlan end(WifiDisconnect::OnClick)"), c.confirmed == 1);
        duistandin::RunUntilIdle();
        EXPECT_EQ(IsWindow(window->GetHWND()) != FALSE, c.control == nullptr);
        Close();
        EXPECT_EQ(log.deleted, 1);  // the window's destructor deletes what is left
    }
}

}  // namespace
