// The send side's message bodies and phone for the tests, beside the shared fake hub.
#pragma once

#include "DataStream.h"
#include "FakeTransferFile.h"
#include "FileTransferItem.h"
#include "ServiceBodies.h"

#include <string>

namespace Vela::Ux::testing {

using testsupport::FakeTransferFile;
using testsupport::Post;

using demo::ProgressBody;
using demo::StatusBody;

inline KxShareDevices Phone(const std::string& summary, uint32_t shareType = 2) {
    KxShareDevices device;
    device.summary = summary;
    device.shareType = shareType;
    device.devName = L"dev-" + std::wstring(summary.begin(), summary.end());
    return device;
}

}  // namespace Vela::Ux::testing
