#include "FileTransferSendItem.h"
#include "IPCMessageIds.h"
#include "SendBodies.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace Vela::Ux {

namespace {

using namespace std::chrono_literals;
using tandemstandin::ReportedEvent;
using testing::FakeTransferFile;
using testing::Phone;
using testing::Post;
using testing::ProgressBody;
using testing::StatusBody;

struct Seen {
    TransferItemState state;
    FailReason reason;
    std::thread::id thread;
};

class RecordingNotifier : public FileTransferItem::IStateNotifier {
public:
    void OnStateChanged(FileTransferItem* item) override {
        auto* sendItem = static_cast<FileTransferSendItem*>(item);
        std::lock_guard<std::mutex> guard(mutex);
        seen.push_back({item->GetState(), sendItem->GetFailReason(), std::this_thread::get_id()});
    }
    std::vector<Seen> All() {
        std::lock_guard<std::mutex> guard(mutex);
        return seen;
    }
    size_t Count() { return All().size(); }

private:
    std::mutex mutex;
    std::vector<Seen> seen;
};

class SendItemTest : public testsupport::UiTest {
protected:
    std::unique_ptr<FileTransferSendItem> MakeItem(uint32_t shareType,
                                                   std::vector<std::wstring> files = {L"/a"}) {
        auto item = std::make_unique<FileTransferSendItem>(Phone("p", shareType), files,
                                                           SendSponsorSource::FromContextMenu);
        item->SetSendHelper(&helper);
        item->SetNotifier(&notifier);
        return item;
    }
    void Radio(FileTransferSendItem& item, uint32_t id) { item.OnIPCResponse(id, nullptr, 0); }
    void Status(FileTransferSendItem& item, uint32_t code, int32_t param = 0, int32_t detail = 0) {
        std::string body = StatusBody(code, param, detail);
        item.OnIPCResponse(kMsgShareStatus, body.data(), static_cast<uint32_t>(body.size()));
    }
    void Progress(FileTransferSendItem& item, uint32_t percent, uint32_t left, uint32_t speed) {
        std::string body = ProgressBody(percent, left, speed);
        item.OnIPCResponse(kMsgShareProgress, body.data(), static_cast<uint32_t>(body.size()));
    }
    // Started, radios on, status 44: transferring.
    std::unique_ptr<FileTransferSendItem> Transferring(uint32_t shareType) {
        auto item = MakeItem(shareType);
        item->StartWithDelay(0);
        Radio(*item, kMsgBluetoothOn);
        Radio(*item, kMsgWifiOn);
        Status(*item, DTCP_STATUS_SEND_DATA);
        return item;
    }
    static Post ToService(uint32_t id) { return Post{kEndpointTandemService, id, 0, {}}; }

    FakeTransferFile helper;
    RecordingNotifier notifier;
};

void ExpectState(const FileTransferSendItem& item, TransferStage stage, TransferResult result,
                 FailReason reason) {
    TransferItemState state = item.GetState();
    EXPECT_EQ(state.stage, stage);
    EXPECT_EQ(state.result, result);
    EXPECT_EQ(item.GetFailReason(), reason);
}

// ---------------------------------------------------------------------------------------------
// Construction

TEST_F(SendItemTest, SizesAddUpReadableFilesAndMappedSharesOnly) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("ftm-sizes-" + std::to_string(::getpid()));
    fs::create_directories(dir / "share");
    std::ofstream(dir / "ten") << std::string(10, 'x');
    std::ofstream(dir / "twenty") << std::string(20, 'y');
    std::ofstream(dir / "share" / "five") << std::string(5, 'z');
    tandemstandin::MapNetworkShare(L"Z:", (dir / "share").wstring());

    FileTransferSendItem item(Phone("p"),
                              {(dir / "ten").wstring(), (dir / "missing").wstring(),
                               (dir / "twenty").wstring(), L"Z:/five", L"Z:/absent"},
                              SendSponsorSource::FromOther);
    EXPECT_EQ(item.GetTotalBytes(), 35u);
    EXPECT_EQ(item.GetFiles().size(), 5u);
    EXPECT_EQ(item.GetSource(), SendSponsorSource::FromOther);
    fs::remove_all(dir);
}

