// The radios' contract as the plug-in relies on it: failed switches leave the state alone,
// registrations behave as a set and an object unregistered is not called again.
#include <BluetoothManage.h>
#include <SystemApiStandIn.h>
#include <WifiManage.h>

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <vector>

namespace {

using systemapistandin::Radio;

// Records the states it is told about.
template <typename Base>
class Recorder : public Base {
public:
    void OnStateChanged(int state) override {
        std::lock_guard<std::mutex> guard(mutex);
        states.push_back(state);
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

// Switching an enabled radio off fails, or throws: the state stays and nobody is told.
TEST_F(SystemApiTest, FailedSwitchesLeaveTheStateAndReportNothing) {
    struct Case {
        const char* name;
        Radio radio;
        bool throws;
    } cases[] = {
        {"wifi off fails", Radio::Wifi, false},
        {"bluetooth off fails", Radio::Bluetooth, false},
        {"wifi throws", Radio::Wifi, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        systemapistandin::ResetAll();
        systemapistandin::SetState(c.radio, 1);
        ASSERT_TRUE(systemapistandin::WaitForCallbacks());
        WifiRecorder wifiSeen;
        BtRecorder btSeen;
        wifi->RegistWifiStateChangeCallback(&wifiSeen);
        bt->RegistBluetoothStateChangeCallback(&btSeen);
        (c.throws ? systemapistandin::SetEnableThrows : systemapistandin::SetSwitchOffFails)(
            c.radio, true);
        auto enable = [&] {
            return c.radio == Radio::Wifi ? wifi->EnableWifi(false) : bt->EnableBluetooth(false);
        };
        if (c.throws) {
            EXPECT_THROW(enable(), std::runtime_error);
        } else {
            EXPECT_FALSE(enable());
        }
        ASSERT_TRUE(systemapistandin::WaitForCallbacks());
        EXPECT_EQ(systemapistandin::State(c.radio), 1);
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
