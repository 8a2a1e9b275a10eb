#include "UISkinValues.h"

#include <SDK/Util/LogTool/LogTool.h>

#include <climits>
#include <cwchar>
#include <set>
#include <string>

namespace UISkinValues {
namespace {

// What each key may hold, and what stands in for anything else. Lengths stay below the largest
// window size, so that rows times their height cannot overflow.
struct Rule {
    const wchar_t* key;
    int min;
    int max;
    int fallback;
};
constexpr int kMaxLength = 32767;
constexpr Rule kRules[] = {
    {L"maxitemcount", 0, INT_MAX, 3},
    {L"queueditem_height", 1, kMaxLength, 0},
    {L"transfer_dialog_height", 0, kMaxLength, 0},
    {L"tranfer_dialog_height_collapsed", 0, kMaxLength, 0},
    {L"transfer_dialog_width", 0, kMaxLength, 0},
    {L"caption_height", 0, kMaxLength, 0},
};

int Read(DuiLib::CPaintManagerUI* manager, const wchar_t* key) {
    const Rule* rule = nullptr;
    for (const Rule& r : kRules) {
        if (std::wcscmp(r.key, key) == 0) {
            rule = &r;
        }
    }
    const DuiLib::CDuiString text = manager ? manager->GetUserValue(key) : DuiLib::CDuiString();
    bool notANumber = false;
    const int value = text.ToInt(&notANumber);
    if (!rule) {
        return value;
    }
    if (text.IsEmpty()) {
        return rule->fallback;  // absent: the default, without a word
    }
    if (!notANumber && value >= rule->min && value <= rule->max) {
        return value;
    }
    static std::set<std::wstring> warned;  // UI thread only
    if (warned.insert(std::wstring(key) + L"=" + text.str()).second) {
        LOG_WARN_FN("UISkinValues::Read",
                    "skin value " << LogTool::Narrow(key) << " \"" << LogTool::Narrow(text.str())
                                  << "\" is not usable, using " << rule->fallback);
    }
    return rule->fallback;
}

}  // namespace

int MaxItemCount(DuiLib::CPaintManagerUI* manager) {
    return Read(manager, L"maxitemcount");
}

int Length(DuiLib::CPaintManagerUI* manager, const wchar_t* key) {
    return DuiLib::CResourceManager::GetInstance()->Scale(Read(manager, key));
}

}  // namespace UISkinValues