TEST_F(SendItemTest, IdsAreDistinctAndFreshStateIsNone) {
    auto first = MakeItem(2);
    auto second = MakeItem(2);
    EXPECT_NE(first->GetId(), 0u);
    EXPECT_EQ(second->GetId(), first->GetId() + 1);
    TransferItemState state = first->GetState();
    EXPECT_EQ(state.stage, TransferStage::None);
    EXPECT_EQ(state.leftTime, -1);
    EXPECT_EQ(first->GetShareType(), 2u);
    EXPECT_EQ(MakeItem(7)->GetShareType(), 2u);
    EXPECT_EQ(MakeItem(1)->GetShareType(), 1u);
}

TEST_F(SendItemTest, MergeTakesDeviceAppendsFilesAndAddsSizes) {
    auto item = MakeItem(2, {L"/a"});
    KxShareDevices renamed = Phone("p", 2);
    renamed.nickName = L"new name";
    FileTransferSendItem other(renamed, {L"/b", L"/c"}, SendSponsorSource::FromContextMenu);
    item->Merge(&other);
    EXPECT_EQ(item->GetFiles(), (std::vector<std::wstring>{L"/a", L"/b", L"/c"}));
    EXPECT_EQ(item->GetNickName(), L"new name");
    EXPECT_EQ(notifier.Count(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Radio handshake

TEST_F(SendItemTest, StartAsksForRadiosAndPreparesButNotWithoutSendHelper) {
    FileTransferSendItem orphan(Phone("p"), {L"/a"}, SendSponsorSource::FromContextMenu);
    orphan.SetNotifier(&notifier);
    orphan.StartWithDelay(0);
    EXPECT_EQ(orphan.GetState().stage, TransferStage::None);
    EXPECT_EQ(notifier.Count(), 0u);

    auto item = MakeItem(2);
    item->StartWithDelay(0);
    ExpectState(*item, TransferStage::Preparing, TransferResult::Ok, FailReason::InProgress);
    EXPECT_EQ(helper.Posts(), (std::vector<Post>{ToService(kMsgTandemPrepareRadios)}));
    ASSERT_EQ(notifier.Count(), 1u);
}

TEST_F(SendItemTest, RadiosNeededByShareTypeAndTheReasonsOfThoseReportedOff) {
    using F = FailReason;
    const Post btWasOff = ToService(kMsgTandemBluetoothWasOff);
    const Post wifiWasOff = ToService(kMsgTandemWifiWasOff);
    // One radio message, then the reason, whether the share request has gone out, and what
    // the item told the service.
    struct Step {
        uint32_t radio;
        FailReason reason;
        bool sent;
        std::vector<Post> notices;
    };
    const struct Case {
        uint32_t shareType;
        std::vector<Step> steps;
    } cases[] = {
        // Type 1 needs Bluetooth only and says nothing about Wi-Fi.
        {1,
         {{kMsgWifiOn, F::InProgress, false, {}},
          {kMsgWifiOff, F::InProgress, false, {}},
          {kMsgWifiOffAlt, F::InProgress, false, {}},
          {kMsgBluetoothOnAlt, F::None, true, {}}}},
        // Type 0 needs both; each radio off has its reason.
        {0,
         {{kMsgBluetoothOff, F::BluetoothUnavailable, false, {btWasOff}},
          {kMsgWifiOff, F::BothUnavailable, false, {btWasOff, wifiWasOff}},
          {kMsgBluetoothOn, F::BothUnavailable, false, {btWasOff, wifiWasOff}},
          {kMsgWifiOffAlt, F::WifiUnavailable, false, {btWasOff, wifiWasOff, wifiWasOff}},
          {kMsgWifiOnAlt, F::None, true, {btWasOff, wifiWasOff, wifiWasOff}}}},
        // Type 2 needs both, but a Wi-Fi off gives no reason of its own.
        {2,
         {{kMsgBluetoothOn, F::InProgress, false, {}},
          {kMsgWifiOff, F::None, false, {wifiWasOff}},
          {kMsgBluetoothOffAlt, F::BluetoothUnavailable, false, {wifiWasOff, btWasOff}},
          {kMsgWifiOn, F::BluetoothUnavailable, false, {wifiWasOff, btWasOff}},
          {kMsgBluetoothOn, F::None, true, {wifiWasOff, btWasOff}}}},
    };
    for (const Case& c : cases) {
        auto item = MakeItem(c.shareType);
        item->StartWithDelay(0);
        helper.ClearRecords();
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            SCOPED_TRACE("type " + std::to_string(c.shareType) + " step " + std::to_string(i));
            Radio(*item, step.radio);
            EXPECT_EQ(item->GetFailReason(), step.reason);
            EXPECT_EQ(helper.ShareCount(), step.sent ? 1u : 0u);
            EXPECT_EQ(item->GetState().stage,
                      step.sent ? TransferStage::Connecting : TransferStage::Preparing);
            EXPECT_EQ(helper.Posts(), step.notices);
        }
        EXPECT_EQ(helper.Shares()[0].files, std::vector<std::wstring>{L"/a"});
        EXPECT_NE(item->GetStartTicks(), 0u);
        Radio(*item, kMsgBluetoothOn);  // further radio messages start nothing
        EXPECT_EQ(helper.ShareCount(), 1u);
    }
}

TEST_F(SendItemTest, RetryClearsTheRadioFlags) {
    auto item = MakeItem(2);
    item->StartWithDelay(0);
    Radio(*item, kMsgWifiOn);
    item->StartWithDelay(0);
    Radio(*item, kMsgBluetoothOn);  // Wi-Fi on was forgotten
    EXPECT_EQ(helper.ShareCount(), 0u);
    EXPECT_EQ(helper.PostedIds(),
              (std::vector<uint32_t>{kMsgTandemPrepareRadios, kMsgTandemPrepareRadios}));
}

// ---------------------------------------------------------------------------------------------
// Status and progress

struct StatusRow {
    uint32_t code;
    TransferStage stage;
    TransferResult result;
    FailReason reason;
};

TEST_F(SendItemTest, StatusTableAppliesFromAnyStage) {
    using S = TransferStage;
    using R = TransferResult;
    using F = FailReason;
    std::vector<StatusRow> rows = {
        {SHARE_ERROR_SERVER_BUSY, S::Transferring, R::Failed, F::ReceiverBusy},
        {DTCP_ERR_MISSED_PAIR_DEVICE, S::Transferring, R::Failed, F::MissedPair},
        {DTCP_ERR_VERSION_MISMATCH, S::Transferring, R::Failed, F::VersionMismatch},
        {DTCP_ERR_NOSPACE, S::Transferring, R::Failed, F::NoSpace},
        {DTCP_TIMEOUT_CONFIRM, S::Transferring, R::Failed, F::ConfirmTimeout},
        {DTCP_STATUS_SEND_CONNECTING, S::Connecting, R::Ok, F::InProgress},  // what Start() left
        {DTCP_STATUS_SEND_DATA, S::Transferring, R::Ok, F::InProgress},
        {DTCP_STATUS_SEND_CANCEL, S::Transferring, R::Cancelled, F::Cancelled},
        {DTCP_STATUS_SEND_RECVREJCT, S::Transferring, R::Rejected, F::Rejected},
    };
    for (uint32_t code : {SHARE_ERROR_IO, SHARE_ERROR_SOCKET, SHARE_ERROR_CLIENT_BUSY,
                          SHARE_ERROR_SELF_CHANNEL_BUSY, SHARE_ERROR_OTHER_CHANNEL_BUSY,
                          SHARE_UNKNOWN_ERROR, DTCP_ERR_SOCKET, DTCP_ERR_REMOTE, DTCP_ERR_IO,
                          DTCP_TIMEOUT_FINISH, DTCP_TIMEOUT_CANCEL}) {
        rows.push_back({code, S::Transferring, R::Failed, F::SendFailed});
    }
    for (const StatusRow& row : rows) {
        SCOPED_TRACE(row.code);
        auto item = MakeItem(2);
        item->StartWithDelay(0);  // Preparing: the rows apply whatever the stage
        size_t before = notifier.Count();
        Status(*item, row.code);
        ExpectState(*item, row.stage, row.result, row.reason);
        EXPECT_EQ(notifier.Count(), before + 1);
    }
}

TEST_F(SendItemTest, SuccessSetsFullProgressAndUnknownCodesAreIgnored) {
    auto item = Transferring(2);
    size_t before = notifier.Count();
    for (uint32_t code : {0u, 41u, 45u, 49u, 51u, 53u, 63u, 64u, 1000u}) {
        Status(*item, code);
    }
    EXPECT_EQ(notifier.Count(), before);
    Status(*item, DTCP_STATUS_SEND_SUCCESS);
    ExpectState(*item, TransferStage::Transferring, TransferResult::Ok, FailReason::Succeeded);
    EXPECT_EQ(item->GetState().progress, 100u);
}

TEST_F(SendItemTest, ReceiverCancelCarriesParamAsProgress) {
    auto item = Transferring(2);
    Status(*item, DTCP_STATUS_SEND_RECVCANCEL, 37);
    ExpectState(*item, TransferStage::Transferring, TransferResult::Cancelled,
                FailReason::Cancelled);
    EXPECT_EQ(item->GetState().progress, 37u);
    // Without a reporter the disconnect still finishes the item, unreported.
    tandemstandin::SetReporterPresent(false);
    Status(*item, DTCP_STATUS_SEND_DISCONNECTED);
    EXPECT_EQ(item->GetState().stage, TransferStage::Finished);
    tandemstandin::SetReporterPresent(true);
    EXPECT_TRUE(tandemstandin::ReportedEvents().empty());
}

TEST_F(SendItemTest, ProgressAppliesOnlyWhileTransferringOk) {
    auto item = MakeItem(2);
    item->StartWithDelay(0);
    Radio(*item, kMsgBluetoothOn);
    Radio(*item, kMsgWifiOn);
    Progress(*item, 10, 5, 100);  // Connecting: ignored
    EXPECT_EQ(item->GetState().stage, TransferStage::Connecting);

    Status(*item, DTCP_STATUS_SEND_DATA);
    Progress(*item, 42, 7, 900);
    TransferItemState state = item->GetState();
    EXPECT_EQ(state.stage, TransferStage::Transferring);
    EXPECT_EQ(state.progress, 42u);
    EXPECT_EQ(state.leftTime, 7);
    EXPECT_EQ(state.speed, 900u);
    EXPECT_EQ(item->GetFailReason(), FailReason::InProgress);

    Status(*item, SHARE_ERROR_IO);
    size_t before = notifier.Count();
    Progress(*item, 50, 1, 1);  // failed: ignored
    EXPECT_EQ(notifier.Count(), before);
    EXPECT_EQ(item->GetState().progress, 0u);
}

TEST_F(SendItemTest, LateStatusStillMovesAFinishedItem) {
    auto item = Transferring(2);
    Status(*item, DTCP_STATUS_SEND_SUCCESS);
    Status(*item, DTCP_STATUS_SEND_DISCONNECTED);
    ASSERT_EQ(item->GetState().stage, TransferStage::Finished);
    size_t before = notifier.Count();
    Status(*item, DTCP_STATUS_SEND_DATA);
    EXPECT_EQ(item->GetState().stage, TransferStage::Transferring);
    EXPECT_EQ(notifier.Count(), before + 1);
}

// ---------------------------------------------------------------------------------------------
// Disconnect

TEST_F(SendItemTest, DisconnectAfterSuccessReports1035) {
    auto item = Transferring(2);
    Status(*item, DTCP_STATUS_SEND_SUCCESS);
    tandemstandin::ClearReportedEvents();
    Status(*item, DTCP_STATUS_SEND_DISCONNECTED, 0, 0);
    ExpectState(*item, TransferStage::Finished, TransferResult::Ok, FailReason::Succeeded);
    EXPECT_EQ(item->GetState().progress, 0u);  // a fresh record
    EXPECT_EQ(tandemstandin::ReportedEvents(),
              (std::vector<ReportedEvent>{{ReportedEvent::Event, 1035, {"0"}}}));
}

TEST_F(SendItemTest, FailedDisconnectReports1034AndTakesTheRadioReason) {
    struct Case {
        uint32_t shareType;
        std::vector<uint32_t> radiosDuringTransfer;
        FailReason reason;
    };
    const Case cases[] = {
        {0, {kMsgWifiOff}, FailReason::WifiClosed},
        {0, {kMsgWifiOff, kMsgBluetoothOff}, FailReason::BothClosed},
        {0, {kMsgBluetoothOffAlt}, FailReason::BluetoothClosed},
        {0, {}, FailReason::SendFailed},
        {2, {kMsgWifiOff}, FailReason::SendFailed},  // Wi-Fi only counts for share type 0
        {1, {kMsgBluetoothOff}, FailReason::BluetoothClosed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.radiosDuringTransfer) + " type " +
                     std::to_string(c.shareType));
        auto item = Transferring(c.shareType);
        for (uint32_t radio : c.radiosDuringTransfer) {
            Radio(*item, radio);
        }
        EXPECT_EQ(item->GetState().stage, TransferStage::Transferring);
        Status(*item, SHARE_ERROR_IO);
        tandemstandin::ClearReportedEvents();
        Status(*item, DTCP_STATUS_SEND_DISCONNECTED, 0, 7);
        ExpectState(*item, TransferStage::Finished, TransferResult::Failed, c.reason);
        EXPECT_EQ(item->GetDisconnectCode(), 7u);
        EXPECT_EQ(tandemstandin::ReportedEvents(),
                  (std::vector<ReportedEvent>{{ReportedEvent::Event, 1034, {"0", "7"}}}));
    }
}

TEST_F(SendItemTest, RadioOffAfterFailureRecomputesTheReason) {
    auto item = Transferring(0);
    Status(*item, DTCP_STATUS_SEND_RECVREJCT);
    Status(*item, DTCP_STATUS_SEND_DISCONNECTED);
    size_t before = notifier.Count();
    Radio(*item, kMsgWifiOff);  // not failed: nothing recomputed
    EXPECT_EQ(notifier.Count(), before);

    auto failed = Transferring(0);
    Status(*failed, SHARE_ERROR_SOCKET);
    Status(*failed, DTCP_STATUS_SEND_DISCONNECTED);
    ASSERT_EQ(failed->GetFailReason(), FailReason::SendFailed);
    Radio(*failed, kMsgBluetoothOff);
    ExpectState(*failed, TransferStage::Finished, TransferResult::Failed,
                FailReason::BluetoothClosed);
    Radio(*failed, kMsgWifiOffAlt);
    ExpectState(*failed, TransferStage::Finished, TransferResult::Failed, FailReason::BothClosed);
}

// ---------------------------------------------------------------------------------------------
// Cancel

TEST_F(SendItemTest, UserCancelWhileTransferringEndsCancelledByUser) {
    auto item = Transferring(2);
    size_t before = notifier.Count();
    item->CancelByUser();
    item->CancelByUser();
    EXPECT_EQ(helper.Cancels(), 1);
    EXPECT_EQ(notifier.Count(), before);  // unchanged until the service reports
    Status(*item, DTCP_STATUS_SEND_CANCEL);
    Status(*item, DTCP_STATUS_SEND_DISCONNECTED);
    ExpectState(*item, TransferStage::Finished, TransferResult::CancelledByUser,
                FailReason::Cancelled);
}

TEST_F(SendItemTest, CancelWhilePreparingFinishesAtOnce) {
    auto item = MakeItem(2);
    item->StartWithDelay(0);
    item->CancelByUser();
    ExpectState(*item, TransferStage::Finished, TransferResult::CancelledByUser,
                FailReason::InProgress);
    EXPECT_EQ(helper.Cancels(), 0);
    item->CancelByUser();
    EXPECT_EQ(notifier.Count(), 2u);
}

// ---------------------------------------------------------------------------------------------
// Delayed send

TEST_F(SendItemTest, DelayedSendGoesOutFromTheWorkerAfterTheDelay) {
    auto item = MakeItem(2);
    item->StartWithDelay(30);
    size_t before = notifier.Count();
    const uint64_t begun = win32standin::TimedWaitsBegun();
    Radio(*item, kMsgBluetoothOn);
    Radio(*item, kMsgWifiOn);
    // Connecting at once, without a notice; the worker waits out the delay on the clock.
    EXPECT_EQ(item->GetState().stage, TransferStage::Connecting);
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
    EXPECT_TRUE(helper.Shares().empty());
    win32standin::AdvanceClock(30);
    ASSERT_TRUE(helper.WaitForShares(1, 5s));
    EXPECT_NE(helper.Shares()[0].thread, std::this_thread::get_id());
    item->OnIPCResponse(0, nullptr, 0);  // waits until the worker's own change is in
    std::vector<Seen> seen = notifier.All();
    ASSERT_EQ(seen.size(), before + 1);
    EXPECT_EQ(seen.back().state.stage, TransferStage::Connecting);
    EXPECT_EQ(seen.back().reason, FailReason::None);
    EXPECT_NE(seen.back().thread, std::this_thread::get_id());
}

TEST_F(SendItemTest, CancelOrDestructionDuringTheDelaySendsNothing) {
    for (bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "cancelled");
        helper.ClearRecords();
        auto item = MakeItem(2);
        item->StartWithDelay(60000);
        Radio(*item, kMsgBluetoothOn);
        Radio(*item, kMsgWifiOn);
        size_t before = notifier.Count();
        if (destroy) {
            item.reset();
        } else {
            item->CancelByUser();  // joins the worker: returns long before the delay
            EXPECT_EQ(notifier.Count(), before);
        }
        EXPECT_EQ(helper.ShareCount(), 0u);
        EXPECT_EQ(helper.Cancels(), destroy ? 0 : 1);
    }
}

