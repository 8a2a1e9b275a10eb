#include "FileTransferModel.h"
#include "FileTransferSendItem.h"
#include "IPCMessageIds.h"
#include "LogCapture.h"
#include "SafeCopy.h"
#include "SendBodies.h"
#include "TempPath.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace Vela::Ux {
namespace {

using namespace std::chrono_literals;
using tandemstandin::ReportedEvent;
using testing::FakeTransferFile;
using testing::Phone;
using testing::StatusBody;
using Events = std::vector<std::string>;

// Records the callbacks as "queued 3", "started 3", "removed 3", "state 3 <stage>".
class RecordingCallback : public FileTransferModelCallback {
public:
    uint32_t base = 0;  // ids are printed relative to it

    void OnItemQueued(FileTransferItem* item) override { Add("queued", item); }
    void OnItemStarted(FileTransferItem* item) override { Add("started", item); }
    void OnItemRemoved(FileTransferItem* item) override { Add("removed", item); }
    void OnItemStateChanged(FileTransferItem* item) override {
        static const char* const stages[] = {"None", "Preparing", "Connecting", "Transferring",
                                             "Finished"};
        Add("state", item, stages[static_cast<uint32_t>(item->GetState().stage)]);
    }
    Events Take() { return std::move(events); }

private:
    void Add(const char* what, FileTransferItem* item, const char* stage = nullptr) {
        events.push_back(what + (" " + std::to_string(item->GetId() - base)) +
                         (stage ? std::string(" ") + stage : ""));
    }
    Events events;
};

// An item that records what the model hands it.
class ProbeItem : public FileTransferItem {
public:
    explicit ProbeItem(const KxShareDevices& device) : FileTransferItem(0, device) {}
    void Merge(FileTransferItem*) override {}
    void OnIPCResponse(uint32_t id, const char* payload, uint32_t length) override {
        std::ostringstream text;
        text << std::hex << id << std::dec << " " << length << " "
             << (payload == nullptr ? "null" : std::string(payload, length));
        responses.push_back(text.str());
    }
    void Start() override { SetState({TransferStage::Preparing, TransferResult::Ok}); }
    void Cancel() override {}
    std::vector<std::string> responses;
};

class ModelTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        model = std::make_unique<FileTransferModel>(&helper);
        model->SetCallback(&callback);
        // Ids are process-wide: the items of a test are base+1, base+2, ...
        base = FileTransferSendItem(Phone("probe"), {}, SendSponsorSource::FromOther).GetId();
        callback.base = base;
    }
    uint32_t Id(uint32_t n) const { return base + n; }
    void TearDown() override {
        model.reset();
        duistandin::RunUntilIdle();
        UiTest::TearDown();
    }

    void Send(const std::string& phone, std::vector<std::wstring> files = {L"/x"},
              uint32_t shareType = 2) {
        model->AddSendItem(Phone(phone, shareType), files, SendSponsorSource::FromContextMenu);
        duistandin::RunUntilIdle();
    }
    // A response through the registered handler, then the UI loop.
    void Respond(uint32_t id, const std::string& body) {
        helper.Deliver(id, body);
        duistandin::RunUntilIdle();
    }
    void FinishRunning(uint32_t code) {
        Respond(kMsgBluetoothOn, "");
        Respond(kMsgWifiOn, "");
        Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DATA));
        Respond(kMsgShareStatus, StatusBody(code));
        Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DISCONNECTED));
    }

    FakeTransferFile helper;
    RecordingCallback callback;
    std::unique_ptr<FileTransferModel> model;
    uint32_t base = 0;
};

// ---------------------------------------------------------------------------------------------
// Registration and responses

TEST_F(ModelTest, RegistersTheSendSideIdsAndResponsesAreCopiedToTheRunningItemOnTheUiThread) {
    EXPECT_EQ(helper.RegisteredIds(),
              (std::vector<uint32_t>{0x1C0005, 0x1C0008, 0x15024D, 0x15024E, 0x15024F, 0x150250,
                                     0x150251, 0x150253, 0x150252, 0x150254}));
    testsupport::LogCapture log;
    auto probe = std::make_unique<ProbeItem>(Phone("p"));
    ProbeItem* item = probe.get();
    model->AddItemChecked(std::move(probe));
    ASSERT_TRUE(model->IsBusy());

    std::thread ipc([this] {
        std::string body = "abc";
        helper.Deliver(kMsgShareStatus, body.data(), 3);
        body = "zzz";  // the model holds its own copy
        helper.Deliver(kMsgShareProgress, nullptr, 0);
        helper.Deliver(kMsgShareStatus, nullptr, 4);  // dropped, with an error
    });
    ipc.join();
    EXPECT_TRUE(item->responses.empty());  // nothing before the UI loop runs
    duistandin::RunUntilIdle();
    EXPECT_EQ(item->responses, (std::vector<std::string>{"1c0008 3 abc", "1c0005 0 null"}));
    EXPECT_EQ(log.Messages(),
              std::vector<std::string>{"src buf null(FileTransferModelHelper::OnIPCResponse)"});
}

