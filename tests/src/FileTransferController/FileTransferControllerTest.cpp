// The controller between the real send model and the real dialog, driven by the service's
// messages through a fake IPC side, on mock time: failure texts, the flow after a success or a
// cancel, usage reports, and what it leaves alone.
#include "FileTransferController.h"
#include "FileTransferModel.h"
#include "FileTransferSendItem.h"
#include "FileTransferView.h"
#include "IPCMessageIds.h"
#include "LogCapture.h"
#include "SendBodies.h"
#include "TempPath.h"
#include "UIFixedItem.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <SystemApiStandIn.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <Win32StandIn.h>

#include <fstream>

namespace Vela::Ux {
namespace {

using namespace std::chrono_literals;
using systemapistandin::Radio;
using testing::Phone;
using testing::StatusBody;

class ControllerTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        view = std::make_unique<FileTransferView>();
        model = std::make_unique<FileTransferModel>(&fake);
        controller.SetView(view.get());
        controller.SetModel(model.get());
        base = FileTransferSendItem(Phone("probe"), {}, SendSponsorSource::FromOther).GetId();
        const std::string path = testsupport::TempPath("controller-10k.bin");
        std::ofstream(path, std::ios::binary) << std::string(10240, 'x');
        file.assign(path.begin(), path.end());
    }
    void TearDown() override {
        model.reset();
        view.reset();
        UiTest::TearDown();
    }
    void Send(const std::string& phone, uint32_t shareType = 2, bool devTypeIsOne = false) {
        KxShareDevices device = Phone(phone, shareType);
        device.devTypeIsOne = devTypeIsOne;
        model->AddSendItem(device, {file}, SendSponsorSource::FromContextMenu);
        duistandin::RunUntilIdle();
    }
    void Respond(uint32_t id, const std::string& body = "") {
        fake.Deliver(id, body);
        duistandin::RunUntilIdle();
    }
    // The running item gets its radios and starts sending.
    void StartSending() {
        Respond(kMsgBluetoothOn);
        Respond(kMsgWifiOn);
        Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DATA));
    }
    // ... and ends with CODE.
    void RunTo(uint32_t code) {
        StartSending();
        Respond(kMsgShareStatus, StatusBody(code));
        Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DISCONNECTED));
    }
    std::wstring Title() {
        return view->GetPaintManager()->FindControl(L"fixed_item_title_label")->GetText().str();
    }
    bool Shown() { return IsWindowVisible(view->GetHWND()) != FALSE; }
    std::vector<std::string> Values(int32_t code) {
        for (const auto& event : tandemstandin::ReportedEvents()) {
            if (event.code == code) {
                return event.values;
            }
        }
        return {};
    }

    testing::FakeTransferFile fake;
    std::unique_ptr<FileTransferView> view;
    std::unique_ptr<FileTransferModel> model;
    FileTransferController controller;
    uint32_t base = 0;
    std::wstring file;  // 10240 bytes
};

