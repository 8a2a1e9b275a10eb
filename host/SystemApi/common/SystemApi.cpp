// The two radios: a state each, switches that may be made to fail, and state-change callbacks
// delivered in order on one callback thread of the library.
#include "BluetoothManage.h"
#include "SystemApiStandIn.h"
#include "WifiManage.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace {

using systemapistandin::Radio;

struct Callback {
    const void* key = nullptr;
    std::function<void(int)> call;
};

struct RadioState {
    int state = 1;
    bool switchOffFails = false;
    bool enableThrows = false;
    systemapistandin::EnableCalls calls;
    std::vector<Callback> callbacks;
};

struct Notice {
    Radio radio;
    int state;
};

class Core {
public:
    static Core& Get() {
        // Never destroyed: the callback thread may still be running while the process exits.
        static Core* core = new Core;
        return *core;
    }

    int GetState(Radio radio) {
        std::lock_guard<std::mutex> guard(mutex_);
        return Of(radio).state;
    }

    void SetState(Radio radio, int state) {
        std::lock_guard<std::mutex> guard(mutex_);
        ChangeLocked(radio, state);
    }

    bool Enable(Radio radio, bool on) {
        std::lock_guard<std::mutex> guard(mutex_);
        RadioState& r = Of(radio);
        ++(on ? r.calls.on : r.calls.off);
        if (r.enableThrows) {
            throw std::runtime_error("radio switch failed");
        }
        if (!on && r.switchOffFails) {
            return false;
        }
        ChangeLocked(radio, on ? 1 : 2);
        return true;
    }

    template <typename Change>
    void Edit(Change change) {
        std::lock_guard<std::mutex> guard(mutex_);
        change(radios_);
    }

    bool Register(Radio radio, const void* key, std::function<void(int)> call) {
        if (!key) {
            return false;
        }
        std::lock_guard<std::mutex> guard(mutex_);
        auto& list = Of(radio).callbacks;
        if (std::none_of(list.begin(), list.end(),
                         [&](const Callback& c) { return c.key == key; })) {
            list.push_back(Callback{key, std::move(call)});
        }
        return true;
    }

    bool Unregister(Radio radio, const void* key) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto& list = Of(radio).callbacks;
        auto found =
            std::find_if(list.begin(), list.end(), [&](const Callback& c) { return c.key == key; });
        if (found == list.end()) {
            return false;
        }
        list.erase(found);
        if (std::this_thread::get_id() != threadId_) {
            changed_.wait(lock, [&] { return calling_ != key; });
        }
        return true;
    }

    void PostNotice(Radio radio, int state) {
        std::lock_guard<std::mutex> guard(mutex_);
        QueueLocked(radio, state);
    }

    bool WaitIdle(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (std::this_thread::get_id() == threadId_) {
            return false;
        }
        return changed_.wait_for(lock, timeout, [&] { return queue_.empty() && !busy_; });
    }

    size_t Registered(Radio radio) {
        std::lock_guard<std::mutex> guard(mutex_);
        return Of(radio).callbacks.size();
    }

private:
    Core() = default;

    RadioState& Of(Radio radio) { return radios_[radio == Radio::Bluetooth ? 0 : 1]; }

    void ChangeLocked(Radio radio, int state) {
        RadioState& r = Of(radio);
        if (r.state == state) {
            return;
        }
        r.state = state;
        QueueLocked(radio, state);
    }

    void QueueLocked(Radio radio, int state) {
        queue_.push_back(Notice{radio, state});
        if (!started_) {
            started_ = true;
            std::thread(&Core::Deliver, this).detach();
        }
        changed_.notify_all();
    }

    void Deliver() {
        std::unique_lock<std::mutex> lock(mutex_);
        threadId_ = std::this_thread::get_id();
        for (;;) {
            changed_.wait(lock, [&] { return !queue_.empty(); });
            const Notice notice = queue_.front();
            queue_.pop_front();
            busy_ = true;
            // Each callback registered when the notice is handed out, if it still is when its
            // turn comes; an object unregistered meanwhile is skipped.
            std::vector<const void*> keys;
            for (const Callback& c : Of(notice.radio).callbacks) {
                keys.push_back(c.key);
            }
            for (const void* key : keys) {
                auto& list = Of(notice.radio).callbacks;
                auto found = std::find_if(list.begin(), list.end(),
                                          [&](const Callback& c) { return c.key == key; });
                if (found == list.end()) {
                    continue;
                }
                std::function<void(int)> call = found->call;
                calling_ = key;
                lock.unlock();
                call(notice.state);
                lock.lock();
                calling_ = nullptr;
                changed_.notify_all();
            }
            busy_ = false;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    RadioState radios_[2];
    std::deque<Notice> queue_;
    bool started_ = false;
    bool busy_ = false;
    const void* calling_ = nullptr;
    std::thread::id threadId_;
};

}  // namespace

