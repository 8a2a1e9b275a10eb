#include "Utf16Le.h"

#include <cstdint>

namespace Vela {
namespace Ux {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUnit(std::string& out, uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

}  // namespace

std::string EncodeUtf16Le(const std::wstring& text, bool withTerminator) {
    std::string out;
    out.reserve(text.size() * 2 + 2);
    if constexpr (sizeof(wchar_t) == 2) {
        // Already UTF-16: the units travel as they stand.
        for (wchar_t c : text) {
            AppendUnit(out, static_cast<uint16_t>(c));
        }
    } else {
        for (wchar_t c : text) {
            uint32_t codePoint = static_cast<uint32_t>(c);
            if (codePoint > 0x10FFFF || IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint)) {
                codePoint = kReplacement;
            }
            if (codePoint >= 0x10000) {
                codePoint -= 0x10000;
                AppendUnit(out, 0xD800 + (codePoint >> 10));
                AppendUnit(out, 0xDC00 + (codePoint & 0x3FF));
            } else {
                AppendUnit(out, codePoint);
            }
        }
    }
    if (withTerminator) {
        AppendUnit(out, 0);
    }
    return out;
}

std::wstring DecodeUtf16Le(const char* data, size_t length) {
    std::wstring out;
    if (data == nullptr) {
        return out;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    const size_t units = length / 2;
    auto unitAt = [bytes](size_t index) -> uint32_t {
        return static_cast<uint32_t>(bytes[2 * index]) |
               (static_cast<uint32_t>(bytes[2 * index + 1]) << 8);
    };
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const uint32_t unit = unitAt(i);
        if constexpr (sizeof(wchar_t) == 2) {
            out.push_back(static_cast<wchar_t>(unit));
        } else {
            if (IsHighSurrogate(unit) && i + 1 < units && IsLowSurrogate(unitAt(i + 1))) {
                const uint32_t low = unitAt(++i);
                out.push_back(
                    static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
            } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
                out.push_back(static_cast<wchar_t>(kReplacement));
            } else {
                out.push_back(static_cast<wchar_t>(unit));
            }
        }
    }
    return out;
}

}  // namespace Ux
}  // namespace Vela
