// The PC's Bluetooth radio.
#pragma once

namespace ConnectKitBluetooth {

class BluetoothManage {
public:
    // Told about every change of the radio's state, on the library's own callback thread.
    class IBluetoothStateChangeNotification {
    public:
        virtual void OnStateChanged(int state) = 0;
        virtual ~IBluetoothStateChangeNotification() = default;
    };

    // The process-wide radio; never null.
    static BluetoothManage* GetInstance();

    // 1 switched on, 2 switched off.
    int GetBluetoothState();
    // Switches the radio on or off. False when the switch did not work; the state then stays.
    bool EnableBluetooth(bool on);

    // A registered object is called for each change until it is unregistered; registering it
    // twice keeps one registration. Once UnRegist returns, the object is not called again
    // (a call from inside its own OnStateChanged returns at once).
    bool RegistBluetoothStateChangeCallback(IBluetoothStateChangeNotification* notification);
    bool UnRegistBluetoothStateChangeCallback(IBluetoothStateChangeNotification* notification);

private:
    BluetoothManage() = default;
};

}  // namespace ConnectKitBluetooth
