#include "FileTransferModel.h"
#include "FileTransferSendItem.h"
#include "ShareServiceSim.h"
#include "SimpleUIManager.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#include <TandemUtilStandIn.h>
#include <UtilStandIn.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace Vela::Ux {
namespace {

using namespace std::chrono_literals;

struct Notice {
    uint32_t id;
    TransferItemState state;
    FailReason reason;
};

class RecordingCallback : public FileTransferModelCallback {
public:
    void OnItemQueued(FileTransferItem*) override {}
    void OnItemStarted(FileTransferItem*) override {}
    void OnItemRemoved(FileTransferItem*) override {}
    void OnItemStateChanged(FileTransferItem* item) override {
        notices.push_back({item->GetId(), item->GetState(),
                           static_cast<FileTransferSendItem*>(item)->GetFailReason()});
    }
    std::vector<Notice> notices;
};

class ShareServiceSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        duistandin::SetMainThread();
        duistandin::DiscardPending();
        tandemstandin::ResetAll();
        utilstandin::ResetAll();
        dir = std::filesystem::temp_directory_path() / ("ftm-sim-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        hub = std::make_unique<SimpleUIManager>();  // the plug-in's side of the bus
        model = std::make_unique<FileTransferModel>(hub.get());
        model->SetCallback(&callback);
    }
    void TearDown() override {
        if (sim) {
            sim->Stop();
        }
        ipcstandin::WaitUntilIdle();
        duistandin::RunUntilIdle();
        model.reset();
        hub.reset();
        ipcstandin::WaitUntilIdle();
        duistandin::DiscardPending();
        std::filesystem::remove_all(dir);
    }
    std::wstring File(const std::string& name, size_t size) {
        std::ofstream(dir / name) << std::string(size, 'x');
        return (dir / name).wstring();
    }
    void StartSim(const std::string& scenario, uint64_t speed) {
        sim = std::make_unique<ShareServiceSim>(scenario, speed);
        ASSERT_TRUE(sim->Start());
    }
    // Runs the UI loop until the last notice satisfies DONE.
    template <typename Done>
    bool RunUntilNotice(Done done) {
        return duistandin::RunUntil(
            [&] { return !callback.notices.empty() && done(callback.notices.back()); }, 20s);
    }
    // Sends FILES and runs the UI loop until the item reaches STAGE.
    bool Play(const std::vector<std::wstring>& files,
              TransferStage stage = TransferStage::Finished) {
        model->AddSendItem(phone, files, SendSponsorSource::FromContextMenu);
        return RunUntilNotice([stage](const Notice& n) { return n.state.stage == stage; });
    }
    void Settle() {
        ipcstandin::WaitUntilIdle();
        duistandin::RunUntilIdle();
    }
    void ExpectLast(TransferStage stage, TransferResult result, FailReason reason) {
        ASSERT_FALSE(callback.notices.empty());
        const Notice& last = callback.notices.back();
        EXPECT_EQ(last.state.stage, stage);
        EXPECT_EQ(last.state.result, result);
        EXPECT_EQ(last.reason, reason);
    }

    std::filesystem::path dir;
    KxShareDevices phone = [] {
        KxShareDevices device;
        device.summary = "phone";
        device.shareType = 2;
        return device;
    }();
    std::unique_ptr<SimpleUIManager> hub;
    std::unique_ptr<FileTransferModel> model;
    std::unique_ptr<ShareServiceSim> sim;
    RecordingCallback callback;
};

TEST_F(ShareServiceSimTest, PlaysASuccessfulTransferPacedByTheFileSize) {
    StartSim("ok", 4000);  // 2,000 bytes: half a second
    auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(Play({File("a", 1500), File("b", 500)}));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, 450ms);
    ExpectLast(TransferStage::Finished, TransferResult::Ok, FailReason::Succeeded);

    std::vector<uint32_t> percents;
    for (const Notice& notice : callback.notices) {
        if (notice.state.stage == TransferStage::Transferring) {
            percents.push_back(notice.state.progress);
        }
    }
    ASSERT_GE(percents.size(), 3u);
    EXPECT_LE(percents.size(), 12u);  // at most ten progress messages a second
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100u);
    EXPECT_EQ(callback.notices.front().state.stage, TransferStage::Preparing);
}

// Each scenario ends the item as it expects; with a radio off the item waits, preparing.
TEST_F(ShareServiceSimTest, ScenariosEndAsTheItemExpects) {
    struct Case {
        const char* scenario;
        TransferStage stage;
        TransferResult result;
        FailReason reason;
        uint32_t progress;  // when it ended
    };
    const Case cases[] = {
        {"fail", TransferStage::Finished, TransferResult::Failed, FailReason::SendFailed, 0},
        {"reject", TransferStage::Finished, TransferResult::Rejected, FailReason::Rejected, 0},
        {"recvcancel", TransferStage::Finished, TransferResult::Cancelled, FailReason::Cancelled,
         50},
        {"busy", TransferStage::Finished, TransferResult::Failed, FailReason::ReceiverBusy, 0},
        {"radio-off", TransferStage::Preparing, TransferResult::Ok,
         FailReason::BluetoothUnavailable, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        callback.notices.clear();
        StartSim(c.scenario, 20000);
        model->AddSendItem(phone, {File("f", 2000)}, SendSponsorSource::FromContextMenu);
        EXPECT_TRUE(RunUntilNotice(
            [&](const Notice& n) { return n.state.stage == c.stage && n.reason == c.reason; }));
        Settle();
        ExpectLast(c.stage, c.result, c.reason);
        EXPECT_EQ(model->IsBusy(), c.stage != TransferStage::Finished);
        auto ended = std::find_if(callback.notices.begin(), callback.notices.end(),
                                  [&](const Notice& n) { return n.state.result == c.result; });
        ASSERT_NE(ended, callback.notices.end());
        if (c.progress != 0) {  // a receiver's cancel carries the percent reached
            EXPECT_EQ(ended->state.progress, c.progress);
        }
        sim->Stop();
        model->StartNext(0);
    }
}

TEST_F(ShareServiceSimTest, UserCancelIsAnsweredAndEndsCancelledByUser) {
    StartSim("ok", 100);  // 2,000 bytes: twenty seconds unless cancelled
    ASSERT_TRUE(Play({File("f", 2000)}, TransferStage::Transferring));
    model->RemoveItem(callback.notices.back().id);
    ASSERT_TRUE(
        RunUntilNotice([](const Notice& n) { return n.state.stage == TransferStage::Finished; }));
    ExpectLast(TransferStage::Finished, TransferResult::CancelledByUser, FailReason::Cancelled);
}

TEST_F(ShareServiceSimTest, StopEndsATransferAtOnceAndSilencesTheService) {
    StartSim("ok", 10);  // minutes, unless stopped
    ASSERT_TRUE(Play({File("f", 5000)}, TransferStage::Transferring));
    auto begin = std::chrono::steady_clock::now();
    sim->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);
    Settle();
    size_t seen = callback.notices.size();
    model->RemoveItem(callback.notices.back().id);  // nobody answers the cancel now
    Settle();
    EXPECT_EQ(callback.notices.size(), seen);
    EXPECT_TRUE(sim->Start());  // may join the bus again
}

}  // namespace
}  // namespace Vela::Ux
