// The receive dialog, built from the project's layout, opened on an offer and clicked through
// its window procedure. On both platforms (real windows under Wine): what the offer says, where
// it shows, and what its buttons post, report and do to the window. On Linux, on mock time: the
// save-folder choice and the folder helper's messages, the auto-close on calendar seconds, the
// failure reports and their pictures.
#include "FakeTransferFile.h"
#include "FileRecvDialog.h"
#include "LogCapture.h"
#include "RecvDialogOps.h"
#include "TempPath.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <Registry.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#ifndef _WIN32
#include "GoldenImage.h"
#include "UIBackgroundProgress.h"

#include <cairo.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>
#endif

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tandemstandin::ReportedEvent;

using testsupport::Post;

// A DataStream string: 16-bit length, then the bytes.
std::string StreamString(const std::string& text) {
    const auto n = static_cast<uint16_t>(text.size());
    return std::string{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)} + text;
}

class FileRecvDialogTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        root = testsupport::TempPath("recvdialog");
        fs::remove_all(root);
        fs::create_directories(root);
        sender.devName = L"Ana's phone";
        sender.shareType = 0;
    }
    void TearDown() override {
        dialog.reset();
        fs::remove_all(root);
        UiTest::TearDown();
    }
    void Open(std::vector<std::wstring> files = {L"C:\\Users\\me\\holiday.mp4"},
              int64_t size = 3 * 1048576, bool withTransfer = true) {
        dialog = std::make_unique<FileRecvDialog>();
        ASSERT_TRUE(dialog->Prepare());
        dialog->SetTransfer(withTransfer ? &transfer : nullptr);
        dialog->SetSender(sender);
        dialog->SetOfferedFiles(std::move(files), size);
        ASSERT_NE(dialog->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW), nullptr);
    }
    // An offer of "a.mp4" shown as the dispatcher shows it, with a thumbnail that does not decode.
    void ShowOfferWithABadThumbnail() {
        const std::string garbage = "not a picture";
        RecvOffer offer;
        offer.sender = sender;
        offer.offeredNames = {L"a.mp4"};
        offer.thumbnail.assign(garbage.begin(), garbage.end());
        dialog = std::make_unique<FileRecvDialog>();
        ASSERT_TRUE(dialog->Prepare());
        ASSERT_TRUE(recvdialogops::ShowOffer(dialog.get(), offer));
    }
    DuiLib::CControlUI* Control(const wchar_t* name) {
        return dialog->GetPaintManager()->FindControl(name);
    }
    std::wstring TextOf(const wchar_t* name) { return Control(name)->GetText().str(); }
    // A user's click: through the window procedure, nothing for a hidden or disabled button.
    void ClickOn(const wchar_t* name) {
        duistandin::Click(Control(name));
        duistandin::RunUntilIdle();
    }

    fs::path root;
    KxShareDevices sender;
    testsupport::FakeTransferFile transfer;
    std::unique_ptr<FileRecvDialog> dialog;
};

