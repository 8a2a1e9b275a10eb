// The receive dialog as its user meets it, on both platforms (real windows under Wine): what
// the offer says, where it shows, and what its buttons post, report and do to the window.
#include "LogCapture.h"
#include "RecvDialogFixture.h"
#include "RecvDialogOps.h"

#include <Registry.h>
#include <TandemUtilStandIn.h>

#include <cstring>
#include <fstream>
#include <map>

namespace {

using namespace recvdialogtest;

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
        for (const char* footer : {"init", "recving", "complete"}) {
            const std::wstring name = L"file_recv_dialog_" +
                                      std::wstring(footer, footer + std::strlen(footer)) +
                                      L"_footer";
            Control(name.c_str())->SetVisible(true);
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

}  // namespace
