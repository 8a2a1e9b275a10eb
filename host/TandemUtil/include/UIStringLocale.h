// Localised texts by string id.
#pragma once

#include <string>

namespace UIEx {

class UIStringLocale {
public:
    // The text of ID; empty for an id without a text.
    static std::wstring GetString(const std::wstring& id);
    // The text of ID with its placeholder replaced by ARG (COUNT is the number of arguments, 1).
    static std::wstring GetString(const std::wstring& id, int count, const std::wstring& arg);
};

}  // namespace UIEx
