// Registry access of the host utility library.
//
// On this platform the registry is loaded from a text file (see UtilStandIn.h) and holds keys of
// HKEY_USERS only: those of HKEY_CURRENT_USER are the current user's keys under
// HKEY_USERS\<SID>, as on Windows.
#pragma once

#include <windows.h>

#include <string>

namespace DE {

class Registry {
public:
    Registry() = default;

    void SetRootKey(HKEY root) { root_ = root; }
    // True when KEY (a path below the root, "A\B\C") exists.
    bool KeyExists(const std::wstring& key) const;

    // Reads value NAME of KEY below ROOT. False when the key or value is missing or of another
    // type; the target is then left untouched.
    static bool GetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value,
                         REGSAM access = KEY_READ);
    static bool GetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                         std::wstring& value, REGSAM access = KEY_READ);
    // Binary value: copies at most `size` bytes into BUFFER and sets `size` to the bytes copied.
    static bool GetValue(HKEY root, const std::wstring& key, const std::wstring& name, BYTE* buffer,
                         DWORD& size, REGSAM access = KEY_READ);

private:
    HKEY root_ = HKEY_CURRENT_USER;
};

// Conversion between UTF-8 and wide text; an empty result on failure.
std::wstring UTF8ToUnicode(const std::string& text);
std::string UnicodeToUTF8(const std::wstring& text);

}  // namespace DE
