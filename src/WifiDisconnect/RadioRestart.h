// Restarting the PC's radios: message-box actions that switch the Bluetooth or Wi-Fi radio off,
// and the state-change callbacks that switch it on again once it reports being off.
//
// An action arms its callback before switching the radio off; the first state notice after that
// disarms it, whatever it reports, and only a notice of state 2 (off) unregisters the callback
// and switches the radio on again. A radio that is not on when the action runs is left alone.
#pragma once

#include <BluetoothManage.h>
#include <TandemMessageBox.h>
#include <WifiManage.h>

#include <atomic>

// Restarts the Bluetooth radio; the action of the Bluetooth-fault message box.
class BtErrorEvent : public tandem::MsgBoxEvent {
public:
    void OnConfirm() override;
};

// Restarts the Wi-Fi radio; the action of the restart-needed and channel-busy message boxes and
// of the WLAN-disconnect window's restart button.
class WifiRestartEvent : public tandem::MsgBoxEvent {
public:
    void OnConfirm() override;
};

// Called by the system library on its own thread while registered.
class BtRestartCB : public ConnectKitBluetooth::BluetoothManage::IBluetoothStateChangeNotification {
public:
    // The one callback of the process, created on first use.
    static BtRestartCB& GetInstance();
    void OnStateChanged(int state) override;
    ~BtRestartCB() override;
    // Registers the callback, then arms it.
    void Arm();

private:
    BtRestartCB() = default;
    // Set on the thread that switches the radio off, read on the library's callback thread.
    std::atomic<bool> armed{false};
};

class WifiRestartCB : public ConnectKitWifi::WifiManage::IWifiStateChangeNotification {
public:
    static WifiRestartCB& GetInstance();
    void OnStateChanged(int state) override;
    ~WifiRestartCB() override;
    void Arm();

private:
    WifiRestartCB() = default;
    std::atomic<bool> armed{false};
};
