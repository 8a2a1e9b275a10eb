// The virtual desktop shared by the window table and the monitor calls. Internal to the Win32
// stand-in.
#pragma once

#include "Win32StandIn.h"

namespace win32standin {

// The first primary monitor, else the first.
const Monitor& PrimaryMonitor();

}  // namespace win32standin
