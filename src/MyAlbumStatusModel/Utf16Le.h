// UTF-16LE bytes as they travel between the plug-in and the host's windows, and the wide text
// of this platform (UTF-16 where wchar_t has 16 bits, UTF-32 elsewhere).
#pragma once

#include <cstddef>
#include <string>

namespace Vela::Ux {

// The UTF-16LE bytes of TEXT, with a two-byte terminator when WITHTERMINATOR is set. A code
// point that UTF-16 cannot carry (above U+10FFFF, or a lone surrogate on a 32-bit wchar_t)
// becomes U+FFFD.
std::string EncodeUtf16Le(const std::wstring& text, bool withTerminator);

// The text of LENGTH bytes of UTF-16LE. An odd last byte is ignored; a lone surrogate becomes
// U+FFFD. Embedded NUL characters are kept.
std::wstring DecodeUtf16Le(const char* data, size_t length);

}  // namespace Vela::Ux
