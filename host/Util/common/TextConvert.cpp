// Conversion between UTF-8 and wide text through ICU. Wide text is UTF-16 where wchar_t has 16
// bits (Windows) and UTF-32 where it has 32 (Linux).
//
// UTF-32 wide text may also carry UTF-16 surrogate pairs as separate elements (text copied unit
// by unit from UTF-16 data); a high surrogate followed by a low one is joined into one character.
// Unpaired surrogates, values above U+10FFFF and malformed UTF-8 make the conversion fail: the
// result is then empty.
#include "Registry.h"

#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <vector>

namespace DE {

std::wstring UTF8ToUnicode(const std::string& text) {
    if (text.empty() || text.size() > static_cast<size_t>(INT32_MAX)) {
        return std::wstring();
    }
    // One pass, straight to wide units: a text has no more UTF-16 units than bytes.
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    std::wstring out(text.size(), L'\0');
    size_t count = 0;
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            return std::wstring();  // ill-formed: truncated, overlong, a surrogate, too large
        }
        if (sizeof(wchar_t) == sizeof(UChar) && U_IS_SUPPLEMENTARY(c)) {
            out[count++] = static_cast<wchar_t>(U16_LEAD(c));
            out[count++] = static_cast<wchar_t>(U16_TRAIL(c));
        } else {
            out[count++] = static_cast<wchar_t>(c);
        }
    }
    out.resize(count);
    return out;
}

std::string UnicodeToUTF8(const std::wstring& text) {
    std::vector<UChar> utf16;
    utf16.reserve(text.size());
    for (wchar_t wc : text) {
        uint32_t c = static_cast<uint32_t>(wc);
        if (c > 0x10FFFF) {
            return std::string();
        }
        if (c >= 0x10000) {
            utf16.push_back(U16_LEAD(c));
            utf16.push_back(U16_TRAIL(c));
        } else {
            // Surrogates pass through as they are: a pair becomes one character, a lone one
            // makes ICU report an error below.
            utf16.push_back(static_cast<UChar>(c));
        }
    }
    if (utf16.empty() || utf16.size() > static_cast<size_t>(INT32_MAX / 4)) {
        return std::string();
    }
    UErrorCode status = U_ZERO_ERROR;
    int32_t bytes = 0;
    u_strToUTF8(nullptr, 0, &bytes, utf16.data(), static_cast<int32_t>(utf16.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return std::string();
    }
    std::string out(static_cast<size_t>(bytes) + 1, '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8(&out[0], static_cast<int32_t>(out.size()), &bytes, utf16.data(),
                static_cast<int32_t>(utf16.size()), &status);
    if (U_FAILURE(status)) {
        return std::string();
    }
    out.resize(static_cast<size_t>(bytes));
    return out;
}

}  // namespace DE
