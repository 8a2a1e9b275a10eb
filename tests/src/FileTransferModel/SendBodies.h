// The send side's message bodies and phone for the tests, beside the shared fake hub.
#pragma once

#include "DataStream.h"
#include "FakeTransferFile.h"
#include "FileTransferItem.h"

#include <cstring>
#include <string>

namespace Vela::Ux::testing {

using testsupport::FakeTransferFile;
using testsupport::Post;

// Body of the status message: param, 8 raw bytes with the code first, the detail for 46.
inline std::string StatusBody(uint32_t code, int32_t param = 0, int32_t detail = 0) {
    unsigned char raw[8] = {};
    std::memcpy(raw, &code, sizeof(code));
    tandem::RawBlock block{raw, sizeof(raw)};
    tandem::Payload payload = code == DTCP_STATUS_SEND_DISCONNECTED
                                  ? tandem::BuildPayload(param, block, detail)
                                  : tandem::BuildPayload(param, block);
    return std::string(payload.block.get(), payload.size);
}

// Body of the progress message.
inline std::string ProgressBody(uint32_t progress, uint32_t leftTime, uint32_t speed) {
    KxShareProgress body{progress, leftTime, speed};
    return std::string(reinterpret_cast<const char*>(&body), sizeof(body));
}

inline KxShareDevices Phone(const std::string& summary, uint32_t shareType = 2) {
    KxShareDevices device;
    device.summary = summary;
    device.shareType = shareType;
    device.devName = L"dev-" + std::wstring(summary.begin(), summary.end());
    return device;
}

}  // namespace Vela::Ux::testing
