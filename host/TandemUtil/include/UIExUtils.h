// File sizes and size units.
#pragma once

#include <cstdint>
#include <string>

namespace UIEx {
namespace Utils {

// The size of a file in bytes; `ok` is false when the size cannot be read.
uint64_t GetFileSize(const std::wstring& path, bool& ok);
// Stores the four unit texts used by UnifySizeUnit.
void SetSizeUnitString(const std::wstring& b, const std::wstring& kb, const std::wstring& mb,
                       const std::wstring& gb);
// Chooses the unit for SIZE: the divisor for it and its text.
void UnifySizeUnit(uint64_t size, double& divisor, std::wstring& unit, void* reserved);

}  // namespace Utils
}  // namespace UIEx
