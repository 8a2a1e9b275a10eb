// The receive-side notice dispatcher over a recording message interface and a receive dialog
// double: each handler's decision on good and bad payloads, the message boxes and their
// actions, the tip and WLAN windows handed to the host, the decoder window, and the dialogs
// from the pool to their deletion.
#include "BeamlyTipWnd.h"
#include "DataStream.h"
#include "DecoderErrorUI.h"
#include "EndpointRecorder.h"
#include "FakeTransferFile.h"
#include "FileRecvView.h"
#include "IPCMessageIds.h"
#include "LogCapture.h"
#include "RadioRestart.h"
#include "RecvDialogOps.h"
#include "UiTest.h"
#include "WifiDisconnect.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#include <SystemApiStandIn.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

// The receive dialog double: the dialog calls of RecvDialogOps.h over a plain record.
class FileRecvDialog {
public:
    Vela::Ux::ITransferFile* transfer = nullptr;
    std::function<void(FileRecvDialog*)> pickerOpened;
    bool prepared = false;
    std::vector<uint32_t> failCodes;
    bool shown = false;
    bool closed = false;  // set by the test, as the user's close would
    bool answered = false;
    bool pickerOpen = false;
    RecvOffer offer;
    std::vector<uint32_t> percents;
    std::vector<std::wstring> received;

    // As the user's click on the save button would.
    void OpenPicker() {
        pickerOpened(this);
        pickerOpen = true;
    }
};

namespace {

// What the double was asked to create and destroy.
struct Counts {
    int created = 0;
    int destroyed = 0;
    int destroyedOpen = 0;  // destroyed while not closed
    bool failShow = false;
    std::wstring defaultFolder = L"C:\\Users\\me\\Desktop";
} counts;

}  // namespace

namespace recvdialogops {

FileRecvDialog* Create(Vela::Ux::ITransferFile* transfer,
                       std::function<void(FileRecvDialog*)> pickerOpened) {
    ++counts.created;
    auto* dialog = new FileRecvDialog;
    dialog->transfer = transfer;
    dialog->pickerOpened = std::move(pickerOpened);
    return dialog;
}

bool Prepare(FileRecvDialog* dialog) {
    dialog->prepared = true;
    return true;
}

void OnRecvFail(FileRecvDialog* dialog, uint32_t code) {
    dialog->failCodes.push_back(code);
}

bool IsClosed(FileRecvDialog* dialog) {
    return dialog->closed;
}

bool IsInProgress(FileRecvDialog* dialog) {
    return !dialog->closed && dialog->received.empty();
}

bool IsUnansweredOfferFrom(FileRecvDialog* dialog, const KxShareDevices& sender) {
    return !dialog->closed && !dialog->answered && dialog->offer.sender.devName == sender.devName &&
           dialog->offer.sender.nickName == sender.nickName;
}

bool ShowOffer(FileRecvDialog* dialog, const RecvOffer& offer) {
    dialog->offer = offer;
    dialog->shown = !counts.failShow;
    return dialog->shown;
}

bool FolderPicked(FileRecvDialog* dialog, const std::wstring& folder) {
    if (!dialog->pickerOpen) {
        return false;
    }
    dialog->pickerOpen = false;
    dialog->offer.savePath = folder.empty() ? dialog->offer.savePath : folder;
    return true;
}

void ClosePicker(FileRecvDialog* dialog) {
    dialog->pickerOpen = false;
}

void ShowProgress(FileRecvDialog* dialog, uint32_t percent, int32_t, uint32_t) {
    dialog->percents.push_back(percent);
}

bool Complete(FileRecvDialog* dialog, const std::vector<std::wstring>& paths) {
    dialog->received = paths;
    return true;
}

void Close(FileRecvDialog* dialog) {
    dialog->closed = true;
}

void Destroy(FileRecvDialog* dialog) {
    ++counts.destroyed;
    counts.destroyedOpen += dialog->shown && !dialog->closed ? 1 : 0;
    delete dialog;
}

std::wstring DefaultSaveFolder() {
    return counts.defaultFolder;
}

}  // namespace recvdialogops

