// The registry on Windows: the system's, read through the wide API.
#include "Registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Reads value NAME of KEY below ROOT with its type; false when the key or value is missing.
bool Read(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM access, DWORD& type,
          std::vector<BYTE>& data) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, access, &opened) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(opened, name.c_str(), nullptr, &type, nullptr, &size);
    // The value may grow between the two calls; read again until it fits.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.resize(size);
        status = RegQueryValueExW(opened, name.c_str(), nullptr, &type, data.data(), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(size);
            break;
        }
    }
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

}  // namespace

namespace DE {

bool Registry::KeyExists(const std::wstring& key) const {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root_, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value,
                        REGSAM access) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Read(root, key, name, access, type, data) || type != REG_DWORD ||
        data.size() != sizeof(DWORD)) {
        return false;
    }
    std::memcpy(&value, data.data(), sizeof(DWORD));
    return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                        std::wstring& value, REGSAM access) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Read(root, key, name, access, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
    // The stored text may or may not carry its terminator.
    text.erase(std::find(text.begin(), text.end(), L'\0'), text.end());
    value = std::move(text);
    return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name, BYTE* buffer,
                        DWORD& size, REGSAM access) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (buffer == nullptr || !Read(root, key, name, access, type, data) || type != REG_BINARY) {
        return false;
    }
    size = static_cast<DWORD>(std::min<size_t>(size, data.size()));
    if (size != 0) {
        std::memcpy(buffer, data.data(), size);
    }
    return true;
}

}  // namespace DE
