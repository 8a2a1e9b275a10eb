#pragma once

#include <windows.h>

// Removes the last element of a path (after the last "\" or "/"), in place.
HRESULT PathCchRemoveFileSpec(PWSTR path, size_t pathSize);
