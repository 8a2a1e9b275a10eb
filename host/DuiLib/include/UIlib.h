// The UI toolkit, as far as the plug-in uses it.
#pragma once

#include <windows.h>

#include "UIMainQueue.h"

namespace DuiLib {

class CPaintManagerUI {
public:
    // True on the UI thread.
    static bool IsMainThread();
};

}  // namespace DuiLib
