// The decoder error window from the project's layout: texts and actions by mode with the
// messages they post and the lines they log, growth for tall texts, the corner it moves to,
// dragging, its picture. Under Wine: the texts and actions; the rest needs the virtual desktop.
#include "DecoderErrorUI.h"
#include "LogCapture.h"
#include "WindowTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#ifndef _WIN32
#include "GoldenImage.h"

#include <Win32StandIn.h>
#endif

#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kStyle = 0x808A0000;  // popup, border, system menu, minimise box
constexpr DWORD kExStyle = 0x80;      // tool window

class DecoderErrorUITest : public testsupport::WindowTest<DecoderErrorUI> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ipcstandin::SetTraceHook([this](const ipcstandin::TracedMessage& m) {
            std::lock_guard<std::mutex> guard(mutex);
            traced.push_back(m);
        });
    }
    void TearDown() override {
        ipcstandin::SetTraceHook(nullptr);
        ipcstandin::SetRefuseMessages(false);
        WindowTest::TearDown();
    }
    // Opens a window in MODE, shown and painted, in place of the last one.
    void Open(uint32_t mode, IPCMessageClient* ipc) {
        Close();
        window = std::make_unique<DecoderErrorUI>();
        window->SetMode(mode);
        window->SetIPCClient(ipc);
        ASSERT_NE(window->Create(nullptr, L"DecoderErrorUI", kStyle, kExStyle), nullptr);
        window->ShowWindow(true, true);
        window->GetPaintManager()->Paint();
    }
    // The messages posted since the last call.
    std::vector<ipcstandin::TracedMessage> TakeTraced() {
        std::lock_guard<std::mutex> guard(mutex);
        return std::exchange(traced, {});
    }
    IPCMessageClient ipc{0x1C0000, true, false};
    std::mutex mutex;
    std::vector<ipcstandin::TracedMessage> traced;
};

