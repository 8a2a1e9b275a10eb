// Reading skin attribute values. Internal to the toolkit stand-in.
#pragma once

#include "UIBase.h"

#include <cwchar>

namespace DuiLib {
namespace attr {

inline int Scaled(int designPixels) {
    return CResourceManager::GetInstance()->Scale(designPixels);
}

inline bool Same(const wchar_t* a, const wchar_t* b) {
    return a && b && std::wcscmp(a, b) == 0;
}

inline bool IsTrue(const wchar_t* value) {
    return Same(value, L"true");
}

inline int Int(const wchar_t* value) {
    return static_cast<int>(std::wcstol(value, nullptr, 10));
}

// "l,t,r,b" in design pixels, scaled.
inline RECT ScaledRect(const wchar_t* value) {
    long v[4] = {0, 0, 0, 0};
    const wchar_t* p = value;
    for (int i = 0; i < 4 && p && *p; ++i) {
        wchar_t* end = nullptr;
        v[i] = std::wcstol(p, &end, 10);
        p = (end && *end == L',') ? end + 1 : end;
    }
    return RECT{Scaled(v[0]), Scaled(v[1]), Scaled(v[2]), Scaled(v[3])};
}

}  // namespace attr
}  // namespace DuiLib
