// Edition, brand and feature switches.
#include "OrvSoftShelf.h"
#include "SmBiosHelper.h"
#include "UtilStandIn.h"

#include <atomic>
#include <mutex>
#include <set>
#include <utility>

namespace {

std::atomic<bool> itVersion{false};
std::atomic<bool> lumenDevice{false};
std::atomic<bool> smBiosAvailable{true};
std::mutex propertyMutex;
std::set<std::pair<std::string, std::string>>* properties =
    new std::set<std::pair<std::string, std::string>>;

}  // namespace

SmBiosHelper* SmBiosHelper::GetInstance() {
    static SmBiosHelper instance;
    return smBiosAvailable ? &instance : nullptr;
}

bool SmBiosHelper::IsLumenDevice() const { return lumenDevice; }

OrvSoftShelf* OrvSoftShelf::GetInstance() {
    static OrvSoftShelf instance;
    return &instance;
}

bool OrvSoftShelf::IsITVersion() { return itVersion; }

bool OrvSoftShelf::IsSupportProperty(const std::string& plugin, const std::string& property) const {
    std::lock_guard<std::mutex> guard(propertyMutex);
    return properties->count({plugin, property}) != 0;
}

namespace utilstandin {

void SetITVersion(bool it) { itVersion = it; }
void SetLumenDevice(bool lumen) { lumenDevice = lumen; }
void SetSmBiosAvailable(bool available) { smBiosAvailable = available; }

void SetSupportProperty(const std::string& plugin, const std::string& property, bool on) {
    std::lock_guard<std::mutex> guard(propertyMutex);
    if (on) {
        properties->insert({plugin, property});
    } else {
        properties->erase({plugin, property});
    }
}

void ResetSwitches() {
    itVersion = false;
    lumenDevice = false;
    smBiosAvailable = true;
    std::lock_guard<std::mutex> guard(propertyMutex);
    properties->clear();
}

}  // namespace utilstandin
