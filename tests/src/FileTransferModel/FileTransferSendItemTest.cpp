#include "FileTransferSendItem.h"
#include "IPCMessageIds.h"
#include "SendBodies.h"
#include "UiTest.h"

#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <Win32StandIn.h>

#include <chrono>
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
    // Started with a delay of DELAYMS and the radios on: connecting, or with a delay the
    // worker waits it out.
    std::unique_ptr<FileTransferSendItem> Connecting(uint32_t shareType, int32_t delayMs = 0) {
        const uint64_t begun = win32standin::TimedWaitsBegun();
        auto item = MakeItem(shareType);
        item->StartWithDelay(delayMs);
        Radio(*item, kMsgBluetoothOn);
        Radio(*item, kMsgWifiOn);
        EXPECT_TRUE(delayMs == 0 || win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
        return item;
    }
    // ... and status 44: transferring.
    std::unique_ptr<FileTransferSendItem> Transferring(uint32_t shareType) {
        auto item = Connecting(shareType);
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
// Construction and merge

TEST_F(SendItemTest, SizesCountReadableFilesAndMappedSharesAndMergeAddsThem) {
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
    EXPECT_NE(item.GetId(), 0u);  // the process's first item
    EXPECT_EQ(item.GetTotalBytes(), 35u);
    EXPECT_EQ(item.GetFiles().size(), 5u);  // unreadable ones too
    EXPECT_EQ(item.GetState().stage, TransferStage::None);
    EXPECT_EQ(item.GetState().leftTime, -1);

    // A merge takes the other's device, appends its files and adds its size, unnoticed.
    KxShareDevices renamed = Phone("p", 2);
    renamed.nickName = L"new name";
    FileTransferSendItem other(renamed, {L"Z:/five", L"/b"}, SendSponsorSource::FromContextMenu);
    EXPECT_EQ(other.GetId(), item.GetId() + 1);
    item.SetNotifier(&notifier);
    item.Merge(&other);
    EXPECT_EQ(item.GetTotalBytes(), 40u);
    ASSERT_EQ(item.GetFiles().size(), 7u);
    EXPECT_EQ(item.GetFiles()[5], L"Z:/five");
    EXPECT_EQ(item.GetNickName(), L"new name");
    EXPECT_EQ(notifier.Count(), 0u);
    // Share types other than 0 and 1 count as 2.
    EXPECT_EQ(MakeItem(7)->GetShareType(), 2u);
    EXPECT_EQ(MakeItem(1)->GetShareType(), 1u);
    fs::remove_all(dir);
}

// ---------------------------------------------------------------------------------------------
// Radio handshake

TEST_F(SendItemTest, StartAsksForRadiosAndPreparesAfreshButNotWithoutSendHelper) {
    FileTransferSendItem orphan(Phone("p"), {L"/a"}, SendSponsorSource::FromContextMenu);
    orphan.SetNotifier(&notifier);
    orphan.StartWithDelay(0);
    EXPECT_EQ(orphan.GetState().stage, TransferStage::None);
    EXPECT_EQ(notifier.Count(), 0u);

    auto item = MakeItem(2);
    item->StartWithDelay(0);
    ExpectState(*item, TransferStage::Preparing, TransferResult::Ok, FailReason::InProgress);
    EXPECT_EQ(helper.Posts(), (std::vector<Post>{ToService(kMsgTandemPrepareRadios)}));
    EXPECT_EQ(notifier.Count(), 1u);
    // A restart forgets the radios reported before it.
    Radio(*item, kMsgWifiOn);
    item->StartWithDelay(0);
    Radio(*item, kMsgBluetoothOn);
    EXPECT_EQ(helper.ShareCount(), 0u);
    EXPECT_EQ(helper.CountOf(kMsgTandemPrepareRadios), 2u);
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

// ---------------------------------------------------------------------------------------------
// Status and progress

TEST_F(SendItemTest, StatusTableAppliesFromAnyStage) {
    using S = TransferStage;
    using R = TransferResult;
    using F = FailReason;
    // A code and its parameter, then the state, reason and progress it leaves.
    struct Row {
        uint32_t code;
        S stage;
        R result;
        F reason;
        int32_t param = 0;
        uint32_t progress = 0;
    };
    std::vector<Row> rows = {
        {SHARE_ERROR_SERVER_BUSY, S::Transferring, R::Failed, F::ReceiverBusy},
        {DTCP_ERR_MISSED_PAIR_DEVICE, S::Transferring, R::Failed, F::MissedPair},
        {DTCP_ERR_VERSION_MISMATCH, S::Transferring, R::Failed, F::VersionMismatch},
        {DTCP_ERR_NOSPACE, S::Transferring, R::Failed, F::NoSpace},
        {DTCP_TIMEOUT_CONFIRM, S::Transferring, R::Failed, F::ConfirmTimeout},
        {DTCP_STATUS_SEND_CONNECTING, S::Connecting, R::Ok, F::InProgress},  // what Start() left
        {DTCP_STATUS_SEND_DATA, S::Transferring, R::Ok, F::InProgress},
        {DTCP_STATUS_SEND_CANCEL, S::Transferring, R::Cancelled, F::Cancelled},
        {DTCP_STATUS_SEND_RECVREJCT, S::Transferring, R::Rejected, F::Rejected},
        {DTCP_STATUS_SEND_RECVCANCEL, S::Transferring, R::Cancelled, F::Cancelled, 37, 37},
        {DTCP_STATUS_SEND_SUCCESS, S::Transferring, R::Ok, F::Succeeded, 0, 100},
    };
    for (uint32_t code : {SHARE_ERROR_IO, SHARE_ERROR_SOCKET, SHARE_ERROR_CLIENT_BUSY,
                          SHARE_ERROR_SELF_CHANNEL_BUSY, SHARE_ERROR_OTHER_CHANNEL_BUSY,
                          SHARE_UNKNOWN_ERROR, DTCP_ERR_SOCKET, DTCP_ERR_REMOTE, DTCP_ERR_IO,
                          DTCP_TIMEOUT_FINISH, DTCP_TIMEOUT_CANCEL}) {
        rows.push_back({code, S::Transferring, R::Failed, F::SendFailed});
    }
    for (const Row& row : rows) {
        for (bool finished : {false, true}) {
            SCOPED_TRACE(std::to_string(row.code) + (finished ? " after the disconnect" : ""));
            auto item = MakeItem(2);
            item->StartWithDelay(0);  // Preparing
            if (finished) {
                Status(*item, DTCP_STATUS_SEND_DISCONNECTED);
                ASSERT_EQ(item->GetState().stage, S::Finished);
            }
            size_t before = notifier.Count();
            Status(*item, row.code, row.param);
            ExpectState(*item, row.stage, row.result, row.reason);
            EXPECT_EQ(item->GetState().progress, row.progress);
            EXPECT_EQ(notifier.Count(), before + 1);
        }
    }
    // Unknown codes change nothing and tell nobody.
    auto item = Transferring(2);
    size_t before = notifier.Count();
    for (uint32_t code : {0u, 41u, 45u, 49u, 51u, 53u, 63u, 64u, 1000u}) {
        Status(*item, code);
    }
    EXPECT_EQ(notifier.Count(), before);
    ExpectState(*item, S::Transferring, R::Ok, F::InProgress);
}

TEST_F(SendItemTest, ProgressAppliesOnlyWhileTransferringOk) {
    auto item = Connecting(2);
    Progress(*item, 10, 5, 100);  // Connecting: ignored
    EXPECT_EQ(item->GetState().stage, TransferStage::Connecting);

    Status(*item, DTCP_STATUS_SEND_DATA);
    Progress(*item, 42, 7, 900);
    const TransferItemState state = item->GetState();
    ExpectState(*item, TransferStage::Transferring, TransferResult::Ok, FailReason::InProgress);
    EXPECT_EQ((std::vector<int64_t>{state.progress, state.leftTime, state.speed}),
              (std::vector<int64_t>{42, 7, 900}));

    Status(*item, SHARE_ERROR_IO);
    size_t before = notifier.Count();
    Progress(*item, 50, 1, 1);  // failed: ignored
    EXPECT_EQ(notifier.Count(), before);
    EXPECT_EQ(item->GetState().progress, 0u);
}

// ---------------------------------------------------------------------------------------------
// Disconnect

// The disconnect finishes the item afresh with the transfer's result and reports it; a failure
// takes its reason from the radios that went off, during the transfer or afterwards.
TEST_F(SendItemTest, DisconnectFinishesReportsAndGivesAFailureTheRadioReason) {
    using R = TransferResult;
    using F = FailReason;
    const std::vector<ReportedEvent> succeeded = {{ReportedEvent::Event, 1035, {"0"}}};
    const std::vector<ReportedEvent> failed = {{ReportedEvent::Event, 1034, {"0", "7"}}};
    struct Case {
        uint32_t shareType;
        uint32_t end;                  // the status before the disconnect
        std::vector<uint32_t> during;  // radios off while transferring
        std::vector<uint32_t> after;   // radios off once finished
        R result;
        F reason;
        std::vector<ReportedEvent> events;
    };
    const Case cases[] = {
        {2, DTCP_STATUS_SEND_SUCCESS, {}, {}, R::Ok, F::Succeeded, succeeded},
        {2, DTCP_STATUS_SEND_RECVCANCEL, {}, {kMsgBluetoothOff}, R::Cancelled, F::Cancelled, {}},
        {0, DTCP_STATUS_SEND_RECVREJCT, {}, {kMsgWifiOff}, R::Rejected, F::Rejected, {}},
        {0, SHARE_ERROR_IO, {kMsgWifiOff}, {}, R::Failed, F::WifiClosed, failed},
        {0, SHARE_ERROR_IO, {kMsgWifiOff, kMsgBluetoothOff}, {}, R::Failed, F::BothClosed, failed},
        {0, SHARE_ERROR_IO, {kMsgBluetoothOffAlt}, {}, R::Failed, F::BluetoothClosed, failed},
        {0, SHARE_ERROR_IO, {}, {}, R::Failed, F::SendFailed, failed},
        {2, SHARE_ERROR_IO, {kMsgWifiOff}, {}, R::Failed, F::SendFailed, failed},  // type 0 only
        {1, SHARE_ERROR_IO, {kMsgBluetoothOff}, {}, R::Failed, F::BluetoothClosed, failed},
        {0, SHARE_ERROR_SOCKET, {}, {kMsgBluetoothOff}, R::Failed, F::BluetoothClosed, failed},
        {0, SHARE_ERROR_IO, {}, {kMsgBluetoothOff, kMsgWifiOff}, R::Failed, F::BothClosed, failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.during) + ::testing::PrintToString(c.after) +
                     " type " + std::to_string(c.shareType) + " end " + std::to_string(c.end));
        auto item = Transferring(c.shareType);
        for (uint32_t radio : c.during) {
            Radio(*item, radio);
        }
        EXPECT_EQ(item->GetState().stage, TransferStage::Transferring);
        Status(*item, c.end, 30);
        tandemstandin::ClearReportedEvents();
        Status(*item, DTCP_STATUS_SEND_DISCONNECTED, 0, 7);
        size_t before = notifier.Count();
        for (uint32_t radio : c.after) {
            Radio(*item, radio);
        }
        // Only a failed item recomputes its reason, with a notice each time.
        EXPECT_EQ(notifier.Count(), before + (c.result == R::Failed ? c.after.size() : 0));
        ExpectState(*item, TransferStage::Finished, c.result, c.reason);
        EXPECT_EQ(item->GetState().progress, 0u);  // a fresh record
        EXPECT_EQ(item->GetDisconnectCode(), 7u);
        EXPECT_EQ(tandemstandin::ReportedEvents(), c.events);
    }
}

// ---------------------------------------------------------------------------------------------
// Cancel

TEST_F(SendItemTest, CancelFinishesAPreparingItemAtOnceAndATransferOnceTheServiceAnswers) {
    auto preparing = MakeItem(2);
    preparing->StartWithDelay(0);
    preparing->CancelByUser();
    ExpectState(*preparing, TransferStage::Finished, TransferResult::CancelledByUser,
                FailReason::InProgress);
    preparing->CancelByUser();
    EXPECT_EQ(notifier.Count(), 2u);
    EXPECT_EQ(helper.Cancels(), 0);

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

// ---------------------------------------------------------------------------------------------
// Delayed send

// The worker sends once the delay has passed; a spurious wake-up on the way starts the full delay
// again.
TEST_F(SendItemTest, DelayedSendGoesOutFromTheWorkerAfterTheFullDelay) {
    auto item = Connecting(2, 400);
    // Connecting at once, without a notice; the worker waits out the delay on the clock.
    EXPECT_EQ(item->GetState().stage, TransferStage::Connecting);
    size_t before = notifier.Count();
    const uint64_t begun = win32standin::TimedWaitsBegun();
    win32standin::AdvanceClock(100);
    win32standin::WakeTimedWaitsSpuriously();
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
    win32standin::AdvanceClock(399);  // 499 ms after the start, 399 after the wake-up
    EXPECT_TRUE(helper.Shares().empty());
    win32standin::AdvanceClock(1);
    ASSERT_TRUE(helper.WaitForShares(1, 5s));
    EXPECT_NE(helper.Shares()[0].thread, std::this_thread::get_id());
    item->OnIPCResponse(0, nullptr, 0);  // waits until the worker's own change is in
    std::vector<Seen> seen = notifier.All();
    ASSERT_EQ(seen.size(), before + 1);
    EXPECT_EQ(seen.back().state.stage, TransferStage::Connecting);
    EXPECT_EQ(seen.back().reason, FailReason::None);
    EXPECT_NE(seen.back().thread, std::this_thread::get_id());
}

// A cancel or the item's end during the delay sends nothing; a cancel once the worker has sent
// joins it at once, after its change, and cancels the send.
TEST_F(SendItemTest, CancelOrDestructionDuringTheDelaySendsNothingAndAfterItCancelsTheSend) {
    const struct Case {
        const char* name;
        bool sent;
        bool destroy;
    } cases[] = {{"cancelled", false, false}, {"destroyed", false, true}, {"sent", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        helper.ClearRecords();
        auto item = Connecting(2, c.sent ? 500 : 60000);
        size_t before = notifier.Count();
        if (c.sent) {
            win32standin::AdvanceClock(500);
            ASSERT_TRUE(helper.WaitForShares(1, 10s));
        }
        if (c.destroy) {
            item.reset();
        } else {
            item->CancelByUser();  // joins the worker: returns long before the delay
        }
        EXPECT_EQ(notifier.Count(), before + (c.sent ? 1 : 0));
        EXPECT_EQ(notifier.All().back().state.stage,
                  c.sent ? TransferStage::Connecting : TransferStage::Preparing);
        EXPECT_EQ(helper.ShareCount(), c.sent ? 1u : 0u);
        EXPECT_EQ(helper.Cancels(), c.destroy ? 0 : 1);
    }
}

}  // namespace
}  // namespace Vela::Ux