namespace {

using testsupport::Post;

std::string FailureBody(uint32_t code) {
    unsigned char raw[8] = {};
    std::memcpy(raw, &code, sizeof(code));
    tandem::Payload payload = tandem::BuildPayload(int32_t{7}, tandem::RawBlock{raw, 8});
    return std::string(payload.block.get(), payload.size);
}

// The window a host window notice hands over, after checking the notice's form and duration.
template <typename Window>
Window* HandedOver(const std::string& body, uint32_t durationMs) {
    uint64_t window = 0, handle = 0;
    uint32_t duration = 0;
    EXPECT_EQ(body.size(), 35u);
    std::memcpy(&window, body.data() + 6, 8);
    std::memcpy(&duration, body.data() + 22, 4);
    std::memcpy(&handle, body.data() + 27, 8);
    EXPECT_EQ(duration, durationMs);
    EXPECT_EQ(handle, window);
    return reinterpret_cast<Window*>(window);
}

class FileRecvViewTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        counts = Counts{};
    }
    void TearDown() override {
        WifiRestartCB::GetInstance().OnStateChanged(0);
        BtRestartCB::GetInstance().OnStateChanged(0);
        UiTest::TearDown();
    }
    testsupport::FakeTransferFile transfer;
};

// An offer body: the fields every offer has, then optional ones (TAIL).
template <typename... Tail>
tandem::Payload OfferBody(int32_t shareType, std::vector<std::string> names,
                          const std::string& folder, const Tail&... tail) {
    return tandem::BuildPayload(std::string("Ann"), std::string("Pixel"), shareType, uint64_t{5000},
                                names, folder, tail...);
}

