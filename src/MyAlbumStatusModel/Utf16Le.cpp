#include "Utf16Le.h"

#include <unicode/ustring.h>

#include <cstdint>
#include <vector>

namespace Vela::Ux {
namespace {

constexpr UChar32 kReplacement = 0xFFFD;

void AppendUnit(std::string& out, UChar unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

// UTF-16 units of TEXT; units of a 16-bit wchar_t travel as they stand.
std::vector<UChar> ToUnits(const std::wstring& text) {
    if constexpr (sizeof(wchar_t) == 2) {
        return std::vector<UChar>(text.begin(), text.end());
    } else {
        const auto* source = reinterpret_cast<const UChar32*>(text.data());
        const auto length = static_cast<int32_t>(text.size());
        int32_t needed = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF32WithSub(nullptr, 0, &needed, source, length, kReplacement, nullptr, &status);
        std::vector<UChar> units(static_cast<size_t>(needed));
        status = U_ZERO_ERROR;
        u_strFromUTF32WithSub(units.data(), needed, nullptr, source, length, kReplacement, nullptr,
                              &status);
        return U_FAILURE(status) ? std::vector<UChar>() : units;
    }
}

}  // namespace

std::string EncodeUtf16Le(const std::wstring& text, bool withTerminator) {
    const std::vector<UChar> units = ToUnits(text);
    std::string out;
    out.reserve(units.size() * 2 + 2);
    for (UChar unit : units) {
        AppendUnit(out, unit);
    }
    if (withTerminator) {
        AppendUnit(out, 0);
    }
    return out;
}

std::wstring DecodeUtf16Le(const char* data, size_t length) {
    if (data == nullptr) {
        return {};
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::vector<UChar> units(length / 2);
    for (size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<UChar>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    if constexpr (sizeof(wchar_t) == 2) {
        return std::wstring(units.begin(), units.end());
    } else {
        const auto count = static_cast<int32_t>(units.size());
        int32_t needed = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF32WithSub(nullptr, 0, &needed, units.data(), count, kReplacement, nullptr,
                            &status);
        std::wstring out(static_cast<size_t>(needed), L'\0');
        status = U_ZERO_ERROR;
        u_strToUTF32WithSub(reinterpret_cast<UChar32*>(out.data()), needed, nullptr, units.data(),
                            count, kReplacement, nullptr, &status);
        return U_FAILURE(status) ? std::wstring() : out;
    }
}

}  // namespace Vela::Ux
