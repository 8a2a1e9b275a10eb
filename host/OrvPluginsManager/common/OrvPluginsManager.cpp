#include "OrvPluginsManager.h"

#include <algorithm>
#include <mutex>

namespace {

std::mutex mutex;
std::vector<PluginRegistration*> registrations;

}  // namespace

bool RegisterPlugin(PluginRegistration* registration) {
    if (registration == nullptr || registration->id.empty()) {
        return false;
    }
    std::lock_guard<std::mutex> guard(mutex);
    auto same = std::find_if(registrations.begin(), registrations.end(),
                             [&](PluginRegistration* r) { return r->id == registration->id; });
    if (same != registrations.end()) {
        *same = registration;
    } else {
        registrations.push_back(registration);
    }
    return true;
}

bool UnRegisterPlugin(PluginRegistration* registration) {
    std::lock_guard<std::mutex> guard(mutex);
    auto found = std::find(registrations.begin(), registrations.end(), registration);
    if (found == registrations.end()) {
        return false;
    }
    registrations.erase(found);
    return true;
}

namespace OrvPluginsManager {

std::vector<std::string> RegisteredIds() {
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<std::string> ids;
    for (PluginRegistration* registration : registrations) {
        ids.push_back(registration->id);
    }
    return ids;
}

std::shared_ptr<OrvPlugin> CreatePlugin(const std::string& id) {
    std::function<std::shared_ptr<OrvPlugin>()> creator;
    {
        std::lock_guard<std::mutex> guard(mutex);
        for (PluginRegistration* registration : registrations) {
            if (registration->id == id) {
                creator = registration->creator;
            }
        }
    }
    return creator ? creator() : nullptr;
}

}  // namespace OrvPluginsManager
