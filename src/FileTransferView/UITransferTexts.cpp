#include "UITransferTexts.h"

#include <UIExUtils.h>
#include <UIStringLocale.h>
#include <UIlib.h>

#include <cwchar>

namespace UITransferTexts {
namespace {

std::wstring Decimal(unsigned value) {
    wchar_t buffer[16];
    std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"%d", value);
    return buffer;
}

}  // namespace

void SetSizeUnitTexts() {
    using UIEx::UIStringLocale;
    UIEx::Utils::SetSizeUnitString(UIStringLocale::GetString(L"IDS_FILETRANSFER_UNIT_BYTE"),
                                   UIStringLocale::GetString(L"IDS_FILETRANSFER_UNIT_KBYTE"),
                                   UIStringLocale::GetString(L"IDS_FILETRANSFER_UNIT_MBYTE"),
                                   UIStringLocale::GetString(L"IDS_FILETRANSFER_UNIT_GBYTE"));
}

std::wstring SizeText(uint64_t bytes) {
    double divisor = 1.0;
    std::wstring unit;
    UIEx::Utils::UnifySizeUnit(bytes, divisor, unit, nullptr);
    std::wstring number = L"0";
    if (divisor > 0.0) {
        wchar_t buffer[64];
        std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"%.2f",
                      static_cast<double>(bytes) / divisor);
        number = buffer;
    }
    return number + unit;
}

std::wstring PercentText(uint32_t percent) {
    return UIEx::UIStringLocale::GetString(L"IDS_FILETRANSFER_PERCENT", 1,
                                           Decimal(percent > 100 ? 100 : percent));
}

std::wstring QueuedCountText(int count) {
    return UIEx::UIStringLocale::GetString(L"IDS_FILETRANSFER_QUEUED_ITEM_COUNT", 1,
                                           Decimal(static_cast<unsigned>(count)));
}

std::wstring FilesCountText(int count) {
    return DuiLib::UICulture::GetInstance()
        ->GetMultiVarStr(L"IDS_FILETRANSFER_FILES_COUNT_DESC",
                         {Decimal(static_cast<unsigned>(count))}, 0)
        .str();
}

}  // namespace UITransferTexts