TEST_F(FileRecvViewTest, AnOfferMessageShowsItsDialogAndABadOneNothing) {
    const std::vector<std::string> names = {"IMG_1.jpg", "DCIM/IMG_2.jpg"};
    const std::string thumb = "\x89PNG....";
    const tandem::RawBlock thumbBytes{thumb.data(), static_cast<uint32_t>(thumb.size())};
    const std::string big(FileRecvView::kMaxOfferThumbnailBytes + 1, 'x');
    const tandem::RawBlock bigBytes{big.data(), static_cast<uint32_t>(big.size())};
    const auto size = [](const std::string& bytes) { return static_cast<int32_t>(bytes.size()); };
    const struct Case {
        const char* name;
        tandem::Payload body;
        int cut;           // bytes taken off the end
        const char* drop;  // the reason logged; null: shown
        bool devTypeIsOne;
        size_t thumbnail;
    } cases[] = {
        {"plain", OfferBody(1, names, "/home/ann/in"), 0, nullptr, false, 0},
        {"device type", OfferBody(0, names, "/in", uint8_t{1}), 0, nullptr, true, 0},
        {"thumbnail", OfferBody(0, names, "/in", uint8_t{0}, size(thumb), thumbBytes), 0, nullptr,
         false, thumb.size()},
        {"truncated", OfferBody(0, names, "/in"), 3, "unreadable", false, 0},
        {"no files", OfferBody(0, {}, "/in"), 0, "without files", false, 0},
        {"share type 2", OfferBody(2, names, "/in"), 0, "share type", false, 0},
        {"share type -1", OfferBody(-1, names, "/in"), 0, "share type", false, 0},
        {"device type 2", OfferBody(0, names, "/in", uint8_t{2}), 0, "device type", false, 0},
        {"a folder for a name", OfferBody(0, {"a.jpg", "DCIM/"}, "/in"), 0, "without a name", false,
         0},
        {"thumbnail cut short", OfferBody(0, names, "/in", uint8_t{0}, size(thumb), thumbBytes), 1,
         "unreadable end", false, 0},
        {"thumbnail too big", OfferBody(0, names, "/in", uint8_t{0}, size(big), bigBytes), 0,
         "over 256 KiB", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::LogCapture log;
        FileRecvView view(&transfer);
        transfer.Deliver(kMsgRecvOffer, c.body.block.get(), c.body.size - c.cut);
        duistandin::RunUntilIdle();
        FileRecvDialog* dialog = view.CurrentDialog();
        ASSERT_EQ(dialog != nullptr, c.drop == nullptr);
        if (c.drop) {
            ASSERT_EQ(log.Messages().size(), 1u);
            EXPECT_NE(log.Messages()[0].find(c.drop), std::string::npos) << log.Messages()[0];
            continue;
        }
        EXPECT_EQ(dialog->offer.offeredNames,
                  (std::vector<std::wstring>{L"IMG_1.jpg", L"DCIM/IMG_2.jpg"}));
        EXPECT_EQ(dialog->offer.sender.nickName, L"Ann");
        EXPECT_EQ(dialog->offer.sender.devTypeIsOne, c.devTypeIsOne);
        EXPECT_EQ(dialog->offer.thumbnail.size(), c.thumbnail);
        EXPECT_EQ(dialog->offer.totalSize, 5000);
    }

    // An offer without a folder saves to the default one; without that there is no dialog.
    FileRecvView view(&transfer);
    tandem::Payload noFolder = OfferBody(0, names, "");
    transfer.Deliver(kMsgRecvOffer, noFolder.block.get(), noFolder.size);
    duistandin::RunUntilIdle();
    ASSERT_NE(view.CurrentDialog(), nullptr);
    EXPECT_EQ(view.CurrentDialog()->offer.savePath, L"C:\\Users\\me\\Desktop");
    counts.defaultFolder.clear();
    EXPECT_FALSE(view.ShowRecvOffer(RecvOffer{}));

    // What follows reaches the current dialog: progress, the received files (which end its
    // offer); bodies of the wrong size are dropped.
    FileRecvDialog* dialog = view.CurrentDialog();
    const uint32_t progress[3] = {140, 12, 4096};  // the percent is capped at 100
    transfer.Deliver(kMsgRecvProgress, reinterpret_cast<const char*>(progress), 12);
    transfer.Deliver(kMsgRecvProgress, reinterpret_cast<const char*>(progress), 8);
    tandem::Payload done = tandem::BuildPayload(names);
    transfer.Deliver(kMsgRecvDone, done.block.get(), done.size - 1);
    duistandin::RunUntilIdle();
    EXPECT_EQ(view.CurrentDialog(), dialog);
    transfer.Deliver(kMsgRecvDone, done.block.get(), done.size);
    duistandin::RunUntilIdle();
    EXPECT_EQ(dialog->percents, (std::vector<uint32_t>{100}));
    EXPECT_EQ(dialog->received, (std::vector<std::wstring>{L"IMG_1.jpg", L"DCIM/IMG_2.jpg"}));
    EXPECT_EQ(view.CurrentDialog(), nullptr);
}

// The folder helper's answer goes to the dialog whose picker is open, whichever is current;
// one picker at a time.
TEST_F(FileRecvViewTest, APickedFolderGoesToTheDialogThatAskedForIt) {
    FileRecvView view(&transfer);
    RecvOffer offer;
    offer.savePath = L"/in";
    offer.sender.devName = L"A";
    ASSERT_TRUE(view.ShowRecvOffer(offer));
    FileRecvDialog* first = view.CurrentDialog();
    offer.sender.devName = L"B";
    ASSERT_TRUE(view.ShowRecvOffer(offer));
    FileRecvDialog* second = view.CurrentDialog();
    const auto pick = [this](const char* folder) {
        transfer.Deliver(kMsgFolderPicked, folder, static_cast<uint32_t>(std::strlen(folder) + 1));
        duistandin::RunUntilIdle();
    };
    first->OpenPicker();
    pick("/one");
    EXPECT_EQ(first->offer.savePath, L"/one");
    EXPECT_EQ(second->offer.savePath, L"/in");
    second->OpenPicker();
    first->OpenPicker();  // ends the second's picker
    EXPECT_FALSE(second->pickerOpen);
    pick("");  // closed without a choice
    EXPECT_FALSE(first->pickerOpen);
    EXPECT_EQ(first->offer.savePath, L"/one");
    testsupport::LogCapture log;
    pick("/late");
    EXPECT_TRUE(
        log.Contains("picked folder dropped: no folder picker is open(FileRecvView::"
                     "OnFolderPicked)"));
    EXPECT_EQ(second->offer.savePath, L"/in");
}

TEST_F(FileRecvViewTest, OffersTakePoolDialogsWhichAreDeletedOnlyOnceClosedAndBounded) {
    {
        // A pool of four, without a message interface too: five attempts, the fifth destroyed.
        FileRecvView alone(nullptr);
        EXPECT_EQ(counts.created, 5);
        EXPECT_EQ(counts.destroyed, 1);
    }
    EXPECT_EQ(counts.destroyed, 5);
    auto owned = std::make_unique<FileRecvView>(&transfer);
    FileRecvView& view = *owned;
    RecvOffer offer;
    offer.savePath = L"/in";
    ASSERT_TRUE(view.ShowRecvOffer(offer));
    FileRecvDialog* first = view.CurrentDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->prepared);
    EXPECT_TRUE(first->shown);
    EXPECT_EQ(first->transfer, &transfer);

    // The same sender's new offer replaces its unanswered one; an answered one stays.
    first->answered = true;
    ASSERT_TRUE(view.ShowRecvOffer(offer));
    FileRecvDialog* second = view.CurrentDialog();
    ASSERT_TRUE(view.ShowRecvOffer(offer));
    EXPECT_FALSE(first->closed);
    EXPECT_TRUE(second->closed);

    // Pool dialogs are replaced, so offers keep coming; closed dialogs go at the next offer, and
    // beyond the used slots the oldest open one closes: offers of different senders keep at most
    // a pool, the current and nine used dialogs.
    first->closed = true;
    int most = 0;
    for (int n = 0; n < 30; ++n) {
        offer.sender.devName = std::to_wstring(n);
        ASSERT_TRUE(view.ShowRecvOffer(offer)) << n;
        most = std::max(most, counts.created - counts.destroyed);
    }
    EXPECT_EQ(most, 4 + 1 + 9);
    EXPECT_EQ(counts.destroyedOpen, 0);  // each was closed first

    // A window that cannot be created keeps the current dialog and loses no dialog.
    FileRecvDialog* current = view.CurrentDialog();
    counts.failShow = true;
    const int destroyed = counts.destroyed;
    EXPECT_FALSE(view.ShowRecvOffer(offer));
    EXPECT_EQ(view.CurrentDialog(), current);
    EXPECT_EQ(counts.destroyed, destroyed + 1);

    // The handlers outlive the view in the interface's tables and then do nothing.
    owned.reset();
    EXPECT_EQ(counts.destroyed, counts.created);
    transfer.Deliver(kMsgRestartNeeded, nullptr, 0);
    EXPECT_TRUE(tandemstandin::ShownMessageBoxes().empty());
}