TEST_F(SendItemTest, CancelAfterTheWorkerHasSentJoinsAtOnceAndCancelsTheSend) {
    const uint64_t begun = win32standin::TimedWaitsBegun();
    auto item = MakeItem(2);
    item->StartWithDelay(500);
    Radio(*item, kMsgBluetoothOn);
    Radio(*item, kMsgWifiOn);
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
    win32standin::AdvanceClock(500);
    ASSERT_TRUE(helper.WaitForShares(1, 10s));
    item->CancelByUser();  // the worker is done or finishing its send: no further wait
    EXPECT_EQ(helper.ShareCount(), 1u);
    EXPECT_EQ(helper.Cancels(), 1);
    std::vector<Seen> seen = notifier.All();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().state.stage, TransferStage::Connecting);  // joined after its change
}

TEST_F(SendItemTest, SpuriousWakeUpWaitsTheFullDelayAgain) {
    const uint64_t begun = win32standin::TimedWaitsBegun();
    auto item = MakeItem(2);
    item->StartWithDelay(400);
    Radio(*item, kMsgBluetoothOn);
    Radio(*item, kMsgWifiOn);
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
    win32standin::AdvanceClock(100);
    win32standin::WakeTimedWaitsSpuriously();
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 2, 1, 10s));
    win32standin::AdvanceClock(399);  // 499 ms after the start, 399 after the wake-up
    EXPECT_EQ(helper.ShareCount(), 0u);
    win32standin::AdvanceClock(1);
    ASSERT_TRUE(helper.WaitForShares(1, 10s));
}

}  // namespace
}  // namespace Vela::Ux
