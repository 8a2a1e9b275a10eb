// A bounded copy with the error-code contract of the C11 memcpy_s.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace Vela::Ux {

// Copies `count` bytes from `source` to `destination`, which holds `destinationSize` bytes.
// 0 on success. EINVAL when `destination` is null (nothing written) or `source` is null
// (destination zeroed); ERANGE when `count` exceeds `destinationSize` (destination zeroed).
inline int CopyBuffer(void* destination, size_t destinationSize, const void* source, size_t count) {
    if (destination == nullptr) {
        return EINVAL;
    }
    if (source == nullptr) {
        std::memset(destination, 0, destinationSize);
        return EINVAL;
    }
    if (count > destinationSize) {
        std::memset(destination, 0, destinationSize);
        return ERANGE;
    }
    if (count > 0) {
        std::memcpy(destination, source, count);
    }
    return 0;
}

}  // namespace Vela::Ux