TEST_F(FileRecvViewTest, ReceiveFailureEndsTheCurrentDialogOnlyForItsSixCodes) {
    struct Case {
        std::optional<std::string> body;
        uint32_t ends;  // the code handed to the dialog; 0: none
    };
    // Trailing bytes, no body, an empty body, the int32 alone and the record cut short.
    std::vector<Case> cases = {{FailureBody(27) + "xyz", 27},
                               {std::nullopt, 0},
                               {"", 0},
                               {FailureBody(10).substr(0, 4), 0},
                               {FailureBody(10).substr(0, 11), 0}};
    // The six codes that end it: timeout, unknown, socket, remote, no space, sender cancelled.
    for (uint32_t code : {10, 20, 23, 25, 27, 59}) {
        cases.push_back({FailureBody(code), code});
    }
    for (uint32_t code : {0, 9, 11, 60}) {
        cases.push_back({FailureBody(code), 0});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases.data());
        counts = Counts{};
        FileRecvView view(&transfer);
        ASSERT_TRUE(view.ShowRecvOffer(RecvOffer{}));
        FileRecvDialog* dialog = view.CurrentDialog();
        transfer.Deliver(kMsgRecvFailure, c.body ? c.body->data() : nullptr,
                         c.body ? static_cast<uint32_t>(c.body->size()) : 8);
        duistandin::RunUntilIdle();
        EXPECT_EQ(dialog->failCodes,
                  c.ends ? std::vector<uint32_t>{c.ends} : std::vector<uint32_t>{});
        EXPECT_EQ(view.CurrentDialog(), c.ends ? nullptr : dialog);
        if (c.ends) {
            // Retired, not deleted: it goes once it is closed.
            EXPECT_EQ(counts.destroyedOpen, 0);
            dialog->closed = true;
            ASSERT_TRUE(view.ShowRecvOffer(RecvOffer{}));
        }
    }
    // A completed or closed offer does not fail afterwards.
    for (const bool completed : {true, false}) {
        FileRecvView view(&transfer);
        ASSERT_TRUE(view.ShowRecvOffer(RecvOffer{}));
        FileRecvDialog* dialog = view.CurrentDialog();
        dialog->received = {L"a.jpg"};
        dialog->closed = !completed;
        transfer.Deliver(kMsgRecvFailure, FailureBody(10));
        duistandin::RunUntilIdle();
        EXPECT_TRUE(dialog->failCodes.empty());
    }
    // Without a current dialog a failure does nothing.
    FileRecvView view(&transfer);
    transfer.Deliver(kMsgRecvFailure, FailureBody(10));
    duistandin::RunUntilIdle();
    EXPECT_EQ(view.CurrentDialog(), nullptr);
}

