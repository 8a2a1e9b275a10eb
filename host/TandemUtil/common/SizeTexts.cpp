// Size units and the transfer speed and time-left texts.
//
// Units: below 1024 bytes the byte unit (divisor 1), below 1024 KB kilobytes (1024), below
// 1024 MB megabytes (1024^2), else gigabytes (1024^3).
// Speed: the service reports bytes per second; the text is the value in the unit above with at
// most one decimal, the unit text and "/s" ("1.5 MB/s"), through "IDS_FILETRANSFER_SPEED"
// ("{0}/s").
// Time left: the service reports seconds; -1 (any negative value) while it is still estimating.
// Texts: "IDS_FILETRANSFER_TIME_LEFT_CALCULATING" (negative), "..._LESS_THAN_MINUTE" (below 60 s),
// "..._MINUTES" with the rounded minutes (below an hour), "..._HOURS" with the hours to one
// decimal. Ids without a text in the table fall back to the English wording.
#include "StandInState.h"
#include "TandemUtil.h"
#include "UIExUtils.h"
#include "UIStringLocale.h"

#include <cstdio>
#include <mutex>

namespace {

struct Units {
    std::wstring b = L" B";
    std::wstring kb = L" KB";
    std::wstring mb = L" MB";
    std::wstring gb = L" GB";
};

std::mutex mutex;
Units* units = new Units;

// VALUE with one decimal, without a trailing ".0".
std::wstring OneDecimal(double value) {
    wchar_t buffer[64];
    std::swprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), L"%.1f", value);
    std::wstring text = buffer;
    if (text.size() > 2 && text.compare(text.size() - 2, 2, L".0") == 0) {
        text.resize(text.size() - 2);
    }
    return text;
}

std::wstring Text(const wchar_t* id, const std::wstring& arg, const wchar_t* fallback) {
    std::wstring pattern = UIEx::UIStringLocale::GetString(id);
    if (pattern.empty()) {
        pattern = fallback;
    }
    size_t at = pattern.find(L"{0}");
    if (at != std::wstring::npos) {
        pattern.replace(at, 3, arg);
    }
    return pattern;
}

}  // namespace

namespace UIEx {
namespace Utils {

void SetSizeUnitString(const std::wstring& b, const std::wstring& kb, const std::wstring& mb,
                       const std::wstring& gb) {
    std::lock_guard<std::mutex> guard(mutex);
    units->b = b;
    units->kb = kb;
    units->mb = mb;
    units->gb = gb;
}

void UnifySizeUnit(uint64_t size, double& divisor, std::wstring& unit, void*) {
    constexpr uint64_t kKilo = 1024;
    std::lock_guard<std::mutex> guard(mutex);
    if (size < kKilo) {
        divisor = 1.0;
        unit = units->b;
    } else if (size < kKilo * kKilo) {
        divisor = static_cast<double>(kKilo);
        unit = units->kb;
    } else if (size < kKilo * kKilo * kKilo) {
        divisor = static_cast<double>(kKilo * kKilo);
        unit = units->mb;
    } else {
        divisor = static_cast<double>(kKilo * kKilo * kKilo);
        unit = units->gb;
    }
}

}  // namespace Utils
}  // namespace UIEx

std::wstring TandemUtilClass::FormatTransferSpeed(uint32_t speed) {
    double divisor = 1.0;
    std::wstring unit;
    UIEx::Utils::UnifySizeUnit(speed, divisor, unit, nullptr);
    std::wstring number = divisor == 1.0 ? std::to_wstring(speed) : OneDecimal(speed / divisor);
    return Text(L"IDS_FILETRANSFER_SPEED", number + unit, L"{0}/s");
}

std::wstring TandemUtilClass::FormatTransferLeftTime(int32_t leftTime) {
    if (leftTime < 0) {
        return Text(L"IDS_FILETRANSFER_TIME_LEFT_CALCULATING", L"", L"Calculating\u2026");
    }
    if (leftTime < 60) {
        return Text(L"IDS_FILETRANSFER_TIME_LEFT_LESS_THAN_MINUTE", L"",
                    L"Less than a minute left");
    }
    if (leftTime < 3600 - 30) {
        return Text(L"IDS_FILETRANSFER_TIME_LEFT_MINUTES", std::to_wstring((leftTime + 30) / 60),
                    L"About {0} min left");
    }
    return Text(L"IDS_FILETRANSFER_TIME_LEFT_HOURS", OneDecimal(leftTime / 3600.0),
                L"About {0} h left");
}

namespace tandemstandin {
namespace detail {

void ResetSizeUnits() {
    std::lock_guard<std::mutex> guard(mutex);
    *units = Units();
}

}  // namespace detail
}  // namespace tandemstandin
