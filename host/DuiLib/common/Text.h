// Text conversions of the toolkit. Wide text is UTF-16 where wchar_t has 16 bits (Windows) and
// UTF-32 where it has 32 (Linux).
#pragma once

#include <string>

namespace duilibtext {

// Malformed input gives U+FFFD in place of the bad part.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace duilibtext