TEST(CopyBufferTest, KeepsTheErrorCodeContract) {
    char destination[4] = {'q', 'q', 'q', 'q'};
    EXPECT_EQ(CopyBuffer(destination, 4, "abcd", 4), 0);
    EXPECT_EQ(std::string(destination, 4), "abcd");
    EXPECT_EQ(CopyBuffer(destination, 4, "abcdef", 6), ERANGE);
    EXPECT_EQ(std::string(destination, 4), std::string(4, '\0'));
    EXPECT_EQ(CopyBuffer(destination, 4, nullptr, 2), EINVAL);
    EXPECT_EQ(CopyBuffer(nullptr, 4, "ab", 2), EINVAL);
}

// ---------------------------------------------------------------------------------------------
// Queue: start, merge, order

TEST_F(ModelTest, RequestsForAWaitingPhoneMergeIntoTheFirstWaitingItem) {
    Send("a", {L"/1"});  // runs
    Send("b", {L"/2"});  // waits
    Send("c", {L"/3"});  // waits
    callback.Take();
    Send("b", {L"/4", L"/5"});
    ASSERT_EQ(model->GetQueuedCount(), 2u);
    EXPECT_EQ(callback.Take(), Events{"queued 2"});
    // One for the running phone is queued, not merged.
    Send("a", {L"/6"});
    EXPECT_EQ(model->GetQueuedCount(), 3u);
    EXPECT_EQ(callback.Take(), Events{"queued 5"});  // the merged request took id 4

    // The merged item runs with all its files, before the item for "c".
    model->StartNext(0);
    Respond(kMsgBluetoothOn, "");
    Respond(kMsgWifiOn, "");
    ASSERT_EQ(helper.ShareCount(), 1u);
    EXPECT_EQ(helper.Shares()[0].files, (std::vector<std::wstring>{L"/2", L"/4", L"/5"}));
    EXPECT_EQ(helper.Shares()[0].device.summary, "b");
}

TEST_F(ModelTest, FirstRequestStartsAtOnceAndAfterAFinishedOneWaitsForStartNext) {
    Send("a");
    EXPECT_EQ(callback.Take(), (Events{"state 1 Preparing", "started 1"}));
    EXPECT_EQ(helper.PostedIds(), std::vector<uint32_t>{kMsgTandemPrepareRadios});
    EXPECT_TRUE(model->IsBusy());
    EXPECT_EQ(model->GetQueuedCount(), 0u);

    FinishRunning(DTCP_STATUS_SEND_SUCCESS);
    EXPECT_FALSE(model->IsBusy());
    callback.Take();
    Send("b");
    EXPECT_EQ(model->GetQueuedCount(), 1u);
    EXPECT_EQ(callback.Take(), Events{"queued 2"});
    model->StartNext(0);
    EXPECT_EQ(model->GetQueuedCount(), 0u);
    EXPECT_TRUE(model->IsBusy());

    // Without a callback an item becomes current but is not started.
    model->Clear();
    model->SetCallback(nullptr);
    helper.ClearRecords();
    Send("c");
    EXPECT_TRUE(helper.Posts().empty());
    EXPECT_TRUE(model->IsBusy());  // current, stage None
    EXPECT_EQ(model->GetQueuedCount(), 0u);
}