TEST_F(FileRecvViewTest, MessageBoxesWithKeysTitlesAndRestartActions) {
    using systemapistandin::Radio;
    const wchar_t* go = L"Velmora Share, Velmora Share";
    const wchar_t* bt = L"BT Velmora Share+Velmora Share";
    tandemstandin::SetString(L"IDS_BEAMLY_DIALOG_GOEXCEPTION_TITLE2", go);
    tandemstandin::SetString(L"IDS_BEAMLY_DIALOG_BLUETOOTHEXCEPTION_TITLE", bt);
    struct Case {
        uint32_t id;
        bool lumen;
        const char* key;
        const wchar_t* title;
        Radio restarted;
    } cases[] = {
        {kMsgRestartNeeded, false, "PCRESTART_MSG", go, Radio::Wifi},
        {kMsgRestartNeeded, true, "PCRESTART_MSG", go, Radio::Wifi},
        {kMsgBluetoothFault, false, "BTEXCEPTION_MSG", bt, Radio::Bluetooth},
        {kMsgBluetoothFault, true, "BTEXCEPTION_MSG", L"BT LUMEN Glide+Velmora Share",
         Radio::Bluetooth},
        {kMsgDirectLinkBusy, false, "GOCHANNEL_BUSY_MSG", go, Radio::Wifi},
        {kMsgDirectLinkBusy, true, "GOCHANNEL_BUSY_MSG", L"LUMEN Glide, Velmora Share",
         Radio::Wifi},
    };
    FileRecvView view(&transfer);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + std::string(c.lumen ? " lumen" : ""));
        utilstandin::SetLumenDevice(c.lumen);
        tandemstandin::ClearMessageBoxes();
        systemapistandin::ResetAll();
        transfer.Deliver(c.id, "ignored");
        const auto boxes = tandemstandin::ShownMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        const auto& box = boxes[0];
        EXPECT_EQ(std::tie(box.key, box.text, box.hasEvent, box.flags, box.buttons),
                  std::make_tuple(std::string(c.key), std::wstring(c.title), true, 10, 1));

        // Confirming restarts the notice's radio: it is switched off, then waits 100 ms.
        const uint64_t begun = win32standin::TimedWaitsBegun();
        std::thread confirming([] { tandemstandin::ConfirmMessageBox(0); });
        EXPECT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, std::chrono::seconds(10)));
        win32standin::AdvanceClock(100);
        confirming.join();
        ASSERT_TRUE(systemapistandin::WaitForCallbacks());
        const Radio other = c.restarted == Radio::Wifi ? Radio::Bluetooth : Radio::Wifi;
        EXPECT_EQ(systemapistandin::Calls(c.restarted).off, 1);
        EXPECT_EQ(systemapistandin::Calls(other).off, 0);
    }
}