namespace ConnectKitBluetooth {

BluetoothManage* BluetoothManage::GetInstance() {
    static BluetoothManage* instance = new BluetoothManage;
    return instance;
}

int BluetoothManage::GetBluetoothState() {
    return Core::Get().GetState(Radio::Bluetooth);
}

bool BluetoothManage::EnableBluetooth(bool on) {
    return Core::Get().Enable(Radio::Bluetooth, on);
}

bool BluetoothManage::RegistBluetoothStateChangeCallback(
    IBluetoothStateChangeNotification* notification) {
    return Core::Get().Register(Radio::Bluetooth, notification,
                                [notification](int state) { notification->OnStateChanged(state); });
}

bool BluetoothManage::UnRegistBluetoothStateChangeCallback(
    IBluetoothStateChangeNotification* notification) {
    return Core::Get().Unregister(Radio::Bluetooth, notification);
}

}  // namespace ConnectKitBluetooth

namespace ConnectKitWifi {

WifiManage* WifiManage::GetInstance() {
    static WifiManage* instance = new WifiManage;
    return instance;
}

int WifiManage::GetWifiState() {
    return Core::Get().GetState(Radio::Wifi);
}

bool WifiManage::EnableWifi(bool on) {
    return Core::Get().Enable(Radio::Wifi, on);
}

bool WifiManage::RegistWifiStateChangeCallback(IWifiStateChangeNotification* notification) {
    return Core::Get().Register(Radio::Wifi, notification,
                                [notification](int state) { notification->OnStateChanged(state); });
}

bool WifiManage::UnRegistWifiStateChangeCallback(IWifiStateChangeNotification* notification) {
    return Core::Get().Unregister(Radio::Wifi, notification);
}

}  // namespace ConnectKitWifi

namespace systemapistandin {
namespace {

RadioState& Pick(RadioState (&radios)[2], Radio radio) {
    return radios[radio == Radio::Bluetooth ? 0 : 1];
}

}  // namespace

void SetState(Radio radio, int state) {
    Core::Get().SetState(radio, state);
}

int State(Radio radio) {
    return Core::Get().GetState(radio);
}

void SetSwitchOffFails(Radio radio, bool fails) {
    Core::Get().Edit([&](RadioState(&r)[2]) { Pick(r, radio).switchOffFails = fails; });
}

void SetEnableThrows(Radio radio, bool throws) {
    Core::Get().Edit([&](RadioState(&r)[2]) { Pick(r, radio).enableThrows = throws; });
}

void PostStateNotice(Radio radio, int state) {
    Core::Get().PostNotice(radio, state);
}

EnableCalls Calls(Radio radio) {
    EnableCalls calls;
    Core::Get().Edit([&](RadioState(&r)[2]) { calls = Pick(r, radio).calls; });
    return calls;
}

size_t RegisteredCount(Radio radio) {
    return Core::Get().Registered(radio);
}

bool WaitForCallbacks(std::chrono::milliseconds timeout) {
    return Core::Get().WaitIdle(timeout);
}

void ResetAll() {
    WaitForCallbacks();
    Core::Get().Edit([](RadioState(&r)[2]) {
        for (RadioState& radio : r) {
            radio = RadioState();
        }
    });
}

}  // namespace systemapistandin
