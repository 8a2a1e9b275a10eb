// The WLAN-disconnect window built from the project's layout on the virtual desktop: placement
// by taskbar edge, text height and scale; clicks with their actions, usage reports and closing;
// dragging by the caption area; and its picture.
#include "GoldenImage.h"
#include "LogCapture.h"
#include "UiTest.h"
#include "WifiDisconnect.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <Win32StandIn.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using win32standin::TaskbarEdge;

// One line of the layout's text font: 20 pixels high at scale 100.
const wchar_t* kOneLineText = L"Wi-Fi to your phone was lost.";

struct ActionLog {
    int confirmed = 0;
    int deleted = 0;
};

class RecordingEvent : public tandem::MsgBoxEvent {
public:
    explicit RecordingEvent(ActionLog* log) : log(log) {}
    ~RecordingEvent() override { ++log->deleted; }
    void OnConfirm() override { ++log->confirmed; }

private:
    ActionLog* log;
};

class WifiDisconnectTest : public testsupport::UiTest {
protected:
    void SetUp() override { UiTest::SetUp(); }
    void TearDown() override {
        if (window && IsWindow(window->GetHWND())) {
            DestroyWindow(window->GetHWND());
        }
        window.reset();
        UiTest::TearDown();
    }
    void Open(tandem::MsgBoxEvent* event = nullptr) {
        window = std::make_unique<WifiDisconnect>(event);
        ASSERT_NE(window->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW), nullptr);
    }
    RECT Rect() const {
        RECT rc{};
        GetWindowRect(window->GetHWND(), &rc);
        return rc;
    }
    DuiLib::CControlUI* Control(const wchar_t* name) {
        return window->GetPaintManager()->FindControl(name);
    }
    std::unique_ptr<WifiDisconnect> window;
};

TEST_F(WifiDisconnectTest, PlacedBesideTheTaskbarForItsTextHeightAndScale) {
    struct Case {
        const char* name;
        TaskbarEdge edge;
        int thickness;  // 0: no taskbar
        int scale;
        bool workAreaFails;
        int textHeight;
        RECT expected;  // left, top, right, bottom
    } cases[] = {
        {"bottom", TaskbarEdge::Bottom, 40, 100, false, 20, {1504, 922, 1904, 1024}},
        // Top: still above the bottom edge by its height; left: moved left by its width.
        {"top", TaskbarEdge::Top, 40, 100, false, 20, {1504, 922, 1904, 1024}},
        {"left", TaskbarEdge::Left, 60, 100, false, 20, {1444, 962, 1844, 1064}},
        {"right", TaskbarEdge::Right, 60, 100, false, 20, {1444, 962, 1844, 1064}},
        {"none", TaskbarEdge::Bottom, 0, 100, false, 20, {1504, 962, 1904, 1064}},
        // As for a left taskbar of width 0.
        {"work area unknown", TaskbarEdge::Bottom, 40, 100, true, 20, {1504, 962, 1904, 1064}},
        // 416, 98, 400 and 82 design pixels become 624, 147, 600 and 123; a line is 30 high.
        {"bottom at 150 %", TaskbarEdge::Bottom, 60, 150, false, 30, {1296, 843, 1896, 996}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win32standin::SetDesktop(
            {c.thickness > 0
                 ? win32standin::MonitorWithTaskbar({0, 0, 1920, 1080}, c.edge, c.thickness)
                 : win32standin::Monitor{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}, true}});
        win32standin::SetWorkAreaFailure(c.workAreaFails);
        duistandin::SetScale(c.scale);
        duistandin::SetCultureString(L"IDS_HF_TIP_CATON", kOneLineText);
        testsupport::LogCapture logs;
        Open();
        EXPECT_EQ(window->GetTextHeight(), c.textHeight);
        const RECT rc = Rect();
        EXPECT_EQ((std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}),
                  (std::vector<LONG>{c.expected.left, c.expected.top, c.expected.right,
                                     c.expected.bottom}));
        EXPECT_TRUE(IsWindowVisible(window->GetHWND()));
        EXPECT_TRUE(win32standin::IsTopmost(window->GetHWND()));
        EXPECT_EQ(logs.Contains("SystemParametersInfo failed (WifiDisconnect::GetTaskbarInfo)"),
                  c.workAreaFails);
        // The text and its panel take the measured height.
        duistandin::RunUntilIdle();
        window->GetPaintManager()->Paint();
        EXPECT_EQ(Control(L"wifi_text")->GetHeight(), c.textHeight);
        EXPECT_EQ(Control(L"wifi_tip")->GetHeight(), c.textHeight);
        DestroyWindow(window->GetHWND());
        window.reset();
        win32standin::SetWorkAreaFailure(false);
    }
}

