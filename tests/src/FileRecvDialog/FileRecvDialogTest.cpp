// The receive dialog on mock time: the save-folder choice and the folder helper's messages, the
// auto-close on calendar seconds, the failure reports and their pictures.
#include "GoldenImage.h"
#include "LogCapture.h"
#include "RecvDialogFixture.h"
#include "RecvDialogOps.h"
#include "UIBackgroundProgress.h"

#include <Registry.h>
#include <TandemUtilStandIn.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <cairo.h>

#include <fstream>

namespace {

using namespace recvdialogtest;

TEST_F(FileRecvDialogTest, TheFolderButtonsStartTheHelperAndPostToItHalfASecondLater) {
    const fs::path appData = root / "AppData" / "Roaming";
    fs::create_directories(appData);
    win32standin::SetAppDataFolder(appData.wstring());
    const std::wstring base = appData.wstring() + L"\\..\\..\\";
    const fs::path inbox = root / "in|box";
    fs::create_directories(inbox);
    std::ofstream(inbox / "a.jpg") << "a";
    std::ofstream(inbox / "b|c.txt") << "b";
    const std::wstring folder = inbox.wstring();
    const std::wstring a = (inbox / "a.jpg").wstring();
    const std::wstring bc = (inbox / "b|c.txt").wstring();
    const std::wstring missing = (inbox / "gone.txt").wstring();
    const std::wstring selection = folder + L"|" + a + L"|" + bc;
    std::ofstream(inbox / "b.jpg") << "b";
    const std::wstring b = (inbox / "b.jpg").wstring();
    const wchar_t* save = L"file_recv_dialog_save_button";
    const wchar_t* openDir = L"file_recv_dialog_opendir_button";
    const wchar_t* open = L"file_recv_dialog_open_button";
    const std::vector<std::wstring> none;
    const char* standard[] = {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"};
    struct Case {
        const char* name;
        const wchar_t* click;
        int blocked;  // the first standard folders are plain files
        std::wstring savePath;
        std::vector<std::wstring> received;
        std::wstring text;                      // for the helper; empty: the helper is not started
        std::vector<std::wstring> opened = {};  // by the open button, in their programs
    } cases[] = {
        {"picker at the desktop", save, 0, L"", {}, base + L"Desktop"},
        {"picker, desktop blocked", save, 1, L"", {}, base + L"Documents"},
        {"picker, all but videos blocked", save, 5, L"", {}, base + L"Videos"},
        {"picker, none usable", save, 6, L"", {}, L""},
        {"picker at the chosen folder", save, 0, L"E:\\phone", {}, L"E:\\phone"},
        {"existing files, bars kept", openDir, 0, folder, {a, missing, bc}, selection},
        {"no received file exists", openDir, 0, folder, {missing}, L""},
        {"save folder missing", openDir, 0, (root / "nowhere").wstring(), {a}, L""},
        // The open button starts the program of the one received file, if it still exists.
        {"open the one file", open, 0, folder, {a}, L"", {a}},
        {"open a missing file", open, 0, folder, {missing}, L"", none},
        {"open two files", open, 0, folder, {a, b}, L"", none},
        {"open nothing received", open, 0, folder, none, L"", none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int n = 0; n < 6; ++n) {
            fs::remove_all(root / standard[n]);
            if (n < c.blocked) {
                std::ofstream(root / standard[n]) << "x";
            }
        }
        transfer.ClearPosts();
        utilstandin::ClearStartedProcesses();
        win32standin::ClearShellOpenedFiles();
        Open();
        tandemstandin::ClearReportedEvents();
        dialog->SetSavePath(c.savePath);
        dialog->SetReceivedPaths(c.received);
        if (c.click != save) {
            dialog->SetState(RecvState::Received);
        }
        ClickOn(c.click);
        const bool picker = c.click == save;
        const char* usage = picker ? "14" : c.click == open ? "18" : "19";
        std::vector<ReportedEvent> reported{{ReportedEvent::Event, 7008, {usage}}};
        if (c.click == open && c.received.size() > 1) {
            reported.clear();  // the open button is hidden for more than one file
        }
        EXPECT_EQ(tandemstandin::ReportedEvents(), reported);
        EXPECT_EQ(win32standin::ShellOpenedFiles(), c.opened);
        EXPECT_EQ(dialog->IsFolderDialogOpen(), picker && !c.text.empty());
        if (c.text.empty()) {
            duistandin::AdvanceTime(500);
            EXPECT_TRUE(utilstandin::StartedProcesses().empty());
            EXPECT_TRUE(transfer.Posts().empty());
            continue;
        }
        ASSERT_EQ(utilstandin::StartedProcesses().size(), 1u);
        EXPECT_EQ(utilstandin::StartedProcesses()[0].exe, L"OpenDir.exe");
        EXPECT_EQ(utilstandin::StartedProcesses()[0].args, picker ? c.text : L"openfolder");
        // The helper is given half a second to start before it hears from the dialog.
        duistandin::AdvanceTime(499);
        EXPECT_TRUE(transfer.Posts().empty());
        duistandin::AdvanceTime(1);
        const Post post{0x350000, picker ? 0x350003u : 0x350005u, 0xFFFFFFFF,
                        DE::UnicodeToUTF8(c.text) + std::string(1, '\0')};
        EXPECT_EQ(transfer.Posts(), std::vector<Post>{post});
        if (picker) {
            dialog->Close();  // the picker goes with the dialog
            EXPECT_EQ(transfer.PostedIds(), (std::vector<uint32_t>{0x350003, 0x350002}));
        }
    }
}

// The dialog closes between five and six and a half seconds after the last activity: arming it,
// or a notification with the cursor over the window.
TEST_F(FileRecvDialogTest, AutoCloseFiresFiveToSixAndAHalfSecondsAfterTheLastActivity) {
    // The mock clock starts on a whole calendar second; arm at several points into a second.
    const struct Case {
        uint64_t into;
        uint64_t hoverAfter;  // 0: no hover
    } cases[] = {{0, 0}, {1, 0}, {499, 0}, {500, 0}, {999, 0}, {0, 4000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.into << " " << c.hoverAfter);
        Open();
        duistandin::AdvanceTime(c.into);
        dialog->ArmAutoClose();
        if (c.hoverAfter != 0) {
            dialog->ShowWindow(true, false);
            RECT rc{};
            GetWindowRect(dialog->GetHWND(), &rc);
            SetCursorPos(rc.left + 5, rc.top + 5);
            duistandin::AdvanceTime(c.hoverAfter);
            dialog->GetPaintManager()->SendNotify(Control(L"file_recv_dialog_filename"),
                                                  L"mouseenter");
        }
        duistandin::AdvanceTime(5000);
        EXPECT_FALSE(dialog->IsClosed());
        duistandin::AdvanceTime(1500);
        EXPECT_TRUE(dialog->IsClosed());
        duistandin::AdvanceTime(1500 - c.into);  // back onto a whole second
    }
}

TEST_F(FileRecvDialogTest, FailureReportsAndShowsTheFailedState) {
    const auto picture = [this](const std::string& name) {
        duistandin::AdvanceTime(100);
        dialog->GetPaintManager()->Paint();
        EXPECT_TRUE(MatchesGolden(dialog->GetPaintManager()->GetSurface(),
                                  std::string(SWIFTSEND_GOLDEN_DIR) + "/recv_" + name + ".png"));
    };
    sender.devTypeIsOne = true;
    Open({L"a.jpg", L"b.pdf"});
    dialog->SetReceivedPaths({L"a.jpg", L"b.pdf"});
    dialog->SetState(RecvState::Receiving);
    dialog->GetProgress()->SetPercent(40);
    dialog->OnRecvFail(23);
    EXPECT_EQ(
        tandemstandin::ReportedEvents(),
        (std::vector<ReportedEvent>{{ReportedEvent::Event, 1034, {"1", "23"}},
                                    {ReportedEvent::Event, 7015, {"0", "23", "1", "0", "0"}}}));
    EXPECT_EQ(dialog->GetState(), RecvState::Failed);
    EXPECT_EQ(TextOf(L"file_recv_dialog_header_label"), L"Receiving failed");
    EXPECT_TRUE(Control(L"file_recv_dialog_complete_footer")->IsVisible());
    EXPECT_FALSE(Control(L"file_recv_dialog_recving_footer")->IsVisible());
    EXPECT_TRUE(Control(L"file_recv_dialog_fail_icon")->IsVisible());
    EXPECT_FALSE(Control(L"file_recv_dialog_open_button")->IsEnabled());
    EXPECT_FALSE(Control(L"file_recv_dialog_opendir_button")->IsEnabled());
    EXPECT_FALSE(Control(L"file_recv_dialog_speed")->IsVisible());
    EXPECT_FALSE(Control(L"file_recv_dialog_time_remains")->IsVisible());
    EXPECT_EQ(dialog->GetProgress()->GetPercent(), 0u);
    EXPECT_TRUE(dialog->IsAutoCloseArmed());
    picture("failed_two_files");

    dialog->Close();
    duistandin::RunUntilIdle();
    tandemstandin::ClearReportedEvents();
    dialog->OnRecvFail(10);
    EXPECT_TRUE(tandemstandin::ReportedEvents().empty());

    // The receive report carries the sender's link kind: here Bluetooth.
    sender.shareType = 1;
    Open();
    dialog->OnRecvFail(27);
    ASSERT_EQ(tandemstandin::ReportedEvents().size(), 2u);
    EXPECT_EQ(tandemstandin::ReportedEvents()[1].values,
              (std::vector<std::string>{"0", "27", "1", "1", "0"}));
}

// While the picker is open the window answers nothing; the helper's answer (a folder, or none when
// the picker closed) or a helper that never started ends that, and clicks count again.
TEST_F(FileRecvDialogTest, ThePickersEndLetsTheWindowAnswerClicksAgain) {
    const wchar_t* save = L"file_recv_dialog_save_button";
    const wchar_t* accept = L"file_recv_dialog_accept_button";
    const struct Case {
        const char* name;
        bool startFails;
        std::wstring answer;
        std::wstring savedTo;
    } cases[] = {
        {"a folder picked", false, L"E:\\picked", L"E:\\picked"},
        {"closed without a choice", false, L"", L"C:\\in"},
        {"helper not started", true, L"", L"C:\\in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::LogCapture log;
        utilstandin::SetProcessStartFailure(c.startFails);
        Open();
        dialog->SetSavePath(L"C:\\in");
        ClickOn(save);
        duistandin::AdvanceTime(500);
        EXPECT_EQ(dialog->IsFolderDialogOpen(), !c.startFails);
        if (!c.startFails) {
            transfer.ClearPosts();
            ClickOn(accept);
            EXPECT_TRUE(transfer.Posts().empty());
            EXPECT_EQ(dialog->GetState(), RecvState::Waiting);
            EXPECT_TRUE(dialog->OnFolderPicked(c.answer));
            EXPECT_EQ(transfer.PostedIds(), std::vector<uint32_t>{0x350002});  // the helper ends
        } else {
            EXPECT_TRUE(
                log.Contains("folder helper could not be started(FileRecvDialog::OpenDirDialog)"));
        }
        EXPECT_FALSE(dialog->OnFolderPicked(L"F:\\late"));
        transfer.ClearPosts();
        ClickOn(accept);
        EXPECT_EQ(transfer.Posts(),
                  (std::vector<Post>{{0x150000, 0x15004A, 0xFFFFFFFF,
                                      StreamString(DE::UnicodeToUTF8(c.savedTo))}}));
    }
}

// A thumbnail that does not decode shows the file type's icon, as an offer without one does.
TEST_F(FileRecvDialogTest, AThumbnailThatDoesNotDecodeShowsTheTypeIcon) {
    const auto iconPixels = [this] {
        dialog->GetPaintManager()->Paint();
        cairo_surface_t* surface = dialog->GetPaintManager()->GetSurface();
        const RECT& box = Control(L"file_recv_dialog_file_icon")->GetPos();
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        std::string pixels;
        for (int y = box.top; y < box.bottom; ++y) {
            pixels.append(reinterpret_cast<const char*>(data + y * stride + box.left * 4),
                          static_cast<size_t>(box.right - box.left) * 4);
        }
        return pixels;
    };
    ShowOfferWithABadThumbnail();
    const std::string withGarbage = iconPixels();
    Open({L"a.mp4"});  // no thumbnail
    EXPECT_EQ(withGarbage, iconPixels());
}

}  // namespace
