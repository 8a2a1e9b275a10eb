// The display record of one send item: what the transfer dialog shows of it. The controller
// builds it from the item; the dialog never reads an item directly.
#pragma once

#include "FileTransferItem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Vela::Ux {

enum class UIItemState : uint32_t {
    Preparing = 0,        // stage Preparing or Connecting
    Sending = 1,          // stage Transferring (any result), or an unknown stage above Finished
    Idle = 2,             // not started
    Failed = 3,           // finished: failed
    CancelledByUser = 4,  // finished: cancelled on this computer
    Cancelled = 5,        // finished: cancelled elsewhere
    Rejected = 6,         // finished: the receiver refused
    Succeeded = 7,        // finished: ok
};

struct UIListItemInfo {
    uint32_t shareType = 0;  // 0, 1 or 2
    std::vector<std::wstring> files;
    std::wstring deviceName;
    std::wstring nickName;
    std::wstring stateText;  // status or failure text
    std::wstring extraText;
    uint64_t totalBytes = 0;
    uint64_t elapsedMs = 0;
    uint32_t uiState = static_cast<uint32_t>(UIItemState::Idle);  // a UIItemState
};

// The display state of an item in STATE. A finished item with a result the dialog does not
// know stays Idle.
inline UIItemState UIItemStateOf(const TransferItemState& state) {
    using S = UIItemState;
    switch (state.stage) {
        case TransferStage::None:
            return S::Idle;
        case TransferStage::Preparing:
        case TransferStage::Connecting:
            return S::Preparing;
        case TransferStage::Transferring:
            return S::Sending;
        case TransferStage::Finished:
            switch (state.result) {
                case TransferResult::Ok:
                    return S::Succeeded;
                case TransferResult::Failed:
                    return S::Failed;
                case TransferResult::CancelledByUser:
                    return S::CancelledByUser;
                case TransferResult::Cancelled:
                    return S::Cancelled;
                case TransferResult::Rejected:
                    return S::Rejected;
                default:
                    return S::Idle;
            }
        default:
            return S::Sending;
    }
}

}  // namespace Vela::Ux
