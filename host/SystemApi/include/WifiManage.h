// The PC's Wi-Fi radio.
#pragma once

namespace ConnectKitWifi {

class WifiManage {
public:
    // Told about every change of the radio's state, on the library's own callback thread.
    class IWifiStateChangeNotification {
    public:
        virtual void OnStateChanged(int state) = 0;
        virtual ~IWifiStateChangeNotification() = default;
    };

    // The process-wide radio; never null.
    static WifiManage* GetInstance();

    // 1 switched on, 2 switched off.
    int GetWifiState();
    // Switches the radio on or off. False when the switch did not work; the state then stays.
    // The driver layer underneath may throw (std::runtime_error) instead of answering.
    bool EnableWifi(bool on);

    // A registered object is called for each change until it is unregistered; registering it
    // twice keeps one registration. Once UnRegist returns, the object is not called again
    // (a call from inside its own OnStateChanged returns at once).
    bool RegistWifiStateChangeCallback(IWifiStateChangeNotification* notification);
    bool UnRegistWifiStateChangeCallback(IWifiStateChangeNotification* notification);

private:
    WifiManage() = default;
};

}  // namespace ConnectKitWifi
