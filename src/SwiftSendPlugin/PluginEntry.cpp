// The library entry: registration with the host's plug-in manager and the two exports. The
// exports are listed in SwiftSendPlugin.def; the loader calls DllMain once when the library is
// mapped into the process and once when it is unmapped.
#include "SwiftSendPlugin.h"

#include "UsageReport.h"

#include <OrvPlugin.h>
#include <TandemDataReport.h>
#include <TandemUtil.h>
#include <pathcch.h>
#include <windows.h>

#include <string>

extern "C" {
bool InitializePluginModule(void* module);
void UninitializePluginModule();
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}

namespace {

constexpr wchar_t kManagerModule[] = L"OrvPluginsManager.dll";

// An export of the plug-in manager by name, as a function of type Fn.
template <typename Fn>
Fn GetExport(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The record the plug-in manager keeps a pointer to until unregistration.
PluginRegistration registration{"vela.plugin.swiftsend", &Vela::Ux::CreateSwiftSendPlugin};
// Set from registration to the detach that takes it back. A failed attach is followed by a detach
// from the C runtime and another from the loader; only the first takes the registration back.
bool registered = false;

// The plug-in manager: already loaded in the process, or loaded here from the executable's
// folder (then `loadedHere` is set and the caller releases it).
HMODULE FindManager(bool& loadedHere) {
    loadedHere = false;
    HMODULE manager = GetModuleHandleW(kManagerModule);
    if (manager != nullptr) {
        return manager;
    }
    WCHAR path[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, path, MAX_PATH) == 0 ||
        FAILED(PathCchRemoveFileSpec(path, MAX_PATH))) {
        return nullptr;
    }
    std::wstring file = std::wstring(path) + L"\\" + kManagerModule;
    manager = LoadLibraryW(file.c_str());
    loadedHere = manager != nullptr;
    return manager;
}

BOOL ProcessAttach() {
    bool loadedHere = false;
    HMODULE manager = FindManager(loadedHere);
    if (manager == nullptr) {
        return FALSE;
    }
    BOOL result = FALSE;
    auto registerPlugin = GetExport<RegisterPluginFn>(manager, "RegisterPlugin");
    if (registerPlugin != nullptr) {
        registerPlugin(&registration);
        registered = true;
        result = InitializePluginModule(nullptr) ? TRUE : FALSE;
    }
    if (loadedHere) {
        FreeLibrary(manager);
    }
    return result;
}

void ProcessDetach() {
    if (!registered) {
        return;
    }
    registered = false;
    bool loadedHere = false;
    HMODULE manager = FindManager(loadedHere);
    if (manager == nullptr) {
        return;
    }
    auto unregisterPlugin = GetExport<UnRegisterPluginFn>(manager, "UnRegisterPlugin");
    if (unregisterPlugin != nullptr) {
        unregisterPlugin(&registration);
        UninitializePluginModule();
    }
    if (loadedHere) {
        FreeLibrary(manager);
    }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            return ProcessAttach();
        case DLL_PROCESS_DETACH:
            ProcessDetach();
            return TRUE;
        default:
            return TRUE;
    }
}

bool InitializePluginModule(void*) {
    if (!TandemUtilClass::IsSupportPlugin(Vela::Ux::SwiftSendPlugin::kPluginName)) {
        return false;
    }
    if (TandemDataReportClass::GetInstance() == nullptr) {
        return true;
    }
    Vela::Ux::RecordBegin(Vela::Ux::UsageEvent::PluginStartupDuration);
    Vela::Ux::ReportEvent(Vela::Ux::UsageEvent::PluginModuleInitialized);
    return true;
}

void UninitializePluginModule() {
    if (!TandemUtilClass::IsSupportPlugin(Vela::Ux::SwiftSendPlugin::kPluginName) ||
        TandemDataReportClass::GetInstance() == nullptr) {
        return;
    }
    Vela::Ux::ReportEvent(Vela::Ux::UsageEvent::PluginModuleUninitialized);
    Vela::Ux::RecordEnd(Vela::Ux::UsageEvent::PluginShutdownDuration);
}
