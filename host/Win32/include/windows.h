// The subset of the Win32 API that the plug-in calls, for building and testing on Linux.
// Declarations follow the Windows SDK; the implementation beside it maps them onto POSIX.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint64_t ULONGLONG;
typedef int32_t HRESULT;
typedef size_t SIZE_T;
typedef uintptr_t ULONG_PTR;
typedef intptr_t LONG_PTR;
typedef wchar_t WCHAR;
typedef char CHAR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef WCHAR* LPWSTR;
typedef WCHAR* PWSTR;
typedef const WCHAR* LPCWSTR;
typedef const CHAR* LPCSTR;
typedef void* HANDLE;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef intptr_t (*FARPROC)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define WINAPI
#define APIENTRY
#define CALLBACK
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

#define S_OK (static_cast<HRESULT>(0))
#define E_INVALIDARG (static_cast<HRESULT>(0x80070057))
#define FAILED(hr) ((hr) < 0)

// Library entry reasons.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1

// Wait results.
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

// Error codes.
#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_BROKEN_PIPE 109u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_PROC_NOT_FOUND 127u
#define ERROR_BAD_PATHNAME 161u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_PIPE_BUSY 231u
#define ERROR_NO_DATA 232u
#define ERROR_PIPE_NOT_CONNECTED 233u
#define ERROR_MORE_DATA 234u
#define ERROR_PIPE_CONNECTED 535u
#define ERROR_DLL_INIT_FAILED 1114u
#define ERROR_CLASS_ALREADY_EXISTS 1410u
#define ERROR_PIPE_LISTENING 536u
#define ERROR_IO_PENDING 997u

// Heap flags.
#define HEAP_ZERO_MEMORY 0x00000008u

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

// Last error, kept per thread.
DWORD GetLastError();
void SetLastError(DWORD error);

// Module loading. A module named "Name.dll" is the library "libName.so" on this platform;
// either path separator is accepted. GetModuleHandleW finds a loaded module by name (not the
// program itself: no null name).
HMODULE GetModuleHandleW(LPCWSTR moduleName);
// The program's own file (MODULE null); other modules' files are not known here.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
HMODULE LoadLibraryW(LPCWSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

// Process heap.
HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

// Events and handles.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                    LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL CloseHandle(HANDLE handle);

// Time.
ULONGLONG GetTickCount64();
void Sleep(DWORD milliseconds);
// The CRT's calendar seconds (declared in <time.h> on Windows).
typedef long long __time64_t;
__time64_t _time64(__time64_t* out);

// Registry roots and access rights (the registry itself is the host utility library's).
typedef struct HKEY__* HKEY;
typedef DWORD REGSAM;
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))
#define KEY_READ 0x20019u
#define KEY_ALL_ACCESS 0xF003Fu

#include "win32_gdi_types.h"
#include "win32_user.h"
#include "win32_pipe.h"

// The generic names of functions that come in an ANSI (A) and a wide (W) form are macros, as in
// the SDK: with UNICODE they name the W form, without it the A form (not offered here). A method
// of the same name is renamed with them, so every declaration and use of it must see this header.
#ifdef UNICODE
#define CreateDialog CreateDialogW
#define CreateEvent CreateEventW
#define CreateFile CreateFileW
#define CreateNamedPipe CreateNamedPipeW
#define CreateWindowEx CreateWindowExW
#define DefWindowProc DefWindowProcW
#define DrawText DrawTextW
#define GetModuleFileName GetModuleFileNameW
#define GetModuleHandle GetModuleHandleW
#define GetMonitorInfo GetMonitorInfoW
#define GetObject GetObjectW
#define LoadLibrary LoadLibraryW
#define MessageBox MessageBoxW
#define PostMessage PostMessageW
#define RegisterClassEx RegisterClassExW
#define ReportEvent ReportEventW
#define SendMessage SendMessageW
#define SystemParametersInfo SystemParametersInfoW
#else
#define CreateDialog CreateDialogA
#define CreateEvent CreateEventA
#define CreateFile CreateFileA
#define CreateNamedPipe CreateNamedPipeA
#define CreateWindowEx CreateWindowExA
#define DefWindowProc DefWindowProcA
#define DrawText DrawTextA
#define GetModuleFileName GetModuleFileNameA
#define GetModuleHandle GetModuleHandleA
#define GetMonitorInfo GetMonitorInfoA
#define GetObject GetObjectA
#define LoadLibrary LoadLibraryA
#define MessageBox MessageBoxA
#define PostMessage PostMessageA
#define RegisterClassEx RegisterClassExA
#define ReportEvent ReportEventA
#define SendMessage SendMessageA
#define SystemParametersInfo SystemParametersInfoA
#endif
// Some generic names stand for calls of another function with arguments of their own: a method of
// such a name does not compile.
#define CreateDialogW(instance, name, parent, proc) \
    CreateDialogParamW(instance, name, parent, proc, 0)
#define CreateDialogA(instance, name, parent, proc) \
    CreateDialogParamA(instance, name, parent, proc, 0)
