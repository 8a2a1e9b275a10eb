// The context-menu handler's side of the SwiftSend listener's pipe: open it as the shell does,
// waiting for a busy listener, and write one request.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>

namespace swiftsendmenu {

// A listener that exists but is busy is waited for this long: the listener serves one client at
// a time and may hold a client that writes nothing for 3 s, so this outlasts three such holds.
constexpr ULONGLONG kBusyPatienceMs = 10000;
// A pipe that never showed up is waited for this long: between two clients the listener has
// no instance for a moment, a host that is not running has none at all.
constexpr ULONGLONG kAbsentPatienceMs = 1000;
// Pause between two attempts, after the wait for an instance.
constexpr DWORD kRetryMs = 10;

enum ExitCode { kSent = 0, kFailed = 1, kNoListener = 2 };

// A client end of the pipe NAME, or INVALID_HANDLE_VALUE with ERROR set (ERROR_PIPE_BUSY when
// the listener was there but stayed busy).
HANDLE OpenPipe(const std::wstring& name, DWORD& error);

// Writes REQUEST to the pipe PIPENAME ("\\.\pipe\..." in UTF-8) as one message; what went wrong
// goes to ERRORS. One of the exit codes.
int Send(const std::string& pipeName, const std::string& request, std::ostream& errors);

}  // namespace swiftsendmenu
