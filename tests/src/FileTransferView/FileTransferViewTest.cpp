// The transfer dialog through the operations the controller calls and the user's clicks: its
// words, channel pages and clicks (also under Wine, with real windows); on mock time, heights by
// queue length, titles and their temporary messages, progress animations, timers, closing,
// teardown in the middle of an animation, and its pictures.
#include "FileTransferView.h"
#include "LogCapture.h"
#include "UIAnimationManager.h"
#include "UIFixedItem.h"
#include "UIQueuedItem.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#ifndef _WIN32
#include <Win32StandIn.h>
#endif

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Vela::Ux::UIItemState;
using Vela::Ux::UIListItemInfo;

class RecordingCallback : public FileTransferViewNotifyCallback {
public:
    void OnRemoveItem(unsigned id) override { calls.push_back("remove:" + std::to_string(id)); }
    void OnRetryItem(unsigned id) override { calls.push_back("retry:" + std::to_string(id)); }
    void OnCancelAll() override { calls.push_back("cancelall"); }
    void OnItemShown(unsigned flag) override { calls.push_back("shown:" + std::to_string(flag)); }
    void OnQueueChanged() override { calls.push_back("queuechanged"); }
    void OnCloseAll() override { calls.push_back("closeall"); }
    void OnViewDestroyed() override { calls.push_back("destroyed"); }
    int GetQueuedCount() override { return queued; }
    std::vector<std::string> calls;
    int queued = 0;
};

UIListItemInfo Info(UIItemState state, std::vector<std::wstring> files = {L"C:\\docs\\report.pdf"},
                    uint64_t bytes = 2621440, std::wstring stateText = L"") {
    UIListItemInfo info;  // share type 0
    info.files = std::move(files);
    info.deviceName = L"Pixel-7";
    info.nickName = L"  Ann's phone ";
    info.totalBytes = bytes;
    info.stateText = std::move(stateText);
    info.uiState = static_cast<uint32_t>(state);
    return info;
}

class FileTransferViewTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Build();
    }
    void TearDown() override {
        view.reset();
        UiTest::TearDown();
    }
    void Build(const std::function<void(DuiLib::CPaintManagerUI*)>& adjust = nullptr) {
        view = std::make_unique<FileTransferView>();
        view->InitView();
        if (adjust) {
            adjust(view->GetPaintManager());
        }
        view->SetNotifyCallback(&callback);
        duistandin::RunUntilIdle();
    }
    FileTransferViewHelper& H() { return *view->GetHelper(); }
    DuiLib::CControlUI* Control(const wchar_t* name) {
        return view->GetPaintManager()->FindControl(name);
    }
    std::wstring Text(const wchar_t* name) { return Control(name)->GetText().str(); }
    RECT Rect() {
        RECT rc{};
        GetWindowRect(view->GetHWND(), &rc);
        return rc;
    }
    int Height() { return Rect().bottom - Rect().top; }
    // Shows the dialog with a sending item 1 and COUNT queued items 2, 3, ... as the
    // controller does, and lets the animations finish.
    void Start(int queued) {
        view->ShowCurrentItem(1, Info(UIItemState::Preparing));
        view->ShowDialog();
        for (int i = 0; i < queued; ++i) {
            view->AddQueuedItem(2 + i, Info(UIItemState::Idle, {L"a.jpg", L"b.jpg"}, 4096));
        }
        callback.queued = queued;
        view->RefreshQueuedCount(queued);
        const int rows = std::min(queued, 3);
        LetTimePass(1000, [this, rows] {
            return Height() == (rows > 0 ? 140 + rows * 49 : 116) &&
                   (*H().animationManager)->StateCount() == 0;
        });
    }
    std::vector<int32_t> UserActions() {
        std::vector<int32_t> actions;
        for (const auto& event : tandemstandin::ReportedEvents()) {
            if (event.code == 7008) {
                actions.push_back(std::stoi(event.values.at(0)));
            } else if (event.code == 7011) {
                actions.push_back(7011);
            }
        }
        return actions;
    }
    RecordingCallback callback;
    std::unique_ptr<FileTransferView> view;
};

