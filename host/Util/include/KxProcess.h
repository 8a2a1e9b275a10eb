// Process services of the host utility library.
#pragma once

#include <string>

namespace KXPROCESS {

// The current user's SID as text ("S-1-5-21-...").
std::wstring GetCurrentUserSidstr();
// Starts a program of the host from the host's folder.
bool CreateProcessNormal(const std::wstring& exe, const std::wstring& args,
                         const wchar_t* directory, int show);

}  // namespace KXPROCESS
