// The dialog's size, percent and count texts, shared by the fixed item and the queued rows.
// Unit choice and wording belong to the utility library; the number formats are the dialog's.
#pragma once

#include <cstdint>
#include <string>

namespace UITransferTexts {

// Gives the utility library's size formatter the four unit texts of the string table.
void SetSizeUnitTexts();
// The size with two decimals in the unit the formatter chooses, the unit text appended.
std::wstring SizeText(uint64_t bytes);
// "IDS_FILETRANSFER_PERCENT" of the percent, shown as 100 above 100.
std::wstring PercentText(uint32_t percent);
// "IDS_FILETRANSFER_QUEUED_ITEM_COUNT" of the count.
std::wstring QueuedCountText(int count);
// "IDS_FILETRANSFER_FILES_COUNT_DESC" of the count, formatted by the toolkit.
std::wstring FilesCountText(int count);

}  // namespace UITransferTexts