// A failure's text by its reason, the share type and, for share type 0, the radios. Failed,
// rejected and receiver-cancelled items stay with retry and remove; the user ends them.
TEST_F(ControllerTest, UnsuccessfulItemsShowTheirReasonAndStayWithRetryAndRemove) {
    struct Case {
        uint32_t code;
        uint32_t shareType;
        bool devTypeIsOne;
        int bluetooth, wifi;
        const wchar_t* text;  // none: not checked
        const char* log;
        int taskbar = 3;
    } cases[] = {
        {SHARE_ERROR_SERVER_BUSY, 2, false, 1, 1, L"RECEIVING", nullptr},
        {DTCP_ERR_NOSPACE, 2, false, 1, 1, L"NOSPACE dev-Pad", nullptr},
        {DTCP_TIMEOUT_CONFIRM, 2, false, 1, 1, L"TIMEOUT dev-Pad", nullptr},
        {DTCP_ERR_MISSED_PAIR_DEVICE, 2, false, 1, 1, L"MIS_PAIR", nullptr},
        {DTCP_ERR_VERSION_MISMATCH, 2, false, 1, 1, L"VERSION", nullptr},
        {SHARE_ERROR_IO, 1, false, 2, 2, L"LABEL00", nullptr},
        {SHARE_ERROR_IO, 2, false, 2, 2, L"LABEL01", nullptr},
        {SHARE_ERROR_IO, 2, true, 2, 2, L"LABEL02", nullptr},
        {SHARE_ERROR_IO, 0, false, 2, 1, L"BT_CLOSED", "[DaVirir] then show ensure PC's BT open"},
        {SHARE_ERROR_IO, 0, false, 1, 2, L"WIFI_CLOSED",
         "[DaVirir] then show ensure PC's wifi open"},
        {SHARE_ERROR_IO, 0, false, 2, 2, L"BOTH_CLOSED",
         "[DaVirir] then show ensure PC's wifi or BT open"},
        {SHARE_ERROR_IO, 0, false, 1, 1, L"LABEL03", "[DaVirir] Maybe phone's wifi or BT error"},
        {DTCP_STATUS_SEND_RECVREJCT, 2, false, 1, 1, nullptr, nullptr},
        {DTCP_STATUS_SEND_RECVCANCEL, 2, false, 1, 1, nullptr, nullptr, 0},
    };
    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"IDS_FILETRANSFER_FIXED_ITEM_RECEIVING", L"RECEIVING"},
        {L"IDS_FILETRANSFER_FIXED_ITEM_NOSPACE", L"NOSPACE {0}"},
        {L"IDS_FILETRANSFER_STATE_STRING_TIMEOUT", L"TIMEOUT {0}"},
        {L"IDS_FILETRANSFER_FIXED_ITEM_MIS_PAIR", L"MIS_PAIR"},
        {L"IDS_MYALBUM_VERSION_MISMATCH", L"VERSION"},
        {L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL00", L"LABEL00"},
        {L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL01", L"LABEL01"},
        {L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL02", L"LABEL02"},
        {L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL03", L"LABEL03"},
        {L"IDS_FILETRANSFER_FIXED_ITEM_BLUETOOTH_CLOSED", L"BT_CLOSED"},
        {L"IDS_FILETRANSFER_FIXED_ITEM_WIFI_CLOSED", L"WIFI_CLOSED"},
        {L"IDS_FILETRANSFER_FIXED_ITEM_BOTH_CLOSED", L"BOTH_CLOSED"},
    };
    for (const auto& [id, text] : texts) {
        tandemstandin::SetString(id, text);
    }
    auto* pm = view->GetPaintManager();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + "/" + std::to_string(c.shareType));
        testsupport::LogCapture log;
        systemapistandin::SetState(Radio::Bluetooth, c.bluetooth);
        systemapistandin::SetState(Radio::Wifi, c.wifi);
        Send("Pad", c.shareType, c.devTypeIsOne);
        RunTo(c.code);
        if (c.text) {
            EXPECT_EQ(Title(), c.text);
        }
        if (c.log) {
            EXPECT_TRUE(log.Contains(std::string(c.log) + "(GetFailedUIInfoStateString)"))
                << ::testing::PrintToString(log.Messages());
        }
        duistandin::AdvanceTime(10000);  // no timer hides or replaces it
        EXPECT_TRUE(Shown());
        EXPECT_TRUE(pm->FindControl(L"queued_item_retry_button")->IsVisible());
        EXPECT_TRUE(pm->FindControl(L"fixed_item_remove_button")->IsEnabled());
        EXPECT_FALSE(pm->FindControl(L"title_progress_label")->IsVisible());
        EXPECT_EQ(pm->GetTaskbarState(), c.taskbar);
        model->Clear();
    }
}

