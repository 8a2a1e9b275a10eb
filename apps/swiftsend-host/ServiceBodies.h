// Bodies of the tandem service's send-side messages, as the service writes them: the simulated
// service sends them and the tests feed them to the plug-in.
#pragma once

#include "DataStream.h"
#include "FileTransferItem.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace demo {

// The status message: PARAM, 8 raw bytes with the code first, and DETAIL after a disconnect.
inline std::string StatusBody(uint32_t code, int32_t param = 0, int32_t detail = 0) {
    unsigned char raw[8] = {};
    std::memcpy(raw, &code, sizeof(code));
    const tandem::RawBlock block{raw, sizeof(raw)};
    const tandem::Payload payload = code == Vela::Ux::DTCP_STATUS_SEND_DISCONNECTED
                                        ? tandem::BuildPayload(param, block, detail)
                                        : tandem::BuildPayload(param, block);
    return payload ? std::string(payload.block.get(), payload.size) : std::string();
}

// The progress message: the 12-byte record of percent, seconds left and speed.
inline std::string ProgressBody(uint32_t progress, uint32_t leftTime, uint32_t speed) {
    const Vela::Ux::KxShareProgress body{progress, leftTime, speed};
    return std::string(reinterpret_cast<const char*>(&body), sizeof(body));
}

}  // namespace demo
