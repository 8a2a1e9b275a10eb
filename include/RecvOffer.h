// A phone's offer to send files to this computer, as a receive dialog shows it.
#pragma once

#include "KxShareDevices.h"

#include <cstdint>
#include <string>
#include <vector>

struct RecvOffer {
    KxShareDevices sender;                   // the offering device
    std::vector<std::wstring> offeredNames;  // the offered files (a name may carry a path)
    int64_t totalSize = 0;                   // bytes offered
    std::vector<uint8_t> thumbnail;          // encoded picture of the offered file; may be empty
    std::wstring savePath;                   // the folder to save to; empty until chosen
    bool autoAccept = false;                 // accept as soon as the window is up
};
