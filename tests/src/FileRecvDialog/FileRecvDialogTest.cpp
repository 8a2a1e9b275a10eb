// The receive dialog built from the project's layout on mock time: the messages it posts and
// their bytes, the save-folder choice, the folder helper's messages, the failure reports, the
// auto-close on calendar seconds, the click table and its pictures.
#include "FakeTransferFile.h"
#include "FileRecvDialog.h"
#include "GoldenImage.h"
#include "LogCapture.h"
#include "UIBackgroundProgress.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <Registry.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <filesystem>
#include <fstream>
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

std::string WithNul(const std::string& text) {
    return text + std::string(1, '\0');
}

class FileRecvDialogTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        root = fs::temp_directory_path() /
               ("recvdialog-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root / "AppData" / "Roaming");
        win32standin::SetAppDataFolder((root / "AppData" / "Roaming").wstring());
        sender.devName = L"Ana's phone";
        sender.shareType = 0;
    }
    void TearDown() override {
        dialog.reset();
        win32standin::SetAppDataFolder(L"");
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
    DuiLib::CControlUI* Control(const wchar_t* name) {
        return dialog->GetPaintManager()->FindControl(name);
    }
    std::wstring TextOf(const wchar_t* name) { return Control(name)->GetText().str(); }
    void ClickOn(const wchar_t* name) {
        dialog->GetPaintManager()->SendNotify(Control(name), L"click");
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
                                  L" file(s)"
                            : L"");
            EXPECT_EQ(
                Control(L"file_recv_dialog_devicetype")->GetBkImage().str(),
                known ? L"../../res/drawable/swiftsend/" + std::wstring(c.icon) + L".png" : L"");
        }
    }
}

