// Shell execution.
#pragma once

#include <windows.h>

// Opens FILE with the program the shell has for it; results above 32 mean success.
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, int show);
