// Pipe names, pipe folder and test controls shared by the pipe sources. Internal to the Win32
// stand-in.
#pragma once

#include "Win32StandIn.h"

#include <string>

namespace win32standin {

// The socket path of the pipe name "\\.\pipe\NAME". Empty, with the last error set, when NAME is
// not a pipe name, is too long, or no pipe folder is usable.
std::string PipeSocketPath(LPCWSTR name);
// The lock file that a serving process holds while it has the name bound.
std::string PipeLockPath(const std::string& socketPath);

// Records the arguments of one CreateNamedPipeW call; true when the call is to fail.
bool RecordNamedPipeCreation(const NamedPipeCreation& creation);
// Runs the hook of SetNamedPipeCreatedHook, if any, for the new instance PIPE.
void RunNamedPipeCreatedHook(HANDLE pipe);

}  // namespace win32standin
