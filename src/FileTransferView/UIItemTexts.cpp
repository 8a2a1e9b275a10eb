#include "UIItemTexts.h"

#include <UIStringLocale.h>

#include <cwctype>

namespace UIItemTexts {

std::wstring DeviceText(const Vela::Ux::UIListItemInfo& info) {
    const std::wstring& nick = info.nickName;
    size_t first = 0;
    while (first < nick.size() && std::iswspace(nick[first])) {
        ++first;
    }
    size_t last = nick.size();
    while (last > first && std::iswspace(nick[last - 1])) {
        --last;
    }
    return first < last ? nick.substr(first, last - first) : info.deviceName;
}

void SelectChannelPage(DuiLib::CTabLayoutUI* tab, uint32_t shareType) {
    static const int kPage[] = {1, 0, 2};
    if (tab && shareType < 3) {
        tab->SelectItem(kPage[shareType]);
    }
}

std::wstring WithDevice(const wchar_t* id, const Vela::Ux::UIListItemInfo& info) {
    return UIEx::UIStringLocale::GetString(id, 1, DeviceText(info));
}

}  // namespace UIItemTexts
