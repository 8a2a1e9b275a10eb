// The decoder error window from the project's layout: texts and actions by mode with the
// messages they post, growth for tall texts, the corner it moves to, dragging, its picture.
#include "DecoderErrorUI.h"
#include "GoldenImage.h"
#include "LogCapture.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#include <Win32StandIn.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStyle = 0x808A0000;  // popup, border, system menu, minimise box
constexpr DWORD kExStyle = 0x80;      // tool window

class DecoderErrorUITest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ipcstandin::SetTraceHook([this](const ipcstandin::TracedMessage& m) {
            std::lock_guard<std::mutex> guard(mutex);
            traced.push_back(m);
        });
    }
    void TearDown() override {
        if (window && IsWindow(window->GetHWND())) {
            DestroyWindow(window->GetHWND());
        }
        window.reset();
        ipcstandin::SetTraceHook(nullptr);
        ipcstandin::SetRefuseMessages(false);
        UiTest::TearDown();
    }
    void Open(uint32_t mode, IPCMessageClient* ipc) {
        window = std::make_unique<DecoderErrorUI>();
        window->SetMode(mode);
        window->SetIPCClient(ipc);
        ASSERT_NE(window->Create(nullptr, L"DecoderErrorUI", kStyle, kExStyle), nullptr);
        window->ShowWindow(true, true);
        window->GetPaintManager()->Paint();
    }
    RECT Rect() const {
        RECT rc{};
        GetWindowRect(window->GetHWND(), &rc);
        return rc;
    }
    DuiLib::CControlUI* Control(const wchar_t* name) {
        return window->GetPaintManager()->FindControl(name);
    }
    std::vector<ipcstandin::TracedMessage> Traced() {
        std::lock_guard<std::mutex> guard(mutex);
        return traced;
    }
    IPCMessageClient ipc{0x1C0000, true, false};
    std::unique_ptr<DecoderErrorUI> window;
    std::mutex mutex;
    std::vector<ipcstandin::TracedMessage> traced;
};

std::string Utf16Le(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes + std::string(2, '\0');
}

TEST_F(DecoderErrorUITest, TheModeChoosesTheTextsAndWhatOkAsksTheHost) {
    const wchar_t* fix = L"The phone audio cannot be played on this PC. Fix it now?";
    const wchar_t* restart =
        L"The phone audio cannot be played on this PC. Restart the computer to fix it.";
    const std::string ok = "ok btn(DecoderErrorUI::OnClick)";
    const std::string cancel = "cancel btn(DecoderErrorUI::OnClick)";
    const std::string restarting = "RestartNow (DecoderErrorUI::RestartNow)";
    struct Case {
        const char* name;
        uint32_t mode;
        const wchar_t* button;
        const wchar_t* content;
        const wchar_t* click;
        std::vector<std::string> logs;
        uint32_t destination;  // 0: nothing posted
        uint32_t id;
        std::string payload;
    } cases[] = {
        {"fix", 0, L"Fix", fix, L"ok_btn", {ok}, 0x40000, 0x4001B, Utf16Le(u"para /doctor")},
        {"restart", 1, L"Restart", restart, L"ok_btn", {ok, restarting}, 0x30000, 0xF0006, ""},
        {"cancel", 1, L"Restart", nullptr, L"cancel_btn", {cancel}, 0, 0, ""},
        {"another mode does nothing on ok", 7, L"Restart", nullptr, L"ok_btn", {ok}, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard<std::mutex> guard(mutex);
            traced.clear();
        }
        Open(c.mode, &ipc);
        EXPECT_EQ(Control(L"ok_btn")->GetText().str(), c.button);
        if (c.content) {
            EXPECT_EQ(Control(L"txtContent")->GetText().str(), c.content);
        }
        testsupport::LogCapture logs;
        ASSERT_TRUE(duistandin::Click(Control(c.click)));
        EXPECT_EQ(logs.Messages(), c.logs);
        const auto posted = Traced();
        if (c.destination == 0) {
            EXPECT_TRUE(posted.empty());
        } else {
            ASSERT_EQ(posted.size(), 1u);
            EXPECT_EQ(posted[0].destination, c.destination);
            EXPECT_EQ(posted[0].messageId, c.id);
            EXPECT_EQ(posted[0].source, 0xFFFFFFFFu);
            EXPECT_EQ(posted[0].replyId, 0xFFFFFFFFu);
            EXPECT_EQ(posted[0].data, c.payload);
            EXPECT_EQ(posted[0].dataLength, c.payload.size());
        }
        duistandin::RunUntilIdle();
        EXPECT_FALSE(IsWindow(window->GetHWND()));  // every click closes
        window.reset();
    }
    EXPECT_EQ(Utf16Le(u"para /doctor").size(), 26u);
}

TEST_F(DecoderErrorUITest, WithoutAClientOrWhenThePostFailsTheRequestIsLogged) {
    struct Case {
        uint32_t mode;
        bool client;
        std::string logged;
        int level;
    } cases[] = {
        {0, false, "ipc null (DecoderErrorUI::OpenNow)", 30000},
        {1, false, "ipc null (DecoderErrorUI::RestartNow)", 30000},
        {0, true, "RestartMsg msg send failed(DecoderErrorUI::OpenNow)", 40000},
        {1, true, "RestartMsg msg send failed(DecoderErrorUI::RestartNow)", 40000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        ipcstandin::SetRefuseMessages(c.client);
        Open(c.mode, c.client ? &ipc : nullptr);
        testsupport::LogCapture logs;
        ASSERT_TRUE(duistandin::Click(Control(L"ok_btn")));
        const auto records = logs.Records();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records.back().message, c.logged);
        EXPECT_EQ(records.back().level, c.level);
        EXPECT_EQ(records.back().file, "src\\DecoderErrorUI");
        EXPECT_TRUE(Traced().empty());
        duistandin::RunUntilIdle();
        window.reset();
    }
}

