// The radios' contract as the plug-in relies on it: switches change the state and report it on
// the library's own thread, failures leave the state alone, registrations behave as a set and an
// object unregistered is not called again.
#include <BluetoothManage.h>
#include <SystemApiStandIn.h>
#include <WifiManage.h>

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using systemapistandin::Radio;

// Records the states it is told about and the thread that told it.
template <typename Base>
class Recorder : public Base {
public:
    void OnStateChanged(int state) override {
        std::lock_guard<std::mutex> guard(mutex);
        states.push_back(state);
        threads.push_back(std::this_thread::get_id());
        if (onState) {
            onState(state);
        }
    }
    std::vector<int> States() {
        std::lock_guard<std::mutex> guard(mutex);
        return states;
    }
    std::mutex mutex;
    std::vector<int> states;
    std::vector<std::thread::id> threads;
    std::function<void(int)> onState;
};
using WifiRecorder = Recorder<ConnectKitWifi::WifiManage::IWifiStateChangeNotification>;
using BtRecorder =
    Recorder<ConnectKitBluetooth::BluetoothManage::IBluetoothStateChangeNotification>;

class SystemApiTest : public ::testing::Test {
protected:
    void SetUp() override { systemapistandin::ResetAll(); }
    void TearDown() override { systemapistandin::ResetAll(); }
    ConnectKitWifi::WifiManage* wifi = ConnectKitWifi::WifiManage::GetInstance();
    ConnectKitBluetooth::BluetoothManage* bt = ConnectKitBluetooth::BluetoothManage::GetInstance();
};

TEST_F(SystemApiTest, SwitchesChangeTheStateAndReportEachChangeOnTheLibrarysThread) {
    WifiRecorder wifiSeen;
    BtRecorder btSeen;
    ASSERT_TRUE(wifi->RegistWifiStateChangeCallback(&wifiSeen));
    ASSERT_TRUE(bt->RegistBluetoothStateChangeCallback(&btSeen));
    EXPECT_EQ(wifi->GetWifiState(), 1);
    EXPECT_EQ(bt->GetBluetoothState(), 1);

    EXPECT_TRUE(wifi->EnableWifi(false));
    EXPECT_EQ(wifi->GetWifiState(), 2);
    EXPECT_TRUE(wifi->EnableWifi(false));  // no change, no notice
    EXPECT_TRUE(wifi->EnableWifi(true));
    EXPECT_TRUE(bt->EnableBluetooth(false));
    systemapistandin::SetState(Radio::Bluetooth, 0);
    systemapistandin::PostStateNotice(Radio::Wifi, 3);
    ASSERT_TRUE(systemapistandin::WaitForCallbacks());

    EXPECT_EQ(wifiSeen.States(), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(btSeen.States(), (std::vector<int>{2, 0}));
    EXPECT_EQ(wifi->GetWifiState(), 1);  // a posted notice does not change the state
    for (std::thread::id id : wifiSeen.threads) {
        EXPECT_NE(id, std::this_thread::get_id());
    }
    EXPECT_EQ(systemapistandin::Calls(Radio::Wifi).off, 2);
    EXPECT_EQ(systemapistandin::Calls(Radio::Wifi).on, 1);
    wifi->UnRegistWifiStateChangeCallback(&wifiSeen);
    bt->UnRegistBluetoothStateChangeCallback(&btSeen);
}

TEST_F(SystemApiTest, FailedSwitchesLeaveTheStateAndReportNothing) {
    struct Case {
        const char* name;
        Radio radio;
        bool on;
        int startState;
        void (*setUp)(Radio);
        bool throws;
    } cases[] = {
        {"wifi off fails", Radio::Wifi, false, 1,
         [](Radio r) { systemapistandin::SetSwitchOffFails(r, true); }, false},
        {"bluetooth off fails", Radio::Bluetooth, false, 1,
         [](Radio r) { systemapistandin::SetSwitchOffFails(r, true); }, false},
        {"wifi throws", Radio::Wifi, false, 1,
         [](Radio r) { systemapistandin::SetEnableThrows(r, true); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        systemapistandin::ResetAll();
        systemapistandin::SetState(c.radio, c.startState);
        ASSERT_TRUE(systemapistandin::WaitForCallbacks());
        WifiRecorder wifiSeen;
        BtRecorder btSeen;
        wifi->RegistWifiStateChangeCallback(&wifiSeen);
        bt->RegistBluetoothStateChangeCallback(&btSeen);
        c.setUp(c.radio);
        auto enable = [&] {
            return c.radio == Radio::Wifi ? wifi->EnableWifi(c.on) : bt->EnableBluetooth(c.on);
        };
        if (c.throws) {
            EXPECT_THROW(enable(), std::runtime_error);
        } else {
            EXPECT_FALSE(enable());
        }
        ASSERT_TRUE(systemapistandin::WaitForCallbacks());
        EXPECT_EQ(systemapistandin::State(c.radio), c.startState);
        EXPECT_TRUE(wifiSeen.States().empty());
        EXPECT_TRUE(btSeen.States().empty());
        wifi->UnRegistWifiStateChangeCallback(&wifiSeen);
        bt->UnRegistBluetoothStateChangeCallback(&btSeen);
    }
}

TEST_F(SystemApiTest, RegistrationsAreASetAndAnUnregisteredObjectIsNotCalledAgain) {
    WifiRecorder once;
    WifiRecorder selfRemoving;
    ASSERT_TRUE(wifi->RegistWifiStateChangeCallback(&once));
    ASSERT_TRUE(wifi->RegistWifiStateChangeCallback(&once));
    ASSERT_TRUE(wifi->RegistWifiStateChangeCallback(&selfRemoving));
    EXPECT_EQ(systemapistandin::RegisteredCount(Radio::Wifi), 2u);
    // Unregistering from inside the callback returns at once, on the callback thread.
    selfRemoving.onState = [&](int) {
        EXPECT_TRUE(wifi->UnRegistWifiStateChangeCallback(&selfRemoving));
        EXPECT_FALSE(systemapistandin::WaitForCallbacks());
    };
    wifi->EnableWifi(false);
    wifi->EnableWifi(true);
    ASSERT_TRUE(systemapistandin::WaitForCallbacks());
    EXPECT_EQ(once.States(), (std::vector<int>{2, 1}));
    EXPECT_EQ(selfRemoving.States(), (std::vector<int>{2}));
    EXPECT_TRUE(wifi->UnRegistWifiStateChangeCallback(&once));
    EXPECT_FALSE(wifi->UnRegistWifiStateChangeCallback(&once));
    wifi->EnableWifi(false);
    ASSERT_TRUE(systemapistandin::WaitForCallbacks());
    EXPECT_EQ(once.States().size(), 2u);
    EXPECT_EQ(systemapistandin::RegisteredCount(Radio::Wifi), 0u);
}

}  // namespace
