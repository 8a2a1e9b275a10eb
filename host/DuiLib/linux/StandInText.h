// Text conversion and shared state of the toolkit stand-in.
#pragma once

#include <unicode/unistr.h>

#include <string>

namespace duistandin {

inline std::string ToUtf8(const std::wstring& text) {
    std::string out;
    icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()),
                                  static_cast<int32_t>(text.size()))
        .toUTF8String(out);
    return out;
}

inline std::wstring FromUtf8(const std::string& text) {
    icu::UnicodeString utf16 = icu::UnicodeString::fromUTF8(text);
    std::wstring out(static_cast<size_t>(utf16.countChar32()), L'\0');
    UErrorCode status = U_ZERO_ERROR;
    utf16.toUTF32(reinterpret_cast<UChar32*>(&out[0]), static_cast<int32_t>(out.size()), status);
    return U_SUCCESS(status) ? out : std::wstring();
}

}  // namespace duistandin