TEST_F(DecoderErrorUITest, ATallTextGrowsTheTopLayoutAndTheWindow) {
    // Lines of the 14-pixel text font are about 16.3 pixels apart (24.4 at 150 %); a text up to
    // 96 design pixels high fits, and the window grows by the rest in design pixels.
    struct Case {
        const char* name;
        int lines;
        int scale;
        int width;
        int height;
        int layoutTop;  // fixed height, device pixels
    } cases[] = {
        {"one line keeps the layout", 1, 100, 400, 160, 400},
        {"five lines (82) still fit", 5, 100, 400, 160, 400},
        {"six lines (98) grow by 2", 6, 100, 400, 162, 402},
        {"eight lines (131) grow by 35", 8, 100, 400, 195, 435},
        {"eight lines at 150 % (196 of 144) grow by 34", 8, 150, 600, 291, 651},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        duistandin::SetScale(c.scale);
        std::wstring text = L"Line";
        for (int i = 1; i < c.lines; ++i) {
            text += L"\nLine";
        }
        duistandin::SetCultureString(L"IDS_MIRRO_AUDIO_ERROR_ID1", text);
        Open(0, &ipc);
        const RECT rc = Rect();
        EXPECT_EQ(rc.right - rc.left, c.width);
        EXPECT_EQ(rc.bottom - rc.top, c.height);
        EXPECT_EQ(Control(L"layoutTop")->GetFixedHeight(), c.layoutTop);
        EXPECT_EQ(Control(L"txtContent")->GetText().str(), text);
        if (c.height != 160 * c.scale / 100) {
            EXPECT_TRUE(win32standin::IsTopmost(window->GetHWND()));
        }
        DestroyWindow(window->GetHWND());
        window.reset();
    }
}

TEST_F(DecoderErrorUITest, MovesIntoTheCornerOfTheWorkAreaOfItsMonitor) {
    using win32standin::TaskbarEdge;
    const RECT screen{0, 0, 1920, 1080};
    const RECT second{1920, 0, 3840, 1080};
    const auto bottom40 = win32standin::MonitorWithTaskbar(screen, TaskbarEdge::Bottom, 40);
    const auto bottom60 = win32standin::MonitorWithTaskbar(screen, TaskbarEdge::Bottom, 60);
    const auto left60 = win32standin::MonitorWithTaskbar(screen, TaskbarEdge::Left, 60);
    struct Case {
        const char* name;
        std::vector<win32standin::Monitor> desktop;
        POINT start;
        int scale;
        RECT expected;
    } cases[] = {
        {"bottom taskbar", {bottom40}, {100, 100}, 100, {1510, 870, 1910, 1030}},
        {"left taskbar", {left60}, {100, 100}, 100, {1510, 910, 1910, 1070}},
        {"150 %", {bottom60}, {100, 100}, 150, {1305, 765, 1905, 1005}},
        {"on the second monitor",
         {bottom40, {second, second, false}},
         {2000, 100},
         100,
         {3430, 910, 3830, 1070}},
        {"outside every monitor: the primary one",
         {bottom40},
         {-3000, -3000},
         100,
         {1510, 870, 1910, 1030}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win32standin::SetDesktop(c.desktop);
        duistandin::SetScale(c.scale);
        Open(0, &ipc);
        SetWindowPos(window->GetHWND(), nullptr, c.start.x, c.start.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        window->MoveToCorner();
        const RECT rc = Rect();
        EXPECT_EQ((std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}),
                  (std::vector<LONG>{c.expected.left, c.expected.top, c.expected.right,
                                     c.expected.bottom}));
        EXPECT_TRUE(win32standin::IsTopmost(window->GetHWND()));
        EXPECT_TRUE(IsWindowVisible(window->GetHWND()));
        DestroyWindow(window->GetHWND());
        window.reset();
    }
}

TEST_F(DecoderErrorUITest, TheTextAreaDragsTheWindowAndTheButtonsDoNot) {
    Open(0, &ipc);
    window->MoveToCorner();
    const RECT rc = Rect();
    // 10 pixels into the control: the text's own box runs on below the window's edge.
    auto hit = [&](DuiLib::CControlUI* control) {
        const RECT pos = control->GetPos();
        return SendMessageW(
            window->GetHWND(), WM_NCHITTEST, 0,
            MAKELPARAM(rc.left + (pos.left + pos.right) / 2, rc.top + pos.top + 10));
    };
    window->GetPaintManager()->Paint();
    EXPECT_EQ(hit(Control(L"txtContent")), HTCAPTION);
    EXPECT_EQ(hit(Control(L"ok_btn")), HTCLIENT);
    EXPECT_EQ(hit(Control(L"cancel_btn")), HTCLIENT);
}

TEST_F(DecoderErrorUITest, PictureMatchesTheGoldenOne) {
    Open(0, &ipc);
    duistandin::RunUntilIdle();
    window->GetPaintManager()->Paint();
    EXPECT_TRUE(MatchesGolden(window->GetPaintManager()->GetSurface(),
                              SWIFTSEND_GOLDEN_DIR "/decoder_error_fix.png"));
}

}  // namespace