// In Polish every word the dialog shows, tooltips included, comes from the Polish table.
TEST_F(FileTransferViewTest, EveryVisibleWordComesFromTheLanguagesTable) {
    testsupport::UseLanguage("pl");
    Build();
    Start(1);
    view->UpdateItem(1, Info(UIItemState::Sending, {L"a", L"b", L"c"}));
    auto* pm = view->GetPaintManager();
    DuiLib::CControlUI* row = H().FindQueuedItem(2);
    EXPECT_EQ(Text(L"fixed_item_title_label"), L"Wysyłanie do: Ann's phone");
    EXPECT_EQ(Text(L"fixed_item_filename"), L"3 pliki");
    EXPECT_EQ(Text(L"queued_item_count_label"), L"Oczekujące (1)");
    EXPECT_EQ(pm->FindSubControlByName(row, L"files_count_label")->GetText(), L"2 pliki");
    std::vector<std::wstring> tips;
    for (const wchar_t* name : {L"window_min_button", L"window_close_button",
                                L"fixed_item_remove_button", L"queued_item_retry_button"}) {
        tips.push_back(Control(name)->GetToolTip().str());
    }
    tips.push_back(pm->FindSubControlByName(row, L"queued_item_remove_button")->GetToolTip().str());
    EXPECT_EQ(tips, (std::vector<std::wstring>{L"Minimalizuj", L"Zamknij", L"Anuluj",
                                               L"Spróbuj ponownie", L"Usuń"}));
}

TEST_F(FileTransferViewTest, ChannelPagesAndSpeedOnlyWhileSending) {
    auto* tab = static_cast<DuiLib::CTabLayoutUI*>(Control(L"fixed_item_send_channel"));
    const std::pair<uint32_t, int> pages[] = {{1, 0}, {0, 1}, {2, 2}, {5, 2}};
    for (const auto& [shareType, page] : pages) {
        UIListItemInfo info = Info(UIItemState::Sending);
        info.shareType = shareType;
        view->ShowCurrentItem(1, info);
        EXPECT_EQ(tab->GetCurSel(), page) << shareType;
    }
    view->UpdateProgress(0, 120, 2 * 1048576);
    EXPECT_EQ(Text(L"fixed_item_speed"), L"2 MB/s");
    EXPECT_EQ(Text(L"fixed_item_time_remains"), L"About 2 min left");
    view->UpdateItem(1, Info(UIItemState::Preparing));
    view->UpdateProgress(0, 5, 1024);
    EXPECT_EQ(Text(L"fixed_item_speed"), L"2 MB/s");
}

TEST_F(FileTransferViewTest, ClicksReportAndTellTheController) {
    Start(2);
    duistandin::Click(view->GetPaintManager()->FindSubControlByName(H().FindQueuedItem(3),
                                                                    L"queued_item_remove_button"));
    EXPECT_TRUE(H().FindQueuedItem(3)->IsRemoved());
    view->RemoveQueuedItem(3);
    EXPECT_EQ(H().FindQueuedItem(3), nullptr);
    view->SetRetryVisible(true);
    duistandin::Click(Control(L"queued_item_retry_button"));
    EXPECT_FALSE(Control(L"queued_item_retry_button")->IsVisible());
    view->SetRemoveEnabled(true);
    duistandin::Click(Control(L"fixed_item_remove_button"));
    EXPECT_EQ(Text(L"fixed_item_title_label"), L"Cancelling…");
    EXPECT_FALSE(Control(L"fixed_item_remove_button")->IsEnabled());
    duistandin::Click(Control(L"window_min_button"));
    EXPECT_TRUE(IsIconic(view->GetHWND()));
    EXPECT_EQ(callback.calls,
              (std::vector<std::string>{"remove:3", "queuechanged", "retry:1", "remove:1"}));
    EXPECT_EQ(UserActions(), (std::vector<int32_t>{7011, 11, 12, 10, 7}));
}

