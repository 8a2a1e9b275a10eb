#include "Text.h"

#include <unicode/unistr.h>

namespace duilibtext {

std::string ToUtf8(const std::wstring& text) {
    const auto length = static_cast<int32_t>(text.size());
    const icu::UnicodeString unicode =
        sizeof(wchar_t) == sizeof(UChar)
            ? icu::UnicodeString(reinterpret_cast<const UChar*>(text.data()), length)
            : icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()), length);
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
    if (sizeof(wchar_t) == sizeof(UChar)) {
        return std::wstring(reinterpret_cast<const wchar_t*>(unicode.getBuffer()),
                            static_cast<size_t>(unicode.length()));
    }
    std::wstring out(static_cast<size_t>(unicode.countChar32()), L'\0');
    UErrorCode status = U_ZERO_ERROR;
    unicode.toUTF32(reinterpret_cast<UChar32*>(&out[0]), static_cast<int32_t>(out.size()), status);
    return U_SUCCESS(status) ? out : std::wstring();
}

}  // namespace duilibtext
