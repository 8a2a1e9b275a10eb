// The transfer dialog's skin user values as numbers it can use. A value the dialog cannot work
// with (not a number, out of its range) counts as missing: the key's default is used and a WARN
// line names the key, once per key and text.
#pragma once

#include <UIlib.h>

namespace UISkinValues {

// "maxitemcount": rows shown before the list scrolls.
int MaxItemCount(DuiLib::CPaintManagerUI* manager);
// A length key ("queueditem_height", "transfer_dialog_height", ...) in device pixels.
int Length(DuiLib::CPaintManagerUI* manager, const wchar_t* key);

}  // namespace UISkinValues
