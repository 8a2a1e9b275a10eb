// Process services: the current user's SID and recorded program starts; the stand-in reset.
#include "KxProcess.h"
#include "UtilStandIn.h"

#include <mutex>

namespace utilstandin {
void ResetSwitches();
}  // namespace utilstandin

namespace {

const wchar_t kCurrentUserSid[] = L"S-1-5-21-1000-1000-1000-1001";

std::mutex mutex;
std::vector<utilstandin::StartedProcess>* started = new std::vector<utilstandin::StartedProcess>;
bool startFails = false;

}  // namespace

namespace KXPROCESS {

std::wstring GetCurrentUserSidstr() {
    return kCurrentUserSid;
}

bool CreateProcessNormal(const std::wstring& exe, const std::wstring& args,
                         const wchar_t* directory, int show) {
    utilstandin::StartedProcess process;
    process.exe = exe;
    process.args = args;
    process.directory = directory != nullptr ? directory : L"";
    process.show = show;
    std::lock_guard<std::mutex> guard(mutex);
    if (startFails) {
        return false;
    }
    started->push_back(std::move(process));
    return true;
}

}  // namespace KXPROCESS

namespace utilstandin {

std::vector<StartedProcess> StartedProcesses() {
    std::lock_guard<std::mutex> guard(mutex);
    return *started;
}

void ClearStartedProcesses() {
    std::lock_guard<std::mutex> guard(mutex);
    started->clear();
}

void SetProcessStartFailure(bool fail) {
    std::lock_guard<std::mutex> guard(mutex);
    startFails = fail;
}

void ResetAll() {
    ClearRegistry();
    ClearStartedProcesses();
    SetProcessStartFailure(false);
    ResetSwitches();
}

}  // namespace utilstandin