TEST_F(DecoderErrorUITest, TheModeChoosesTheTextsAndWhatOkAsksTheHost) {
    const wchar_t* fix = L"The phone audio cannot be played on this PC. Fix it now?";
    const wchar_t* restart =
        L"The phone audio cannot be played on this PC. Restart the computer to fix it.";
    using Line = std::pair<int, std::string>;  // level, text
    const Line ok{30000, "ok btn(DecoderErrorUI::OnClick)"};
    const Line cancel{30000, "cancel btn(DecoderErrorUI::OnClick)"};
    const Line restarting{30000, "RestartNow (DecoderErrorUI::RestartNow)"};
    const Line fixNull{30000, "ipc null (DecoderErrorUI::OpenNow)"};
    const Line restartNull{30000, "ipc null (DecoderErrorUI::RestartNow)"};
    const Line fixFailed{40000, "RestartMsg msg send failed(DecoderErrorUI::OpenNow)"};
    const Line restartFailed{40000, "RestartMsg msg send failed(DecoderErrorUI::RestartNow)"};
    using Post = std::tuple<uint32_t, uint32_t, std::string>;  // destination, id, payload
    // The fix command in UTF-16LE with its NUL.
    const Post fixing{0x40000, 0x4001B,
                      std::string("p\0a\0r\0a\0 \0/\0d\0o\0c\0t\0o\0r\0\0\0", 26)};
    const Post restartPost{0x30000, 0xF0006, ""};
    struct Case {
        const char* name;
        uint32_t mode;
        const wchar_t* click;
        bool client;
        bool refused;  // by the bus
        std::vector<Line> logs;
        std::vector<Post> posts;
    } cases[] = {
        {"fix", 0, L"ok_btn", true, false, {ok}, {fixing}},
        {"restart", 1, L"ok_btn", true, false, {ok, restarting}, {restartPost}},
        {"cancel", 1, L"cancel_btn", true, false, {cancel}, {}},
        {"another mode does nothing on ok", 7, L"ok_btn", true, false, {ok}, {}},
        {"fix without a client", 0, L"ok_btn", false, false, {ok, fixNull}, {}},
        {"restart without a client", 1, L"ok_btn", false, false, {ok, restarting, restartNull}, {}},
        {"fix refused", 0, L"ok_btn", true, true, {ok, fixFailed}, {}},
        {"restart refused", 1, L"ok_btn", true, true, {ok, restarting, restartFailed}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ipcstandin::SetRefuseMessages(c.refused);
        Open(c.mode, c.client ? &ipc : nullptr);
        EXPECT_EQ(Control(L"ok_btn")->GetText().str(), c.mode == 0 ? L"Fix" : L"Restart");
        if (c.mode <= 1) {
            EXPECT_EQ(Control(L"txtContent")->GetText().str(), c.mode == 0 ? fix : restart);
        }
        TakeTraced();
        testsupport::LogCapture logs;
        ASSERT_TRUE(duistandin::Click(Control(c.click)));
        std::vector<Line> lines;
        for (const testsupport::LogRecord& record : logs.Records()) {
            lines.push_back({record.level, record.message});
            EXPECT_EQ(record.file, "src\\DecoderErrorUI");
        }
        EXPECT_EQ(lines, c.logs);
        std::vector<Post> posts;
        for (const ipcstandin::TracedMessage& m : TakeTraced()) {
            posts.push_back({m.destination, m.messageId, m.data});
            EXPECT_EQ(std::tie(m.source, m.replyId, m.dataLength),
                      std::make_tuple(0xFFFFFFFFu, 0xFFFFFFFFu, uint64_t{m.data.size()}));
        }
        EXPECT_EQ(posts, c.posts);
        duistandin::RunUntilIdle();
        EXPECT_FALSE(IsWindow(window->GetHWND()));  // every click closes
    }
}

#ifndef _WIN32
using testsupport::Corners;

// Lines of the 14-pixel text font are about 16.3 pixels apart (24.4 at 150 %); a text up to 96
// design pixels high fits, and the window grows by the rest in design pixels. Moved, it goes to
// the corner of the work area of its monitor, 10 design pixels in. The text area drags it, the
// buttons do not.
TEST_F(DecoderErrorUITest,
       ATallTextGrowsTheWindowWhichMovesIntoTheCornerOfItsWorkAreaAndDragsByItsText) {
    using win32standin::TaskbarEdge;
    const RECT screen{0, 0, 1920, 1080};
    const auto bottom40 = win32standin::MonitorWithTaskbar(screen, TaskbarEdge::Bottom, 40);
    const auto bottom60 = win32standin::MonitorWithTaskbar(screen, TaskbarEdge::Bottom, 60);
    const auto left60 = win32standin::MonitorWithTaskbar(screen, TaskbarEdge::Left, 60);
    const auto top60 = win32standin::MonitorWithTaskbar(screen, TaskbarEdge::Top, 60);
    const RECT second{1920, 0, 3840, 1080};
    const std::vector<win32standin::Monitor> twoMonitors = {bottom40, {second, second, false}};
    struct Case {
        const char* name;
        int lines;  // of a text set from then on; 0: the English one
        int scale;
        int layoutTop;  // fixed height, device pixels
        std::vector<win32standin::Monitor> desktop;
        POINT start;
        RECT corner;
    } cases[] = {
        {"English, bottom taskbar", 0, 100, 400, {bottom40}, {100, 100}, {1510, 870, 1910, 1030}},
        {"left taskbar", 0, 100, 400, {left60}, {100, 100}, {1510, 910, 1910, 1070}},
        {"top taskbar", 0, 100, 400, {top60}, {100, 100}, {1510, 910, 1910, 1070}},
        {"second monitor", 0, 100, 400, twoMonitors, {2000, 100}, {3430, 910, 3830, 1070}},
        {"outside every monitor", 0, 100, 400, {bottom40}, {-3000, -3000}, {1510, 870, 1910, 1030}},
        {"five lines (82) still fit", 5, 100, 400, {bottom40}, {100, 100}, {1510, 870, 1910, 1030}},
        {"six lines (98) grow by 2", 6, 100, 402, {bottom40}, {100, 100}, {1510, 868, 1910, 1030}},
        {"eight lines (131) grow by 35", 8, 100, 435, {bottom40}, {0, 0}, {1510, 835, 1910, 1030}},
        {"8 lines at 150 % grow by 34", 8, 150, 651, {bottom60}, {9, 9}, {1305, 714, 1905, 1005}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win32standin::SetDesktop(c.desktop);
        duistandin::SetScale(c.scale);
        std::wstring text = L"Line";
        for (int i = 1; i < c.lines; ++i) {
            text += L"\nLine";
        }
        if (c.lines > 0) {
            duistandin::SetCultureString(L"IDS_MIRRO_AUDIO_ERROR_ID1", text);
        }
        Open(0, &ipc);
        EXPECT_EQ(Control(L"layoutTop")->GetFixedHeight(), c.layoutTop);
        EXPECT_TRUE(c.lines == 0 || Control(L"txtContent")->GetText().str() == text);
        // A grown window is put on top at once.
        EXPECT_EQ(win32standin::IsTopmost(window->GetHWND()), c.layoutTop != 400 * c.scale / 100);
        if (&c == cases) {  // the English text at the default desktop and scale
            duistandin::RunUntilIdle();
            window->GetPaintManager()->Paint();
            EXPECT_TRUE(MatchesGolden(window->GetPaintManager()->GetSurface(),
                                      SWIFTSEND_GOLDEN_DIR "/decoder_error_fix.png"));
        }
        SetWindowPos(window->GetHWND(), nullptr, c.start.x, c.start.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        window->MoveToCorner();
        EXPECT_EQ(Corners(Rect()), Corners(c.corner));
        EXPECT_TRUE(win32standin::IsTopmost(window->GetHWND()));
        EXPECT_TRUE(IsWindowVisible(window->GetHWND()));
        // 10 pixels into the control: the text's own box runs on below the window's edge.
        window->GetPaintManager()->Paint();
        EXPECT_EQ(HitTest(L"txtContent", 10), HTCAPTION);
        EXPECT_EQ(HitTest(L"ok_btn", 10), HTCLIENT);
        EXPECT_EQ(HitTest(L"cancel_btn", 10), HTCLIENT);
    }
}

#endif

}  // namespace