TEST_F(FileRecvDialogTest, AnswersPostTheirMessageAndPayloadToTheService) {
    const std::wstring folder = L"C:\\Users\\me\\Downloads";
    const wchar_t* accept = L"file_recv_dialog_accept_button";
    const wchar_t* refuse = L"file_recv_dialog_refuse_button";
    const wchar_t* cancel = L"file_recv_dialog_cancel_button";
    const wchar_t* close = L"window_close_button";
    const Post accepted{0x150000, 0x15004A, 0xFFFFFFFF, StreamString("C:\\Users\\me\\Downloads")};
    const Post refused{0x150000, 0x15004C, 0xFFFFFFFF, ""};
    struct Case {
        const char* name;
        const wchar_t* click;
        bool withTransfer;
        std::wstring savePath;
        std::vector<Post> posts;
        RecvState state;
        bool closed;
    } cases[] = {
        {"accept", accept, true, folder, {accepted}, RecvState::Receiving, false},
        {"accept without a folder", accept, true, L"", {}, RecvState::Receiving, false},
        {"refuse", refuse, true, folder, {refused}, RecvState::Waiting, true},
        {"close while waiting refuses", close, true, folder, {refused}, RecvState::Waiting, true},
        {"refuse without channel", refuse, false, folder, {}, RecvState::Waiting, false},
        {"cancel without channel still fails", cancel, false, folder, {}, RecvState::Failed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transfer.ClearPosts();
        testsupport::LogCapture log;
        Open({L"a.txt"}, 10, c.withTransfer);
        dialog->SetSavePath(c.savePath);
        ClickOn(c.click);
        EXPECT_EQ(transfer.Posts(), c.posts);
        EXPECT_EQ(dialog->GetState(), c.state);
        EXPECT_EQ(dialog->IsClosed(), c.closed);
        if (c.savePath.empty()) {
            EXPECT_TRUE(
                log.Contains("fail to get receive file path.(FileRecvDialog::OnAcceptClick)"));
            EXPECT_EQ(TextOf(L"file_recv_dialog_header_label"), L"Receiving…");
        }
    }
}

TEST_F(FileRecvDialogTest, CancelWhileReceivingPostsAndCloses) {
    Open();
    dialog->SetSavePath(L"C:\\in");
    ClickOn(L"file_recv_dialog_accept_button");
    EXPECT_NE(dialog->GetAcceptTicks(), 0u);
    ClickOn(L"window_close_button");
    EXPECT_EQ(transfer.PostedIds(), (std::vector<uint32_t>{0x15004A, 0x15004D}));
    EXPECT_EQ(dialog->GetState(), RecvState::Failed);
    EXPECT_TRUE(dialog->IsClosed());
    EXPECT_FALSE(IsWindow(dialog->GetHWND()));
}

TEST_F(FileRecvDialogTest, SaveFolderLongerThanAStreamStringIsRefused) {
    for (size_t length : {size_t{32767}, size_t{32768}, size_t{40000}}) {
        SCOPED_TRACE(length);
        transfer.ClearPosts();
        testsupport::LogCapture log;
        Open();
        dialog->SetSavePath(std::wstring(length, L'd'));
        EXPECT_EQ(dialog->OnAcceptClick(), length <= 32767);
        if (length <= 32767) {
            ASSERT_EQ(transfer.Posts().size(), 1u);
            EXPECT_EQ(transfer.Posts()[0].data, StreamString(std::string(length, 'd')));
        } else {
            EXPECT_TRUE(transfer.Posts().empty());
            EXPECT_TRUE(
                log.Contains("fail to packetSavePath. len=-1(FileRecvDialog::OnAcceptClick)"));
        }
    }
}

TEST_F(FileRecvDialogTest, SaveButtonOpensThePickerAtTheFirstUsableFolder) {
    const std::wstring base = (root / "AppData" / "Roaming").wstring() + L"\\..\\..\\";
    struct Case {
        const char* name;
        std::vector<const char*> blocked;  // standard folders that are plain files
        std::wstring savePath;
        std::wstring expected;  // empty: no picker
    } cases[] = {
        {"desktop", {}, L"", base + L"Desktop"},
        {"desktop blocked", {"Desktop"}, L"", base + L"Documents"},
        {"all but videos blocked",
         {"Desktop", "Documents", "Downloads", "Music", "Pictures"},
         L"",
         base + L"Videos"},
        {"none usable",
         {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"},
         L"",
         L""},
        {"chosen folder first", {}, L"E:\\phone", L"E:\\phone"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root / "Desktop");
        for (const char* folder : {"Documents", "Downloads", "Music", "Pictures", "Videos"}) {
            fs::remove_all(root / folder);
        }
        for (const char* folder : c.blocked) {
            std::ofstream(root / folder) << "x";
        }
        transfer.ClearPosts();
        utilstandin::ClearStartedProcesses();
        Open();
        dialog->SetSavePath(c.savePath);
        ClickOn(L"file_recv_dialog_save_button");
        if (c.expected.empty()) {
            EXPECT_TRUE(utilstandin::StartedProcesses().empty());
            EXPECT_FALSE(dialog->IsFolderDialogOpen());
            continue;
        }
        ASSERT_EQ(utilstandin::StartedProcesses().size(), 1u);
        EXPECT_EQ(utilstandin::StartedProcesses()[0].exe, L"OpenDir.exe");
        EXPECT_EQ(utilstandin::StartedProcesses()[0].args, c.expected);
        EXPECT_TRUE(dialog->IsFolderDialogOpen());
        // The helper is given half a second to start before it hears from the dialog.
        duistandin::AdvanceTime(499);
        EXPECT_TRUE(transfer.Posts().empty());
        duistandin::AdvanceTime(1);
        ASSERT_EQ(transfer.Posts().size(), 1u);
        EXPECT_EQ(transfer.Posts()[0].destination, 0x350000u);
        EXPECT_EQ(transfer.Posts()[0].messageId, 0x350003u);
        EXPECT_EQ(transfer.Posts()[0].data, WithNul(DE::UnicodeToUTF8(c.expected)));
        dialog->Close();
        EXPECT_EQ(transfer.PostedIds(), (std::vector<uint32_t>{0x350003, 0x350002}));
    }
}

TEST_F(FileRecvDialogTest, OpenFolderSelectsTheReceivedFilesThatExist) {
    const fs::path inbox = root / "in|box";
    fs::create_directories(inbox);
    std::ofstream(inbox / "a.jpg") << "a";
    std::ofstream(inbox / "b|c.txt") << "b";
    const std::wstring folder = inbox.wstring();
    const std::wstring a = (inbox / "a.jpg").wstring();
    const std::wstring bc = (inbox / "b|c.txt").wstring();
    const std::wstring missing = (inbox / "gone.txt").wstring();
    struct Case {
        const char* name;
        std::wstring savePath;
        std::vector<std::wstring> received;
        std::string expected;  // empty: nothing started or posted
    } cases[] = {
        {"existing files, bars unescaped",
         folder,
         {a, missing, bc},
         DE::UnicodeToUTF8(folder + L"|" + a + L"|" + bc)},
        {"none exists", folder, {missing}, ""},
        {"save folder missing", (root / "nowhere").wstring(), {a}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transfer.ClearPosts();
        utilstandin::ClearStartedProcesses();
        Open();
        dialog->SetSavePath(c.savePath);
        dialog->SetReceivedPaths(c.received);
        EXPECT_EQ(dialog->OnOpenDirClick(), !c.expected.empty());
        duistandin::AdvanceTime(500);
        if (c.expected.empty()) {
            EXPECT_TRUE(utilstandin::StartedProcesses().empty());
            EXPECT_TRUE(transfer.Posts().empty());
            continue;
        }
        ASSERT_EQ(utilstandin::StartedProcesses().size(), 1u);
        EXPECT_EQ(utilstandin::StartedProcesses()[0].args, L"openfolder");
        ASSERT_EQ(transfer.Posts().size(), 1u);
        EXPECT_EQ(transfer.Posts()[0].messageId, 0x350005u);
        EXPECT_EQ(transfer.Posts()[0].data, WithNul(c.expected));
    }
}

TEST_F(FileRecvDialogTest, FailureReportsAndShowsTheFailedState) {
    sender.devTypeIsOne = true;
    sender.shareType = 1;
    Open();
    dialog->SetState(RecvState::Receiving);
    dialog->GetProgress()->SetPercent(40);
    dialog->OnRecvFail(27);
    EXPECT_EQ(
        tandemstandin::ReportedEvents(),
        (std::vector<ReportedEvent>{{ReportedEvent::Event, 1034, {"1", "27"}},
                                    {ReportedEvent::Event, 7015, {"0", "27", "1", "1", "0"}}}));
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

    dialog->Close();
    duistandin::RunUntilIdle();
    tandemstandin::ClearReportedEvents();
    dialog->OnRecvFail(10);
    EXPECT_TRUE(tandemstandin::ReportedEvents().empty());
}

TEST_F(FileRecvDialogTest, AutoCloseFiresBetweenFiveAndSixAndAHalfSecondsAfterArming) {
    // The mock clock starts on a whole calendar second; arm at several points into a second.
    for (uint64_t into : {0, 1, 499, 500, 999}) {
        SCOPED_TRACE(into);
        Open();
        duistandin::AdvanceTime(into);
        dialog->ArmAutoClose();
        duistandin::AdvanceTime(5000);
        EXPECT_FALSE(dialog->IsClosed());
        duistandin::AdvanceTime(1500);
        EXPECT_TRUE(dialog->IsClosed());
        duistandin::AdvanceTime(1500 - into);  // back onto a whole second
    }
}

TEST_F(FileRecvDialogTest, CursorOverTheWindowKeepsItOpen) {
    Open();
    dialog->ShowWindow(true, false);
    RECT rc{};
    GetWindowRect(dialog->GetHWND(), &rc);
    SetCursorPos(rc.left + 5, rc.top + 5);
    dialog->ArmAutoClose();
    duistandin::AdvanceTime(4000);
    dialog->GetPaintManager()->SendNotify(Control(L"file_recv_dialog_filename"), L"mouseenter");
    duistandin::AdvanceTime(5500);
    EXPECT_FALSE(dialog->IsClosed());
    duistandin::AdvanceTime(1000);
    EXPECT_TRUE(dialog->IsClosed());
}

TEST_F(FileRecvDialogTest, ClicksReportTheirUsageCodes) {
    struct Case {
        const wchar_t* control;
        int code;  // 0: not reported
    } cases[] = {
        {L"file_recv_dialog_accept_button", 13},  {L"file_recv_dialog_save_button", 14},
        {L"file_recv_dialog_refuse_button", 15},  {L"window_close_button", 16},
        {L"file_recv_dialog_cancel_button", 17},  {L"file_recv_dialog_open_button", 18},
        {L"file_recv_dialog_opendir_button", 19}, {L"file_recv_dialog_filename", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Open({L"a.txt"}, 1, false);
        tandemstandin::ClearReportedEvents();
        ClickOn(c.control);
        std::vector<ReportedEvent> expected;
        if (c.code != 0) {
            expected.push_back({ReportedEvent::Event, 7008, {std::to_string(c.code)}});
        }
        EXPECT_EQ(tandemstandin::ReportedEvents(), expected);
    }
}

TEST_F(FileRecvDialogTest, Pictures) {
    struct Case {
        const char* name;
        std::vector<std::wstring> files;
        void (*then)(FileRecvDialog&);
    } cases[] = {
        {"waiting", {L"C:\\Users\\me\\holiday.mp4"}, [](FileRecvDialog&) {}},
        {"failed_two_files",
         {L"a.jpg", L"b.pdf"},
         [](FileRecvDialog& d) {
             d.SetReceivedPaths({L"a.jpg", L"b.pdf"});
             d.SetState(RecvState::Receiving);
             d.OnRecvFail(23);
         }},
    };
    for (const Case& c : cases) {
        Open(c.files);
        c.then(*dialog);
        duistandin::AdvanceTime(100);
        dialog->GetPaintManager()->Paint();
        EXPECT_TRUE(MatchesGolden(dialog->GetPaintManager()->GetSurface(),
                                  std::string(SWIFTSEND_GOLDEN_DIR) + "/recv_" + c.name + ".png"))
            << c.name;
    }
}

}  // namespace