// Its pictures: golden on Linux, made and not blank (and loosely like a reference) on Windows.
TEST_F(FileTransferViewTest, Pictures) {
    // A fresh dialog in DIRECTION with a sending item and QUEUED waiting ones.
    const auto open = [this](int queued, int direction) {
        duistandin::SetDirection(direction);
        Build();
        Start(queued);
    };
    const auto compare = [this](const std::string& name) {
        LetTimePass(1000, [this] { return (*H().animationManager)->StateCount() == 0; });
        EXPECT_TRUE(testsupport::PictureMatches(view->GetPaintManager(), SWIFTSEND_GOLDEN_DIR,
                                                "dialog_" + name + ".png"));
    };
    open(0, 0);
    view->UpdateItem(1, Info(UIItemState::Sending));
    view->UpdateProgress(40, 95, 3 * 1048576 / 2);
    compare("collapsed_40");
    open(1, 0);
    view->UpdateItem(1, Info(UIItemState::Sending));
    compare("one_queued");
    // Moved to monitors of other scales and back: every size follows, the window's and the
    // light's too (a row takes its height and one design pixel of padding).
    for (auto [scale, percent] : {std::pair{150, 60u}, {200, 90u}, {100, 95u}}) {
        duistandin::SetScale(scale);
        const int dpi = 96 * scale / 100;
        view->SendMessage(WM_DPICHANGED, static_cast<WPARAM>(MAKELPARAM(dpi, dpi)), 0);
        EXPECT_EQ(Rect().right - Rect().left, 360 * scale / 100) << scale;
        EXPECT_EQ(Height(), (140 + 48) * scale / 100 + scale / 100) << scale;
        view->UpdateProgress(percent, 95, 3 * 1048576 / 2);
        if (scale == 200) {
            LetTimePass(1000, [] { return true; });  // half a sweep on: the light is on the bar
        }
        compare("one_queued_at_" + std::to_string(scale));
    }
    open(5, 0);
    compare("overflow");
    open(0, 0);
    view->UpdateItem(1, Info(UIItemState::Failed, {L"a.mp4", L"b.mp4"}, 73400320,
                             L"The transfer failed. Try again."));
    view->SetRetryVisible(true);
    compare("failed_retry");
    // Right to left, in Arabic: the whole dialog mirrored, the bar filling from the right.
    testsupport::UseLanguage("ar");
    open(1, 1);
    view->UpdateItem(1, Info(UIItemState::Sending));
    view->UpdateProgress(40, 95, 1048576);
    compare("rtl_one_queued");
}

