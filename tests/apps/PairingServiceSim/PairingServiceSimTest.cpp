// The pairing responder against the demo host's service and notice endpoint, over the bus.
#include "BusPost.h"
#include "EndpointRecorder.h"
#include "HostNoticeEndpoint.h"
#include "IPCMessageIds.h"
#include "MyAlbumStatusModel.h"
#include "PairingServiceSim.h"
#include "SimpleUIManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#include <TandemUtilStandIn.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <tuple>
#include <utility>

using ::testing::ElementsAre;

namespace {

using namespace std::chrono_literals;

// Waits, bounded, until the bus is idle and CONDITION holds.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        ipcstandin::WaitUntilIdle(std::chrono::milliseconds(500));
        if (condition()) {
            return true;
        }
        std::this_thread::yield();
    }
    return condition();
}

class PairingOverBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Time stands still: the responder's first attempt of each request is its only one.
        win32standin::UseMockClock();
        tandemstandin::ResetAll();
        utilstandin::ResetAll();
        tandemstandin::SetString(L"IDS_DAVIRIR_PHONE_VALID", L"Phone ready");
        tandemstandin::SetString(L"IDS_MYVIDEO_MENU_NAME", L"V\u00eddeo \U0001F3AC");
        helper.SetShareCommandHandler(
            [this](const std::wstring& command, const std::vector<std::wstring>& files) {
                std::lock_guard<std::mutex> guard(mutex);
                commands.emplace_back(command, files);
                return true;
            });
        ASSERT_TRUE(endpoint.Start());
    }
    void TearDown() override {
        helper.Stop();
        endpoint.Stop();
        win32standin::UseRealClock();
        tandemstandin::ResetAll();
        utilstandin::ResetAll();
    }

    std::mutex mutex;
    std::vector<std::string> lines;
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> commands;
    demo::HostNoticeEndpoint endpoint{[this](const std::string& line) {
        std::lock_guard<std::mutex> guard(mutex);
        lines.push_back(line);
    }};
    Vela::Ux::SimpleUIManager bus;  // the plug-in's side of the bus
    Vela::Ux::MyAlbumStatusModelHelper helper;
};

TEST_F(PairingOverBusTest, StartLearnsStateAndFollowsChanges) {
    demo::PairingServiceSim service(true, true);
    ASSERT_TRUE(service.Start());
    helper.SetTransfer(&bus);
    helper.Start();

    ASSERT_TRUE(Eventually([&] { return helper.PendingRequestCount() == 0; }));
    ASSERT_TRUE(Eventually([&] { return endpoint.TrayState() == 2; }));
    // Paired, connected, drop target, valid phone text, send possible, connection flag.
    EXPECT_EQ(std::make_tuple(helper.IsPaired(), helper.IsConnected(),
                              endpoint.DropTargetRegistered(), endpoint.ValidPhoneText(),
                              endpoint.SendPossible(), endpoint.ConnectionFlag()),
              std::make_tuple(true, true, true, std::string("Phone ready"), 1, 1));
    // Every request was answered at its first attempt. The paired phone may be asked for once
    // more: when the connection state arrives before that answer, the plug-in, connected and not
    // yet paired, asks again.
    for (uint32_t id : {kMsgTandemPairingState, kMsgTandemConnectionState, kMsgTandemStartupQuery1,
                        kMsgTandemStartupQuery2}) {
        EXPECT_EQ(service.RequestCount(id), 1) << id;
    }
    EXPECT_GE(service.RequestCount(kMsgTandemPairedDevice), 1);
    EXPECT_LE(service.RequestCount(kMsgTandemPairedDevice), 2);

    service.SetConnected(false);
    ASSERT_TRUE(Eventually([&] { return endpoint.TrayState() == 1; }));
    EXPECT_EQ(endpoint.SendPossible(), 0);

    const uint64_t waitsBefore = win32standin::TimedWaitsBegun();
    service.SetPaired(false);
    for (uint64_t pause = 1; pause <= 3; ++pause) {  // after each menu removal
        ASSERT_TRUE(win32standin::WaitForTimedWaits(waitsBefore + pause, 1, 10s));
        win32standin::AdvanceClock(100);
    }
    ASSERT_TRUE(Eventually([&] { return endpoint.RemovedMenus().size() == 3; }));
    EXPECT_EQ(endpoint.TrayState(), 0);
    EXPECT_THAT(endpoint.RemovedMenus(), ElementsAre(2u, 1u, 0u));
    EXPECT_FALSE(helper.IsPaired());

    // Connected while unpaired, the plug-in asks for the paired phone; the service answers with
    // an unnamed record: not paired.
    const int asked = service.RequestCount(kMsgTandemPairedDevice);
    service.SetConnected(true);
    ASSERT_TRUE(Eventually([&] { return service.RequestCount(kMsgTandemPairedDevice) > asked; }));
    ASSERT_TRUE(Eventually([&] { return helper.PendingRequestCount() == 0; }));
    EXPECT_FALSE(helper.IsPaired());
    EXPECT_TRUE(helper.IsConnected());

    service.Stop();
    std::lock_guard<std::mutex> guard(mutex);
    EXPECT_THAT(
        lines, ::testing::IsSupersetOf({"drop target registered", "tray: connected", "tray: paired",
                                        "tray: unpaired", "menu removed: music",
                                        "menu removed: video", "menu removed: album"}));
}

