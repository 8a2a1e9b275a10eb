// What the fixed item and the queued rows show alike.
#pragma once

#include "UIListItemInfo.h"

#include <UIlib.h>

namespace UIItemTexts {

// The nickname unless it is blank, else the device name.
std::wstring DeviceText(const Vela::Ux::UIListItemInfo& info);
// Shows the page of the item's channel: share type 0 page 1, 1 page 0, 2 page 2.
void SelectChannelPage(DuiLib::CTabLayoutUI* tab, uint32_t shareType);
// A string id's text with the device text as its argument.
std::wstring WithDevice(const wchar_t* id, const Vela::Ux::UIListItemInfo& info);

}  // namespace UIItemTexts