TEST_F(FileRecvViewTest, TooManyFilesHandsTheHostATipForFiveSeconds) {
    FileRecvView view(&transfer);
    transfer.Deliver(kMsgTooManyFiles, nullptr, 0);
    ASSERT_EQ(transfer.Posts().size(), 1u);
    const Post post = transfer.Posts()[0];
    EXPECT_EQ((std::vector<uint32_t>{post.destination, post.messageId, post.replyId}),
              (std::vector<uint32_t>{0x40000, 0x40003, 0xFFFFFFFF}));
    // As the host: create the handed-over window, read its text, close it; it deletes itself.
    auto* tip = HandedOver<Vela::Ux::BeamlyTipWnd>(post.data, 5000);
    ASSERT_NE(tip->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW), nullptr);
    DuiLib::CControlUI* text = tip->GetPaintManager()->FindControl(L"txtTandemTips");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetText().str(), L"You can send at most 500 files at a time.");
    DestroyWindow(tip->GetHWND());
    duistandin::RunUntilIdle();

    // A tip the host never got is deleted here (the leak check would see it otherwise).
    transfer.postResult = false;
    transfer.Deliver(kMsgTooManyFiles, nullptr, 0);
    EXPECT_EQ(transfer.Posts().size(), 2u);

    // No window, no duration, no message interface or a failed post: no window handed over.
    int window = 0;
    FileRecvView withoutTransfer(nullptr);
    testsupport::LogCapture log;
    EXPECT_FALSE(view.ShowMsgTipWnd(&window, 7));
    transfer.postResult = true;
    EXPECT_FALSE(view.ShowMsgTipWnd(nullptr, 5000));
    EXPECT_FALSE(view.ShowMsgTipWnd(&window, 0));
    EXPECT_FALSE(withoutTransfer.ShowMsgTipWnd(&window, 5000));
    EXPECT_EQ(transfer.Posts().size(), 3u);
    EXPECT_TRUE(view.ShowMsgTipWnd(&window, 7));
    EXPECT_EQ(transfer.Posts().size(), 4u);
    view.ShowNoitfyWindow(nullptr, 5);
    EXPECT_TRUE(log.Contains("window is null(FileRecvView::ShowNoitfyWindow)"));
}

TEST_F(FileRecvViewTest, ANewWlanNoticeClosesReportsAndDeletesTheLastWindowFirst) {
    IPCMessageClient plugin(static_cast<int>(kEndpointPlugin), true, false);
    // The host's notice endpoint on the bus: records the window notices it receives.
    testsupport::EndpointRecorder host(kEndpointHostNotice, kMsgHostNotice);
    transfer.client = &plugin;
    FileRecvView view(&transfer);
    // Shows the next notice's window as the host would, and gives its window.
    auto notice = [&](size_t count) -> HWND {
        transfer.Deliver(kMsgWlanDisconnected, nullptr, 0);
        duistandin::RunUntilIdle();
        EXPECT_TRUE(ipcstandin::WaitUntilIdle());
        EXPECT_EQ(host.Count(), count);
        EXPECT_EQ(host.Items().at(count - 1).source, kEndpointPlugin);
        EXPECT_EQ(host.Items().at(count - 1).replyId, 0xFFFFFFFFu);
        auto* window = HandedOver<WifiDisconnect>(host.Bodies().at(count - 1), 50000000);
        EXPECT_EQ(window, view.WlanDialog());
        return window->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW);
    };
    HWND first = notice(1);
    ASSERT_TRUE(IsWindow(first));
    EXPECT_TRUE(tandemstandin::ReportedEvents().empty());
    HWND second = notice(2);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));
    const auto reports = tandemstandin::ReportedEvents();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].code, 10009);
    duistandin::RunUntilIdle();  // the close posted to the destroyed window reaches nothing
}

TEST_F(FileRecvViewTest, DecoderNoticeOpensTheWindowInTheModeOfItsText) {
    struct Case {
        const char* name;
        const char* body;
        uint32_t length;
        uint32_t mode;
    } cases[] = {
        {"no text", nullptr, 0, DecoderErrorUI::kModeFix},
        {"0", "0", 2, DecoderErrorUI::kModeFix},
        {"0 without its NUL", "0", 1, DecoderErrorUI::kModeFix},
        {"0 then junk after the NUL", "0\0zz", 4, DecoderErrorUI::kModeFix},
        {"empty", "", 1, DecoderErrorUI::kModeRestart},
        {"empty, no length", "x", 0, DecoderErrorUI::kModeRestart},
        {"01", "01", 3, DecoderErrorUI::kModeRestart},
        {"other", "audio decoder 3", 16, DecoderErrorUI::kModeRestart},
    };
    FileRecvView view(&transfer);
    HWND previous = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transfer.Deliver(kMsgMirrorDecoderError, c.body, c.length);
        duistandin::RunUntilIdle();
        DecoderErrorUI* dialog = view.DecoderDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetMode(), c.mode);
        EXPECT_TRUE(IsWindowVisible(dialog->GetHWND()));
        EXPECT_FALSE(previous != nullptr && IsWindow(previous));  // the last one is gone
        previous = dialog->GetHWND();
    }
}

}  // namespace