// Requests from another thread are queued on the UI thread. Responses with nothing running are
// dropped, and so is whatever was posted to the UI thread before the model went.
TEST_F(ModelTest, RequestsFromAnotherThreadAreQueuedOnTheUiThreadOrDroppedWithTheModel) {
    Respond(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DATA));
    EXPECT_TRUE(callback.Take().empty());
    auto addTwo = [this] {
        std::thread pipe([this] {
            model->AddSendItem(Phone("a"), {L"/1"}, SendSponsorSource::FromContextMenu);
            model->AddSendItem(Phone("b"), {L"/2"}, SendSponsorSource::FromContextMenu);
        });
        pipe.join();
    };
    addTwo();
    EXPECT_FALSE(model->IsBusy());
    EXPECT_EQ(duistandin::RunUntilIdle(), 2u);
    EXPECT_TRUE(model->IsBusy());
    EXPECT_EQ(model->GetQueuedCount(), 1u);

    helper.ClearRecords();
    callback.Take();
    addTwo();
    helper.Deliver(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DATA));  // for the running "a"
    model.reset();
    EXPECT_EQ(duistandin::RunUntilIdle(), 3u);  // they run, find the model gone, free their copies
    EXPECT_TRUE(callback.Take().empty());
    EXPECT_TRUE(helper.Posts().empty());
    // The handler stays registered on the hub; it now does nothing.
    helper.Deliver(kMsgShareStatus, StatusBody(DTCP_STATUS_SEND_DATA));
    EXPECT_EQ(duistandin::PendingTasks(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Remove, retry, cancel, clear

TEST_F(ModelTest, RemoveCancelsTheRunningItemAndRemovesAWaitingOne) {
    Send("a");  // id n, Preparing
    Send("b");
    Send("c");
    callback.Take();
    model->RetryItem(Id(2));  // a waiting id: nothing
    EXPECT_TRUE(callback.Take().empty());

    // Waiting "b": removed with its callback, the queue shrinks.
    model->RemoveItem(Id(2));
    EXPECT_EQ(callback.Take(), Events{"removed 2"});
    EXPECT_EQ(model->GetQueuedCount(), 1u);

    // Running "a" while preparing: cancelled, stays current as finished.
    model->RemoveItem(Id(1));
    EXPECT_EQ(callback.Take(), Events{"state 1 Finished"});
    EXPECT_FALSE(model->IsBusy());
    EXPECT_EQ(model->GetQueuedCount(), 1u);
    model->RemoveItem(Id(999));
    EXPECT_TRUE(callback.Take().empty());
}

TEST_F(ModelTest, CancelAllRemovesWaitingItemsInOrderThenCancelsTheRunningOneAndClearIsSilent) {
    Send("a");
    Respond(kMsgBluetoothOn, "");
    Respond(kMsgWifiOn, "");  // connecting
    Send("b");
    Send("c");
    callback.Take();
    model->CancelAll();
    EXPECT_EQ(callback.Take(), (Events{"removed 2", "removed 3"}));
    EXPECT_EQ(helper.Cancels(), 1);
    EXPECT_EQ(model->GetQueuedCount(), 0u);
    EXPECT_TRUE(model->IsBusy());

    // Clear drops everything silently.
    Send("d");
    callback.Take();
    model->Clear();
    EXPECT_TRUE(callback.Take().empty());
    EXPECT_FALSE(model->IsBusy());
    EXPECT_EQ(model->GetQueuedCount(), 0u);
    EXPECT_EQ(helper.Cancels(), 1);
}

TEST_F(ModelTest, WorkerNoticeForAnItemClearedMeanwhileIsDropped) {
    Send("a");
    Send("b");
    model->StartNext(20);  // "b" runs with a delayed send
    const uint64_t begun = win32standin::TimedWaitsBegun();
    Respond(kMsgBluetoothOn, "");
    Respond(kMsgWifiOn, "");
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
    win32standin::AdvanceClock(20);
    ASSERT_TRUE(helper.WaitForShares(1, 5s));
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (duistandin::PendingTasks() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();  // the worker posts its notice right after sending
    }
    callback.Take();
    model->Clear();
    EXPECT_EQ(duistandin::RunUntilIdle(), 1u);
    EXPECT_TRUE(callback.Take().empty());
}

// ---------------------------------------------------------------------------------------------
// Firewall

TEST_F(ModelTest, RefusedFirewallRuleDropsTheRequestAfterItsReports) {
    tandemstandin::SetFirewallAnswers(false, false);
    Send("a", {L"/x"}, 7);
    EXPECT_FALSE(model->IsBusy());
    EXPECT_TRUE(callback.Take().empty());
    tandemstandin::FirewallCalls calls = tandemstandin::GetFirewallCalls();
    EXPECT_EQ(calls.serverStarted, 1);
    EXPECT_EQ(calls.tryEnableRule, 1);
    // The reports carry the source, the device type and the share type (7 counts as 0).
    KxShareDevices device = Phone("b", 1);
    device.devTypeIsOne = true;
    model->AddSendItem(device, {L"/x"}, SendSponsorSource::FromOther);
    EXPECT_EQ(tandemstandin::ReportedEvents(),
              (std::vector<ReportedEvent>{{ReportedEvent::Event, 7008, {"5"}},
                                          {ReportedEvent::Event, 7012, {"1", "0", "0"}},
                                          {ReportedEvent::Event, 7008, {"6"}},
                                          {ReportedEvent::Event, 7012, {"0", "1", "1"}}}));

    // The IT edition drops a request before anything: no report, no rule, no notice.
    testsupport::LogCapture log;
    utilstandin::SetITVersion(true);
    tandemstandin::ClearReportedEvents();
    tandemstandin::ClearMessageBoxes();
    Send("c", {L"/x"}, 1);
    EXPECT_TRUE(tandemstandin::ReportedEvents().empty());
    EXPECT_TRUE(tandemstandin::ShownMessageBoxes().empty());
    EXPECT_EQ(tandemstandin::GetFirewallCalls().serverStarted, 2);
    EXPECT_EQ(log.CountStartingWith(
                  "[DaVirir] Current system is IT Version, prevent send files to others("),
              1u);
}

TEST_F(ModelTest, RetriedItemPreparesAgainAndAFailedOneReenablesTheRuleThroughTheService) {
    tandemstandin::SetFirewallAnswers(true, true);
    tandemstandin::SetConfigAllow(true);
    Send("a");
    FinishRunning(DTCP_STATUS_SEND_SUCCESS);
    EXPECT_EQ(tandemstandin::GetFirewallCalls().enableRuleByService, 0);
    helper.ClearRecords();
    callback.Take();
    model->RetryItem(Id(1));
    EXPECT_EQ(callback.Take(), Events{"state 1 Preparing"});
    EXPECT_EQ(helper.PostedIds(), std::vector<uint32_t>{kMsgTandemPrepareRadios});
    FinishRunning(SHARE_ERROR_IO);
    // Transferring/Failed does not count; Finished/Failed does, once per notice.
    EXPECT_EQ(tandemstandin::GetFirewallCalls().enableRuleByService, 1);

    tandemstandin::SetConfigAllow(false);
    Respond(kMsgBluetoothOff, "");  // another Finished/Failed notice
    EXPECT_EQ(tandemstandin::GetFirewallCalls().enableRuleByService, 1);
}

// ---------------------------------------------------------------------------------------------
// Notices of AddSendItem

// The notices of a request only inform: share type 1 gets one when its sizes add up past the limit
// or to nothing, share type 2 one for a file it cannot send, while the switch is on.
TEST_F(ModelTest, SizeAndSpecialFileNotices) {
    namespace fs = std::filesystem;
    const fs::path dir = testsupport::TempPath("ftm-notice");
    fs::create_directories(dir);
    auto file = [&dir](const std::string& name, uint64_t size) {  // sparse
        std::ofstream(dir / name).close();
        fs::resize_file(dir / name, size);
        return (dir / name).wstring();
    };
    using Shown = std::vector<std::pair<std::wstring, int>>;  // texts and flags
    auto shown = [] {
        Shown texts;
        for (const auto& box : tandemstandin::ShownMessageBoxes()) {
            EXPECT_EQ(box.key, "SENDFILE_MSG");
            EXPECT_FALSE(box.hasEvent);
            texts.emplace_back(box.text, box.flags);
        }
        tandemstandin::ClearMessageBoxes();
        return texts;
    };
    tandemstandin::SetString(L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL04", L"empty");
    tandemstandin::SetString(L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL05", L"too big");
    tandemstandin::SetString(L"IDS_BEAMLY_TIP_NOT_SUPPORT_FILE_TEXT",
                             L"Velmora Share cannot send it; Velmora Share says so");

    Send("a", {file("half1", 2145000000), file("half2", 2145000000)}, 1);  // the limit: inclusive
    EXPECT_TRUE(shown().empty());
    Send("b", {file("big1", 2145000000), file("big2", 2145000001), file("more", 5)}, 1);
    EXPECT_EQ(shown(), (Shown{{L"too big", 10}}));
    Send("c", {file("empty", 0), (dir / "missing").wstring()}, 1);
    EXPECT_EQ(shown(), (Shown{{L"empty", 10}}));
    Send("d", {file("empty2", 0), L"/a.exe"}, 2);  // no size notice; the switch is off
    EXPECT_TRUE(shown().empty());
    utilstandin::SetSupportProperty("vela_plugin_davirir", "specialFileFilter", true);
    Send("e", {L"/a.exe"}, 0);
    EXPECT_TRUE(shown().empty());
    utilstandin::SetLumenDevice(true);
    Send("f", {L"/a.txt", L"/b.EXE", L"/c.apk", L"/d.exe"}, 2);
    EXPECT_EQ(shown(), (Shown{{L"LUMEN Glide cannot send it; Velmora Share says so", 0}}));
    EXPECT_EQ(model->GetQueuedCount(), 5u);  // every request was queued
    fs::remove_all(dir);
}

// ---------------------------------------------------------------------------------------------
}  // namespace
}  // namespace Vela::Ux
