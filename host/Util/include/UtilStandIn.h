// Controls of the utility library stand-in, for tests and the demo host.
#pragma once

#include <string>
#include <vector>

namespace utilstandin {

// Loads the registry from UTF-8 text in the "Windows Registry Editor Version 5.00" form: the
// header line, [HKEY_CURRENT_USER\key] or [HKEY_USERS\key] sections, "name"="text",
// "name"=dword:0000000a and "name"=hex:01,02,... lines, ';' comment lines. Returns false when the
// file cannot be read or parsed; the registry is then empty. The current user's SID, which
// GetCurrentUserSidstr returns, is S-1-5-21-1000-1000-1000-1001.
bool LoadRegistryFile(const std::string& path);
bool LoadRegistryText(const std::string& text);
void ClearRegistry();

// Edition, brand and feature switches (defaults: not IT, first brand, brand service present,
// every feature off).
void SetITVersion(bool it);
void SetLumenDevice(bool lumen);
void SetSmBiosAvailable(bool available);
void SetSupportProperty(const std::string& plugin, const std::string& property, bool on);

struct StartedProcess {
    std::wstring exe;
    std::wstring args;
    std::wstring directory;  // empty when none was given
    int show = 0;
};
// Programs started through CreateProcessNormal (recorded, not run; the call returns true).
std::vector<StartedProcess> StartedProcesses();
void ClearStartedProcesses();
// Makes CreateProcessNormal fail (record nothing, return false) until reset.
void SetProcessStartFailure(bool fail);

// Restores every control above to its default.
void ResetAll();

}  // namespace utilstandin