// While preparing, a radio reported off is being switched on: the English title says so.
TEST_F(ControllerTest, RadiosReportedOffWhilePreparingReadAsBeingTurnedOn) {
    struct Case {
        std::vector<uint32_t> replies;
        const wchar_t* title;
    } cases[] = {
        {{kMsgBluetoothOff}, L"Turning on Bluetooth…"},
        {{kMsgBluetoothOn, kMsgWifiOff}, L"Turning on Wi-Fi…"},
        {{kMsgBluetoothOff, kMsgWifiOff}, L"Turning on Wi-Fi and Bluetooth…"},
    };
    for (const auto& c : cases) {
        Send("a", 0);
        for (uint32_t reply : c.replies) {
            Respond(reply);
        }
        EXPECT_EQ(Title(), c.title);
        model->Clear();
    }
}

TEST_F(ControllerTest, SuccessKeepsTheDialogThenHidesOrPromotesTheNextWithoutDelay) {
    Send("a");
    Send("b");
    StartSending();
    duistandin::AdvanceTime(2000);
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_SUCCESS));
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DISCONNECTED));
    EXPECT_EQ(view->GetPaintManager()->GetTaskbarProgress(), 100);
    // 7013: result, disconnect code, devTypeIsOne, share type, KB/s (10 KB in 2 s).
    EXPECT_EQ(Values(7013), (std::vector<std::string>{"0", "0", "0", "2", "5"}));
    EXPECT_EQ(fake.ShareCount(), 1u);
    duistandin::AdvanceTime(1500);  // the skin's transfer_ok_keep_timeout
    EXPECT_EQ(view->GetHelper()->fixedItem->GetId(), base + 2);
    Respond(kMsgBluetoothOn);
    Respond(kMsgWifiOn);
    EXPECT_EQ(fake.ShareCount(), 2u);  // started at once
    tandemstandin::ClearReportedEvents();
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DATA));
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_SUCCESS));
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DISCONNECTED));
    EXPECT_EQ(Values(7013).at(4), "10");  // no time passed: the size in KB
    duistandin::AdvanceTime(2999);
    EXPECT_TRUE(Shown());
    duistandin::AdvanceTime(1);
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(model->IsBusy());
}

TEST_F(ControllerTest, CancelByTheUserHidesAtOnceOrStartsTheNextAfterTheCancelDelay) {
    Send("a");
    StartSending();
    duistandin::Click(view->GetPaintManager()->FindControl(L"fixed_item_remove_button"));
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_CANCEL));
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DISCONNECTED));
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(model->IsBusy());

    Send("b");
    Send("c");
    StartSending();
    model->RemoveItem(base + 2);
    const uint64_t waitsBefore = win32standin::TimedWaitsBegun();
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_CANCEL));
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DISCONNECTED));
    EXPECT_EQ(view->GetHelper()->fixedItem->GetId(), base + 3);
    // The next item sends once its radios are ready and the skin's cancel_delay has passed.
    Respond(kMsgBluetoothOn);
    Respond(kMsgWifiOn);
    ASSERT_TRUE(win32standin::WaitForTimedWaits(waitsBefore + 1, 1, 10s));
    duistandin::AdvanceTime(999);
    EXPECT_EQ(fake.ShareCount(), 2u);
    duistandin::AdvanceTime(1);
    EXPECT_TRUE(fake.WaitForShares(3, 10s));
    duistandin::RunUntilIdle();
}

TEST_F(ControllerTest, LeavesTheViewAloneWhenItHasNothingToShow) {
    Send("a");
    StartSending();
    fake.Deliver(kMsgShareProgress, testing::ProgressBody(30, 60, 1024));
    duistandin::AdvanceTime(300);
    EXPECT_EQ(view->GetHelper()->fixedItem->GetProgress(), 30u);
    // The queue empties while the item still transfers: the dialog stays.
    Send("b");
    model->RemoveItem(base + 2);
    duistandin::RunUntilIdle();
    EXPECT_TRUE(Shown());
    // After a failure, progress reports change nothing.
    Respond(kMsgShareStatus, StatusBody(SHARE_ERROR_IO));
    fake.Deliver(kMsgShareProgress, testing::ProgressBody(80, 10, 1024));
    duistandin::AdvanceTime(300);
    EXPECT_EQ(view->GetHelper()->fixedItem->GetProgress(), 30u);
}

}  // namespace
}  // namespace Vela::Ux
