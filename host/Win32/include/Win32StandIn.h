// Controls of the Win32 stand-in for tests and the demo host. Not part of the Windows API.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace win32standin {

// Replaces the clock behind GetTickCount64 (an empty function restores the real one).
void SetTickSource(std::function<uint64_t()> source);

// Makes GetProcessHeap or HeapAlloc fail until reset.
void SetProcessHeapFailure(bool fail);
void SetHeapAllocFailure(bool fail);

// The file name of module NAME on this platform: "OrvPluginsManager.dll" -> "libOrvPluginsManager.so".
std::string PlatformModuleName(const std::wstring& name);

// Number of live kernel handles (events, pipes); for leak checks in tests.
size_t LiveHandleCount();

// Named pipes. "\\.\pipe\NAME" is the socket file NAME in the pipe folder: the folder set here,
// else $SWIFTSEND_PIPE_DIR, else "swiftsend" under $XDG_RUNTIME_DIR, else /tmp/swiftsend-<uid>
// (the last two created with mode 0700). An empty FOLDER restores the default.
void SetPipeFolder(const std::string& folder);
// The folder in use, created when needed; empty when no usable folder was found.
std::string PipeFolder();

// Makes InitializeSecurityDescriptor fail (ERROR_NOT_ENOUGH_MEMORY) until reset.
void SetSecurityDescriptorFailure(bool fail);
// Makes CreateNamedPipeW fail (ERROR_PIPE_BUSY): every call until reset, or the next COUNT calls.
void SetCreateNamedPipeFailure(bool fail);
void FailNextCreateNamedPipe(unsigned count);

// The arguments of the latest CreateNamedPipeW call, failed ones included.
struct NamedPipeCreation {
    std::wstring name;
    DWORD openMode = 0;
    DWORD pipeMode = 0;
    DWORD maxInstances = 0;
    DWORD outBufferSize = 0;
    DWORD inBufferSize = 0;
    DWORD defaultTimeOut = 0;
    bool hasAttributes = false;
    DWORD attributesLength = 0;
    bool inheritHandle = false;
    bool hasDescriptor = false;
    bool nullDacl = false;  // the descriptor carries a present, null DACL
};
NamedPipeCreation LastNamedPipeCreation();
// Number of CreateNamedPipeW calls so far, failed ones included.
size_t NamedPipeCreationCount();

}  // namespace win32standin