TEST_F(FileRecvDialogTest, ShowsTheOfferBySizeNameAndLinkKind) {
    struct Case {
        int64_t size;
        std::vector<std::wstring> files;
        uint32_t shareType;
        const wchar_t* sizeText;
        const wchar_t* name;
        const wchar_t* icon;  // null: not looked at; empty: header and icon left empty
    } cases[] = {
        {1024, {L"D:\\in\\a.txt"}, 0, L"1024.00 B", L"a.txt", L"icon_velmorashare"},
        {1023, {L"DCIM/Camera\\x/c.jpg"}, 0, L"1023.00 B", L"c.jpg", nullptr},
        {1025, {L"b.txt", L"c.txt"}, 1, L"1.00 KB", L"b.txt", L"icon_bluetooth"},
        {0x100000, {L"a.txt"}, 0, L"1024.00 KB", L"a.txt", nullptr},
        {0x100001, {L"a.txt"}, 0, L"1.00 MB", L"a.txt", nullptr},
        {0x40000001LL, {L"a.txt"}, 0, L"1.00 GB", L"a.txt", nullptr},
        {5LL << 40, {L"a.txt"}, 0, L"5120.00 GB", L"a.txt", nullptr},
        // A link kind the dialog does not know leaves everything after the title untouched.
        {1024, {L"a.txt"}, 2, L"", L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        sender.shareType = c.shareType;
        Open(c.files, c.size);
        EXPECT_EQ(TextOf(L"file_recv_dialog_title"), L"Receive files");
        EXPECT_EQ(TextOf(L"file_recv_dialog_filesize"), c.sizeText);
        EXPECT_EQ(Control(L"file_recv_dialog_filesize")->GetToolTip().str(), c.sizeText);
        EXPECT_EQ(TextOf(L"file_recv_dialog_filename"), c.name);
        if (c.icon) {
            const bool known = *c.icon != L'\0';
            EXPECT_EQ(TextOf(L"file_recv_dialog_header_label"),
                      known ? L"Ana's phone wants to send you " + std::to_wstring(c.files.size()) +
                                  (c.files.size() == 1 ? L" file" : L" files")
                            : L"");
            EXPECT_EQ(
                Control(L"file_recv_dialog_devicetype")->GetBkImage().str(),
                known ? L"../../res/drawable/swiftsend/" + std::wstring(c.icon) + L".png" : L"");
        }
    }
    // The default offer, as it looks: golden on Linux, made and not blank on Windows.
    sender.shareType = 0;
    Open();
    LetTimePass(100, [] { return true; });
    EXPECT_TRUE(testsupport::PictureMatches(dialog->GetPaintManager(), SWIFTSEND_GOLDEN_DIR,
                                            "recv_waiting.png"));
}

TEST_F(FileRecvDialogTest, AnswersPostTheirMessageAndPayloadToTheService) {
    const std::wstring folder = L"C:\\Users\\me\\Downloads";
    const std::wstring longest(32767, L'd');  // the most a stream string holds
    const wchar_t* accept = L"file_recv_dialog_accept_button";
    const wchar_t* refuse = L"file_recv_dialog_refuse_button";
    const wchar_t* cancel = L"file_recv_dialog_cancel_button";
    const wchar_t* close = L"window_close_button";
    const wchar_t* open = L"file_recv_dialog_open_button";
    const wchar_t* openDir = L"file_recv_dialog_opendir_button";
    // Every button reports its click under a code of its own (the save button's is 14).
    const std::map<std::wstring, int> usage = {{accept, 13}, {refuse, 15}, {close, 16},
                                               {cancel, 17}, {open, 18},   {openDir, 19}};
    const uint32_t accepted = 0x15004A, refused = 0x15004C, cancelled = 0x15004D;
    const RecvState waiting = RecvState::Waiting, receiving = RecvState::Receiving,
                    failed = RecvState::Failed;
    const char* noFolder = "fail to get receive file path.(FileRecvDialog::OnAcceptClick)";
    const char* tooLong = "fail to packetSavePath. len=-1(FileRecvDialog::OnAcceptClick)";
    struct Case {
        const char* name;
        std::vector<const wchar_t*> clicks;
        std::wstring savePath;
        std::vector<uint32_t> posts;
        RecvState state;
        bool closed;
        const char* log = nullptr;
        bool withTransfer = true;
    } cases[] = {
        {"accept", {accept}, folder, {accepted}, receiving, false},
        {"accept without a folder", {accept}, L"", {}, receiving, false, noFolder},
        {"accept the longest folder", {accept}, longest, {accepted}, receiving, false},
        {"folder too long", {accept}, longest + L"d", {}, receiving, false, tooLong},
        {"refuse", {refuse}, folder, {refused}, waiting, true},
        {"close while waiting refuses", {close}, folder, {refused}, waiting, true},
        {"close while receiving", {accept, close}, folder, {accepted, cancelled}, failed, true},
        {"refuse without channel", {refuse}, folder, {}, waiting, false, nullptr, false},
        {"cancel, no channel: fails", {accept, cancel}, folder, {}, failed, false, nullptr, false},
        {"other states' buttons hidden", {cancel, open, openDir}, folder, {}, waiting, false},
        {"not a button", {L"file_recv_dialog_filename"}, folder, {}, waiting, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transfer.ClearPosts();
        testsupport::LogCapture log;
        Open({L"a.txt"}, 10, c.withTransfer);
        tandemstandin::ClearReportedEvents();
        dialog->SetSavePath(c.savePath);
        std::vector<ReportedEvent> reported;
        for (const wchar_t* click : c.clicks) {
            const bool shown = Control(click)->IsVisible() && Control(click)->GetParent() &&
                               Control(click)->GetParent()->IsVisible();
            ClickOn(click);
            if (usage.count(click) != 0 && shown) {
                reported.push_back({ReportedEvent::Event, 7008, {std::to_string(usage.at(click))}});
            }
        }
        EXPECT_EQ(tandemstandin::ReportedEvents(), reported);
        std::vector<Post> posts;
        for (uint32_t id : c.posts) {
            const std::string folderBytes = DE::UnicodeToUTF8(c.savePath);
            posts.push_back(
                {0x150000, id, 0xFFFFFFFF, id == accepted ? StreamString(folderBytes) : ""});
        }
        EXPECT_EQ(transfer.Posts(), posts);
        EXPECT_EQ(dialog->GetState(), c.state);
        EXPECT_EQ(dialog->IsClosed(), c.closed);
        EXPECT_EQ(IsWindow(dialog->GetHWND()) != FALSE, !c.closed);
        if (c.log) {
            EXPECT_TRUE(log.Contains(c.log));
        }
        if (c.state == receiving) {
            EXPECT_EQ(TextOf(L"file_recv_dialog_header_label"), L"Receiving…");
        }
    }
}

// The offer's window sits above the others at the corner of the work area, scaled, with a
// taskbar button. Each label has room for its longest English text at every scale; what still
// does not fit is cut with an ellipsis and whole in the tooltip.
TEST_F(FileRecvDialogTest, AnOfferShowsAtTheCornerWithTextsThatFit) {
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    const struct Label {
        const wchar_t* control;
        std::wstring text;
    } labels[] = {
        {L"file_recv_dialog_title", L"Receive files"},
        {L"file_recv_dialog_filesize", L"1023.99 KB"},
        {L"file_recv_dialog_filesize", L"1024.00 MB"},
        {L"file_recv_dialog_speed", L"1023.9 MB/s"},
        {L"file_recv_dialog_time_remains", L"Less than a minute left"},
        {L"file_recv_dialog_header_label", L"Receiving failed"},
        {L"file_recv_dialog_save_button", L"Choose folder…"},
        {L"file_recv_dialog_refuse_button", L"Decline"},
        {L"file_recv_dialog_accept_button", L"Accept"},
        {L"file_recv_dialog_cancel_button", L"Cancel"},
        {L"file_recv_dialog_open_button", L"Open"},
        {L"file_recv_dialog_opendir_button", L"Show in folder"},
    };
    for (int scale : {100, 150, 200}) {
        SCOPED_TRACE(scale);
        duistandin::SetScale(scale);
        ShowOfferWithABadThumbnail();
        HWND hwnd = dialog->GetHWND();
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        EXPECT_EQ(rc.right, work.right - scale / 10);
        EXPECT_EQ(rc.bottom, work.bottom - scale / 10);
        EXPECT_EQ(rc.right - rc.left, 380 * scale / 100);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
                  WS_EX_TOPMOST);
        for (const wchar_t* footer :
             {L"file_recv_dialog_init_footer", L"file_recv_dialog_recving_footer",
              L"file_recv_dialog_complete_footer"}) {
            Control(footer)->SetVisible(true);
        }
        dialog->GetPaintManager()->Paint();
        for (const Label& label : labels) {
            SCOPED_TRACE(DE::UnicodeToUTF8(label.text));
            DuiLib::CControlUI* control = Control(label.control);
            RECT need{0, 0, 9999, 9999};
            DuiLib::CRenderEngine::DrawText(nullptr, dialog->GetPaintManager(), need, label.text, 0,
                                            control->GetFont(), DT_SINGLELINE | DT_CALCRECT);
            const RECT& pos = control->GetPos();
            EXPECT_LE(need.right - need.left, pos.right - pos.left);
            EXPECT_NE(control->GetTextStyle() & DT_END_ELLIPSIS, 0u);
        }
        EXPECT_EQ(Control(L"window_close_button")->GetToolTip().str(), L"Close");
    }
}

// A save folder whose name is not ASCII ("下载-Загрузки"): accepting posts it, and once the files
// are in, the folder helper hears of it and of the received file found there.
TEST_F(FileRecvDialogTest, ASaveFolderWithANonAsciiNameIsPostedAndItsFilesFound) {
    const fs::path folder = root / fs::u8path(
                                       "\xE4\xB8\x8B\xE8\xBD\xBD-\xD0\x97\xD0\xB0\xD0\xB3"
                                       "\xD1\x80\xD1\x83\xD0\xB7\xD0\xBA\xD0\xB8");
    fs::create_directories(folder);
    std::ofstream(folder / "a.txt") << "a";
    const std::wstring save =
        root.wstring() + L"\\\u4E0B\u8F7D-\u0417\u0430\u0433\u0440\u0443\u0437\u043A\u0438";
    const std::wstring a = save + L"\\a.txt";
    Open({L"a.txt"}, 10);
    dialog->SetSavePath(save);
    ClickOn(L"file_recv_dialog_accept_button");
    EXPECT_EQ(transfer.Posts(), (std::vector<Post>{{0x150000, 0x15004A, 0xFFFFFFFF,
                                                    StreamString(DE::UnicodeToUTF8(save))}}));
    transfer.ClearPosts();
    ASSERT_TRUE(recvdialogops::Complete(dialog.get(), {a, save + L"\\gone.txt"}));
    ClickOn(L"file_recv_dialog_opendir_button");
    ASSERT_TRUE(LetTimePass(500, [this] { return !transfer.Posts().empty(); }));
    EXPECT_EQ(transfer.Posts(), (std::vector<Post>{{0x350000, 0x350005, 0xFFFFFFFF,
                                                    DE::UnicodeToUTF8(save + L"|" + a) + '\0'}}));
}

// Mock time, the virtual desktop and Cairo pictures.
#ifndef _WIN32
TEST_F(FileRecvDialogTest, TheFolderButtonsStartTheHelperAndPostToItHalfASecondLater) {
    const fs::path appData = root / "AppData" / "Roaming";
    fs::create_directories(appData);
    win32standin::SetAppDataFolder(appData.wstring());
    const std::wstring base = appData.wstring() + L"\\..\\..\\";
    const fs::path inbox = root / "in|box";
    fs::create_directories(inbox);
    const auto file = [&inbox](const char* name) {
        std::ofstream(inbox / name) << name;
        return (inbox / name).wstring();
    };
    const std::wstring folder = inbox.wstring(), a = file("a.jpg"), bc = file("b|c.txt"),
                       b = file("b.jpg"), missing = (inbox / "gone.txt").wstring();
    const std::wstring selection = folder + L"|" + a + L"|" + bc;
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

#endif

}  // namespace