// Mock time and the virtual desktop.
#ifndef _WIN32
TEST_F(FileTransferViewTest, CreatedHiddenTopmostWithItsIconAndShownCollapsedOnce) {
    ASSERT_NE(view->GetHWND(), nullptr);
    EXPECT_EQ(FindWindowW(L"FileTransferDialog", L"FileTransferDialog"), view->GetHWND());
    EXPECT_FALSE(IsWindowVisible(view->GetHWND()));
    EXPECT_TRUE(win32standin::IsTopmost(view->GetHWND()));
    EXPECT_EQ(win32standin::WindowIconResource(view->GetHWND()), 167);
    EXPECT_EQ(GetWindowLongPtrW(view->GetHWND(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_TRUE(view->GetShadow()->IsShowShadow());
    view->ShowDialog();
    EXPECT_TRUE(IsWindowVisible(view->GetHWND()));
    const RECT rc = Rect();  // centred in the work area
    EXPECT_EQ((std::vector<LONG>{rc.left, rc.right - rc.left, rc.bottom - rc.top}),
              (std::vector<LONG>{(1920 - 360) / 2, 360, 116}));
    SetWindowPos(view->GetHWND(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    view->ShowDialog();  // already visible: raised only
    EXPECT_EQ((std::vector<LONG>{Rect().left, Rect().top}), (std::vector<LONG>{10, 20}));
    EXPECT_EQ(UserActions(), (std::vector<int32_t>{7011}));
}

// The height follows the queued count up to the skin's row count, then the list scrolls. Skin
// values the dialog cannot work with count as missing: the key's default and a WARN line.
TEST_F(FileTransferViewTest, HeightFollowsTheQueuedCountAndUnusableSkinValuesTakeTheirDefaults) {
    const wchar_t* maxRows = L"maxitemcount";
    const wchar_t* rowHeight = L"queueditem_height";
    struct Case {
        const wchar_t* key;
        const wchar_t* value;  // empty: absent
        int queued;
        int height;
        bool scrolls;
        bool warns;
    } cases[] = {
        {maxRows, L"", 0, 116, false, false},
        {maxRows, L"", 1, 140 + 49, false, false},
        {maxRows, L"", 3, 140 + 3 * 49, false, false},
        {maxRows, L"", 7, 140 + 3 * 49, true, false},
        {maxRows, L"many", 4, 140 + 3 * 49, true, true},
        {maxRows, L"-2", 5, 140 + 3 * 49, true, true},
        {maxRows, L"5", 5, 140 + 5 * 49, false, false},
        {maxRows, L"5", 6, 140 + 5 * 49, true, false},
        {maxRows, L"2147483647", 2, 116, false, false},
        {L"transfer_dialog_height", L"-140", 1, 49, false, true},
        {L"tranfer_dialog_height_collapsed", L"99999", 0, 0, false, true},
        {rowHeight, L"0", 2, 140 + 2, false, true},
        {rowHeight, L"-1", 2, 140 + 2, false, true},
        {rowHeight, L"2147483647", 4, 140 + 3, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.key) + "=" + testing::PrintToString(c.value) + " " +
                     std::to_string(c.queued));
        testsupport::LogCapture log;
        Build([&](DuiLib::CPaintManagerUI* pm) { pm->SetUserValue(c.key, c.value); });
        Start(c.queued);
        EXPECT_EQ(Height(), c.height);
        EXPECT_EQ(H().queueList->GetVerticalScrollBar() != nullptr, c.scrolls);
        EXPECT_EQ(Text(L"queued_item_count_label"),
                  L"Waiting (" + std::to_wstring(c.queued) + L")");
        EXPECT_EQ(log.CountStartingWith("skin value " + win32standin::ToUtf8(c.key)),
                  c.warns ? 1u : 0u);
    }
    view->RefreshQueuedCount(-1);  // ignored
    EXPECT_EQ(Text(L"queued_item_count_label"), L"Waiting (4)");
}

TEST_F(FileTransferViewTest, DoubleClickRereadsTheCountAndOnlyIdleInfosBecomeRows) {
    Start(1);
    view->AddQueuedItem(9, Info(UIItemState::Sending));
    EXPECT_EQ(H().queueList->GetCount(), 1);
    view->AddQueuedItem(3, Info(UIItemState::Idle));
    callback.queued = 2;
    view->SendMessage(WM_LBUTTONDBLCLK, 0, 0);
    duistandin::AdvanceTime(1000);
    EXPECT_EQ(Height(), 140 + 2 * 49);
    auto* row = H().FindQueuedItem(3);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(view->GetPaintManager()->FindSubControlByName(row, L"sendto_label")->GetText(),
              L"Waiting to send to Ann's phone");
    EXPECT_EQ(view->GetPaintManager()->FindSubControlByName(row, L"file_size_label")->GetText(),
              L"2.50 MB");
}

TEST_F(FileTransferViewTest, FixedItemTitlesByStateWithTheTemporaryMessage) {
    view->ShowCurrentItem(1, Info(UIItemState::Idle));
    EXPECT_EQ(Text(L"fixed_item_title_label"), L"Getting ready to send to Ann's phone");
    EXPECT_EQ(Text(L"fixed_item_filename"), L"report.pdf");
    EXPECT_EQ(Text(L"fixed_item_filesize"), L"2.50 MB");
    // A status text shows for 1200 ms; a title arriving meanwhile shows afterwards.
    view->UpdateItem(1, Info(UIItemState::Idle, {}, 0, L"Turn on Bluetooth"));
    EXPECT_EQ(Text(L"fixed_item_title_label"), L"Turn on Bluetooth");
    EXPECT_EQ(Text(L"fixed_item_filename"), L"1 file");  // no files: the count of one
    view->UpdateItem(1, Info(UIItemState::Sending, {L"a", L"b", L"c"}));
    EXPECT_EQ(Text(L"fixed_item_title_label"), L"Turn on Bluetooth");
    EXPECT_EQ(Text(L"fixed_item_filename"), L"3 files");
    duistandin::AdvanceTime(1199);
    EXPECT_EQ(Text(L"fixed_item_title_label"), L"Turn on Bluetooth");
    duistandin::AdvanceTime(1);
    EXPECT_EQ(Text(L"fixed_item_title_label"), L"Sending to Ann's phone");

    struct Case {
        UIItemState state;
        const wchar_t* title;
        DWORD colour;
    } cases[] = {
        {UIItemState::Failed, L"Could not send", 0xFFFF0000},
        {UIItemState::Cancelled, L"The transfer to Ann's phone was cancelled", 0xFFFF0000},
        {UIItemState::Rejected, L"Ann's phone declined the files", 0xFFFF0000},
        {UIItemState::Succeeded, L"Sent", 0xFF000000},
    };
    for (const auto& c : cases) {
        // During a temporary message a title waits for its end, except a failure, which shows
        // at once, in red (and gives way to the saved title when the message ends).
        const std::wstring before = Text(L"fixed_item_title_label");
        view->UpdateItem(1, Info(UIItemState::Idle, {}, 0, L"temporary"));
        view->UpdateItem(1, Info(c.state, {}, 0, L"Could not send"));
        const bool immediate = c.state == UIItemState::Failed;
        EXPECT_EQ(Text(L"fixed_item_title_label"), immediate ? c.title : L"temporary");
        const DWORD colourAtOnce = Control(L"fixed_item_title_label")->GetTextColor();
        duistandin::AdvanceTime(1200);
        EXPECT_EQ(Text(L"fixed_item_title_label"), immediate ? before : c.title);
        EXPECT_EQ(immediate ? colourAtOnce : Control(L"fixed_item_title_label")->GetTextColor(),
                  c.colour);
    }
    EXPECT_FALSE(view->UpdateItem(42, Info(UIItemState::Sending)));
}

TEST_F(FileTransferViewTest, ProgressAnimationsReplaceEachOtherAndNeverGoBack) {
    Start(0);
    view->UpdateProgress(40, 0, 0);
    duistandin::AdvanceTime(48);
    const unsigned reached = H().fixedItem->GetProgress();
    EXPECT_GT(reached, 0u);
    EXPECT_LT(reached, 40u);
    view->UpdateProgress(60, 0, 0);  // replaces the first, from where it got to
    EXPECT_EQ((*H().animationManager)->StateCount(), 1u);
    duistandin::AdvanceTime(200);
    EXPECT_EQ(H().fixedItem->GetProgress(), 60u);
    EXPECT_EQ(Text(L"title_progress_label"), L"60%");
    view->UpdateProgress(30, 0, 0);
    duistandin::AdvanceTime(200);
    EXPECT_EQ(H().fixedItem->GetProgress(), 60u);
    view->SetTitlePercent(250);
    EXPECT_EQ(Text(L"title_progress_label"), L"100%");
    view->UpdateProgress(0, 0, 0);
    EXPECT_EQ(H().fixedItem->GetProgress(), 0u);
}

// Height changes wait behind progress animations: neither the end of an earlier resize nor a
// stream of progress reports faster than the 150 ms animation may drop or hold them.
TEST_F(FileTransferViewTest, HeightChangesSurviveAStreamOfProgressReports) {
    Start(0);
    std::vector<unsigned> rows;
    unsigned percent = 1;
    for (int step : {+1, +1, +1, -1, +1, -1, -1, +1, -1}) {
        if (step > 0) {
            rows.push_back(10 + percent);
            view->AddQueuedItem(rows.back(), Info(UIItemState::Idle));
        } else {
            view->RemoveQueuedItem(rows.back());
            rows.pop_back();
        }
        callback.queued = static_cast<int>(rows.size());
        view->RefreshQueuedCount(callback.queued);
        for (int report = 0; report < 5; ++report) {
            view->UpdateProgress(++percent, 0, 0);
            duistandin::AdvanceTime(60);
        }
        EXPECT_EQ(Height(), rows.empty() ? 116 : 140 + 49 * static_cast<int>(rows.size()))
            << rows.size() << " rows at " << percent << "%";
    }
}

// Changes quicker than a resize: each is measured from where the ones before it leave the
// window, so the dialog settles at the height of the last, also when the window's close
// (which cancels all) comes before an earlier change has begun.
TEST_F(FileTransferViewTest, QuickHeightChangesSettleAtTheLastOne) {
    const std::vector<std::vector<int>> runs = {
        {+1, +1, +1, -1, +1, -1, -1, +1, -1, +1, +1, -1},  // +1 adds a row, -1 removes one
        {+1, +1, 0},                                       // 0 closes the window
        {+1, +1, -1, +1, +1, 0},
    };
    for (const std::vector<int>& run : runs) {
        for (int gapMs : {0, 10, 60}) {
            SCOPED_TRACE(testing::Message() << "run of " << run.size() << ", gap " << gapMs);
            TearDown();
            SetUp();
            Start(0);
            std::vector<unsigned> rows;
            for (int step : run) {
                if (step == 0) {
                    view->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
                    rows.clear();
                } else if (step > 0) {
                    rows.push_back(10 + static_cast<unsigned>(rows.size()));
                    view->AddQueuedItem(rows.back(), Info(UIItemState::Idle));
                } else {
                    view->RemoveQueuedItem(rows.back());
                    rows.pop_back();
                }
                if (step != 0) {
                    callback.queued = static_cast<int>(rows.size());
                    view->RefreshQueuedCount(callback.queued);
                    view->UpdateProgress(static_cast<unsigned>(rows.size()) + 1, 0, 0);
                }
                duistandin::AdvanceTime(gapMs);
            }
            duistandin::AdvanceTime(1000);
            EXPECT_EQ(Height(), rows.empty() ? 116 : 140 + 49 * static_cast<int>(rows.size()));
        }
    }
}

TEST_F(FileTransferViewTest, FinishedItemMakesWayForTheNextQueuedOneAfterTheKeepTimeout) {
    Start(2);
    view->ScheduleNextItem(true, 1);
    view->ScheduleNextItem(true, 1);  // running: not restarted
    duistandin::AdvanceTime(1499);
    EXPECT_EQ(H().fixedItem->GetId(), 1u);
    callback.queued = 1;
    duistandin::AdvanceTime(1);
    EXPECT_EQ(H().fixedItem->GetId(), 2u);
    EXPECT_EQ(callback.calls, (std::vector<std::string>{"shown:1"}));
    duistandin::AdvanceTime(1000);
    EXPECT_EQ(Height(), 140 + 49);
    // The last one finishes: the dialog stays for the hide timeout, then hides.
    view->ScheduleNextItem(false, 0);
    callback.queued = 0;
    view->ScheduleHide(true);
    duistandin::AdvanceTime(2999);
    EXPECT_TRUE(IsWindowVisible(view->GetHWND()));
    duistandin::AdvanceTime(1);
    EXPECT_FALSE(IsWindowVisible(view->GetHWND()));
    EXPECT_EQ(callback.calls.back(), "closeall");
    EXPECT_EQ(Text(L"fixed_item_title_label"), L"");
}

TEST_F(FileTransferViewTest, SystemCloseCancelsEverythingButKeepsTheWindowAndMaximiseIsRefused) {
    Start(3);
    view->ScheduleHide(true);
    view->SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    view->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    duistandin::AdvanceTime(5000);
    EXPECT_TRUE(IsWindow(view->GetHWND()));
    EXPECT_EQ(H().queueList->GetCount(), 0);
    EXPECT_EQ(Height(), 116);
    EXPECT_FALSE(Control(L"window_close_button")->IsEnabled());
    EXPECT_EQ(callback.calls, (std::vector<std::string>{"cancelall"}));  // no hide timer end
    EXPECT_EQ(UserActions(), (std::vector<int32_t>{7011, 9}));
    duistandin::Click(Control(L"window_close_button"));  // disabled now
    EXPECT_EQ(callback.calls.size(), 1u);
}

TEST_F(FileTransferViewTest, DestroyedInTheMiddleOfAnimationsWithoutTouchingIt) {
    Start(1);
    view->UpdateProgress(80, 0, 0);
    view->RefreshQueuedCount(0);
    view->ScheduleHide(true);
    duistandin::AdvanceTime(20);
    view.reset();
    duistandin::AdvanceTime(5000);
    EXPECT_EQ(win32standin::LiveWindowCount(), 0u);
    EXPECT_TRUE(std::find(callback.calls.begin(), callback.calls.end(), "closeall") ==
                callback.calls.end());
}

#endif

}  // namespace
