#include "RadioRestart.h"

#include <windows.h>

namespace {

constexpr int kRadioOn = 1;
constexpr int kRadioOff = 2;
// Time the radio is given to start switching off before the confirming thread goes on.
constexpr DWORD kSwitchOffWaitMs = 100;

}  // namespace

void WifiRestartEvent::OnConfirm() {
    ConnectKitWifi::WifiManage* wifi = ConnectKitWifi::WifiManage::GetInstance();
    if (!wifi || wifi->GetWifiState() != kRadioOn) {
        return;
    }
    WifiRestartCB::GetInstance().Arm();
    try {
        wifi->EnableWifi(false);
    } catch (...) {
        // A failed switch leaves the radio as it is; the callback stays armed for its next
        // state notice.
    }
    Sleep(kSwitchOffWaitMs);
}

void BtErrorEvent::OnConfirm() {
    ConnectKitBluetooth::BluetoothManage* bt = ConnectKitBluetooth::BluetoothManage::GetInstance();
    if (!bt || bt->GetBluetoothState() != kRadioOn) {
        return;
    }
    BtRestartCB::GetInstance().Arm();
    bt->EnableBluetooth(false);
    Sleep(kSwitchOffWaitMs);
}

BtRestartCB& BtRestartCB::GetInstance() {
    static BtRestartCB instance;
    return instance;
}

BtRestartCB::~BtRestartCB() {
    // No notice may reach the callback once it is gone.
    ConnectKitBluetooth::BluetoothManage::GetInstance()->UnRegistBluetoothStateChangeCallback(this);
}

void BtRestartCB::Arm() {
    ConnectKitBluetooth::BluetoothManage::GetInstance()->RegistBluetoothStateChangeCallback(this);
    armed = true;
}

void BtRestartCB::OnStateChanged(int state) {
    if (!armed.exchange(false)) {
        return;
    }
    if (state == kRadioOff) {
        ConnectKitBluetooth::BluetoothManage* bt =
            ConnectKitBluetooth::BluetoothManage::GetInstance();
        bt->UnRegistBluetoothStateChangeCallback(this);
        bt->EnableBluetooth(true);
    }
}

WifiRestartCB& WifiRestartCB::GetInstance() {
    static WifiRestartCB instance;
    return instance;
}

WifiRestartCB::~WifiRestartCB() {
    ConnectKitWifi::WifiManage::GetInstance()->UnRegistWifiStateChangeCallback(this);
}

void WifiRestartCB::Arm() {
    ConnectKitWifi::WifiManage::GetInstance()->RegistWifiStateChangeCallback(this);
    armed = true;
}

void WifiRestartCB::OnStateChanged(int state) {
    if (!armed.exchange(false)) {
        return;
    }
    if (state == kRadioOff) {
        ConnectKitWifi::WifiManage* wifi = ConnectKitWifi::WifiManage::GetInstance();
        wifi->UnRegistWifiStateChangeCallback(this);
        try {
            wifi->EnableWifi(true);
        } catch (...) {
            // Nothing may leave the system library's callback thread.
        }
    }
}
