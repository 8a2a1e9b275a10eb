// Shell folders.
#pragma once

#include <windows.h>

#define CSIDL_APPDATA 0x001A
#define SHGFP_TYPE_CURRENT 0

HRESULT SHGetFolderPathW(HWND hwnd, int folder, HANDLE token, DWORD flags, LPWSTR path);
