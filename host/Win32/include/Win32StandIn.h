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

}  // namespace win32standin