TEST_F(WifiDisconnectTest, EveryClickReportsAndClosesRestartingOnlyFromTheRestartButton) {
    struct Case {
        const char* control;
        int confirmed;
        int deletedBeforeWindow;
        const char* reported;
    } cases[] = {
        {"restart_disconnect_btn", 1, 0, "1"},
        {"cancel_disconnect_btn", 0, 1, "0"},
        {"wifi_text", 0, 0, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        ActionLog log;
        testsupport::LogCapture logs;
        tandemstandin::ClearReportedEvents();
        Open(new RecordingEvent(&log));
        const std::wstring name(c.control, c.control + std::string(c.control).size());
        DuiLib::TNotifyUI click;
        click.sType = L"click";
        click.pSender = Control(name.c_str());
        ASSERT_NE(click.pSender, nullptr);
        window->Notify(click);
        EXPECT_EQ(log.confirmed, c.confirmed);
        EXPECT_EQ(log.deleted, c.deletedBeforeWindow);
        EXPECT_EQ(window->IsRestartClicked(), c.confirmed == 1);
        EXPECT_EQ(tandemstandin::ReportedEvents(),
                  (std::vector<tandemstandin::ReportedEvent>{
                      {tandemstandin::ReportedEvent::Event, 10009, {c.reported}}}));
        EXPECT_EQ(logs.Contains("restart wlan begin(WifiDisconnect::OnClick)"), c.confirmed == 1);
        EXPECT_EQ(logs.Contains("restart wlan end(WifiDisconnect::OnClick)"), c.confirmed == 1);
        duistandin::RunUntilIdle();
        EXPECT_FALSE(IsWindow(window->GetHWND()));
        window.reset();
        EXPECT_EQ(log.deleted, 1);  // the window's destructor deletes what is left
    }
}

TEST_F(WifiDisconnectTest, AButtonPressGoesThroughTheMessageMapAndAClickWithoutSenderDoesNothing) {
    ActionLog log;
    Open(new RecordingEvent(&log));
    DuiLib::TNotifyUI orphan;
    orphan.sType = L"click";
    window->Notify(orphan);
    duistandin::RunUntilIdle();
    EXPECT_TRUE(IsWindow(window->GetHWND()));
    EXPECT_TRUE(tandemstandin::ReportedEvents().empty());

    ASSERT_TRUE(duistandin::Click(Control(L"restart_disconnect_btn")));
    duistandin::RunUntilIdle();
    EXPECT_EQ(log.confirmed, 1);
    EXPECT_FALSE(IsWindow(window->GetHWND()));
}

TEST_F(WifiDisconnectTest, TheTextAreaDragsTheWindowAndTheButtonsDoNot) {
    Open();
    const RECT rc = Rect();
    auto hit = [&](DuiLib::CControlUI* control) {
        const RECT pos = control->GetPos();
        return SendMessageW(
            window->GetHWND(), WM_NCHITTEST, 0,
            MAKELPARAM(rc.left + (pos.left + pos.right) / 2, rc.top + (pos.top + pos.bottom) / 2));
    };
    window->GetPaintManager()->Paint();
    EXPECT_EQ(hit(Control(L"wifi_text")), HTCAPTION);
    EXPECT_EQ(hit(Control(L"restart_disconnect_btn")), HTCLIENT);
    EXPECT_EQ(hit(Control(L"cancel_disconnect_btn")), HTCLIENT);
}

TEST_F(WifiDisconnectTest, PictureMatchesTheGoldenOne) {
    Open();
    // The English text takes two lines.
    EXPECT_EQ(window->GetTextHeight(), 40);
    duistandin::RunUntilIdle();
    window->GetPaintManager()->Paint();
    EXPECT_TRUE(MatchesGolden(window->GetPaintManager()->GetSurface(),
                              SWIFTSEND_GOLDEN_DIR "/wlan_disconnect.png"));
}

}  // namespace
