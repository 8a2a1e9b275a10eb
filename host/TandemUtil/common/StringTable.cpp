// The string table behind UIStringLocale.
//
// The file form is the UI toolkit's (duistandin::ReadStringTable).
//
// Placeholder: "{0}" in a text is replaced by the argument of GetString(id, 1, arg), every
// occurrence of it. A text without "{0}" is returned as it stands.
//
// The first use looks once for the table of the culture's language
// (duistandin::DefaultStringTablePath: "strings/<locale>.strings" in the folder of the running
// executable).
#include "StandInState.h"
#include "TandemUtilStandIn.h"
#include "UIStringLocale.h"

#include <DuiLibStandIn.h>

#include <map>
#include <mutex>

namespace {

std::mutex mutex;
std::map<std::wstring, std::wstring>* table = new std::map<std::wstring, std::wstring>;
bool tableChosen = false;  // the default table was looked for

// With MUTEX held: loads the table beside the executable unless one was chosen already.
void EnsureTable() {
    if (tableChosen) {
        return;
    }
    tableChosen = true;
    duistandin::ReadStringTable(duistandin::DefaultStringTablePath(), *table);
}

}  // namespace

namespace UIEx {

std::wstring UIStringLocale::GetString(const std::wstring& id) {
    std::lock_guard<std::mutex> guard(mutex);
    EnsureTable();
    auto found = table->find(id);
    return found == table->end() ? std::wstring() : found->second;
}

std::wstring UIStringLocale::GetString(const std::wstring& id, int count, const std::wstring& arg) {
    std::wstring text = GetString(id);
    if (count < 1) {
        return text;
    }
    static const std::wstring kPlaceholder = L"{0}";
    std::wstring out;
    size_t from = 0;
    for (size_t at; (at = text.find(kPlaceholder, from)) != std::wstring::npos;) {
        out.append(text, from, at - from);
        out += arg;
        from = at + kPlaceholder.size();
    }
    out.append(text, from, std::wstring::npos);
    return out;
}

}  // namespace UIEx

namespace tandemstandin {

void SetString(const std::wstring& id, const std::wstring& text) {
    std::lock_guard<std::mutex> guard(mutex);
    EnsureTable();
    (*table)[id] = text;
}

bool LoadStrings(const std::string& path) {
    std::map<std::wstring, std::wstring> loaded;
    if (!duistandin::ReadStringTable(path, loaded)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(mutex);
    *table = std::move(loaded);
    tableChosen = true;
    return true;
}

namespace detail {

void ResetStringTable() {
    std::lock_guard<std::mutex> guard(mutex);
    table->clear();
    tableChosen = false;
}

}  // namespace detail
}  // namespace tandemstandin