TEST_F(PairingOverBusTest, DroppedFilesAndMenuNamesCrossTheBusAsUtf16Le) {
    helper.SetTransfer(&bus);
    const std::vector<std::wstring> files = {L"C:\\Users\\d\\\u00e9t\u00e9.jpg",
                                             L"C:\\\U0001F600\\b.txt"};
    ASSERT_TRUE(endpoint.DropFiles(files));
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard<std::mutex> guard(mutex);
        return commands.size() == 1;
    }));
    EXPECT_EQ(commands[0], std::make_pair(std::wstring(L"KXSHARE_PHONE"), files));

    // The host asks for a menu's name under the reply id of 0x40019.
    IPCMessageClient host(static_cast<int>(kEndpointHostNotice), true, false);
    const char kind[4] = {1, 0, 0, 0};
    ASSERT_TRUE(demo::PostFrom(host, kEndpointHostNotice, kEndpointPlugin, kMsgMenuNameQuery, kind,
                               sizeof(kind)));
    ASSERT_TRUE(Eventually([&] { return endpoint.MenuNames().size() == 1; }));
    EXPECT_EQ(endpoint.MenuNames()[0], L"V\u00eddeo \U0001F3AC");

    helper.AddMenuEntry(Vela::Ux::kMenuMusic, L"Music \u266B");
    ASSERT_TRUE(Eventually([&] { return endpoint.AddedMenus().size() == 1; }));
    EXPECT_EQ(endpoint.AddedMenus()[0], std::make_pair(2u, std::wstring(L"Music \u266B")));
}

TEST(PairingServiceSim, AnswersOnlyItsOwnIdsAndStopsCleanly) {
    const size_t before = ipcstandin::LiveClientCount();
    {
        demo::PairingServiceSim service(true, false);
        EXPECT_TRUE(service.Start());
        EXPECT_FALSE(service.Start());
        EXPECT_EQ(ipcstandin::LiveClientCount(), before + 1);

        // A request it does not answer is not counted; its own requests are.
        testsupport::EndpointRecorder plugin(kEndpointPlugin, kMsgConnectionState);
        for (uint32_t id : {kMsgTandemShareSend, kMsgTandemConnectionState}) {
            ASSERT_TRUE(demo::PostFrom(plugin.Client(), kEndpointPlugin, kEndpointTandemService, id,
                                       nullptr, 0, kMsgConnectionState));
        }
        ASSERT_TRUE(plugin.WaitForCount(1));
        ASSERT_TRUE(ipcstandin::WaitUntilIdle());
        EXPECT_EQ(plugin.Bodies(), std::vector<std::string>{std::string(1, '\0')});
        EXPECT_EQ(service.RequestCount(kMsgTandemShareSend), 0);
        EXPECT_EQ(service.RequestCount(kMsgTandemConnectionState), 1);
    }
    EXPECT_EQ(ipcstandin::LiveClientCount(), before);
}

}  // namespace
