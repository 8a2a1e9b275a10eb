// The paired phone, as read from the registry and sent with a share request.
#pragma once

#include <cstdint>
#include <string>

struct KxShareDevices {
    std::wstring nickName;
    std::string summary;  // narrow, compared byte for byte when requests are merged
    std::wstring userName;
    std::wstring devName;
    bool devTypeIsOne = false;  // the registry value "DevType" is 1
    uint32_t reserved = 0;      // travels in the request, never filled
    uint32_t shareType = 0;     // 0, 1 or 2
    uint8_t macAddr[8] = {};
    bool wifi5GAbility = true;
};
