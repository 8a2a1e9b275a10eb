// Strings, colours, culture texts and DPI scale of the toolkit stand-in.
#include "DuiLibStandIn.h"
#include "Text.h"
#include "UIBase.h"

#include <unicode/locid.h>
#include <unicode/plurrule.h>

#include <algorithm>
#include <climits>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

namespace {

std::mutex cultureMutex;
std::string* cultureLocale = new std::string("en");  // with cultureMutex held

// The string table of LOCALE beside the running executable.
std::string TablePath(const std::string& locale) {
    wchar_t exe[MAX_PATH];
    const std::string path =
        duilibtext::ToUtf8(std::wstring(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH)));
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string()
                                      : path.substr(0, slash) + "/strings/" + locale + ".strings";
}

bool cultureChosen = false;  // a table was loaded, or the default one was looked for

// With cultureMutex held.
std::map<std::wstring, std::wstring>& CultureTable() {
    static auto* table = new std::map<std::wstring, std::wstring>;
    if (!cultureChosen) {
        cultureChosen = true;
        duistandin::ReadStringTable(TablePath(*cultureLocale), *table);
    }
    return *table;
}
int direction = 0;
int scalePercent = 100;

// With cultureMutex held: the plural rules of the culture's language (null when ICU has none).
const icu::PluralRules* PluralRules() {
    static std::string rulesLocale;
    static std::unique_ptr<icu::PluralRules> rules;
    if (!rules || rulesLocale != *cultureLocale) {
        UErrorCode status = U_ZERO_ERROR;
        rules.reset(icu::PluralRules::forLocale(icu::Locale(cultureLocale->c_str()), status));
        if (U_FAILURE(status)) {
            rules.reset();
        }
        rulesLocale = *cultureLocale;
    }
    return rules.get();
}

// With cultureMutex held: the text of ID for the count TEXT: "ID[category]" by the language's
// plural rules, else "ID[other]", else ID itself. PLURAL tells whether a plural form was found.
const std::wstring* PluralForm(const std::wstring& id, const std::wstring& count, bool& plural) {
    auto& table = CultureTable();
    wchar_t* end = nullptr;
    const long long n = std::wcstoll(count.c_str(), &end, 10);
    plural = !count.empty() && end && *end == L'\0';  // a whole number
    if (plural) {
        if (const icu::PluralRules* rules = PluralRules()) {
            std::string category;
            rules
                ->select(static_cast<int32_t>(
                    std::max<long long>(INT32_MIN, std::min<long long>(INT32_MAX, n))))
                .toUTF8String(category);
            auto found =
                table.find(id + L"[" + std::wstring(category.begin(), category.end()) + L"]");
            if (found != table.end()) {
                return &found->second;
            }
        }
    }
    auto found = table.find(id + L"[other]");
    if (found != table.end()) {
        return &found->second;
    }
    plural = false;
    found = table.find(id);
    return found == table.end() ? nullptr : &found->second;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) {
        return std::string();
    }
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && (next == 'n' || next == 't' || next == '\\')) {
            out.push_back(next == 'n' ? '\n' : next == 't' ? '\t' : '\\');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

namespace duistandin {

bool ReadStringTable(const std::string& path, std::map<std::wstring, std::wstring>& out) {
    std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
    if (!file) {
        return false;
    }
    std::string line;
    bool first = true;
    while (std::getline(file, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            line.erase(0, 3);
        }
        first = false;
        std::string trimmed = Trim(line);
        size_t eq = trimmed.find('=');
        if (trimmed.empty() || trimmed[0] == '#' || eq == std::string::npos) {
            continue;
        }
        std::string id = Trim(trimmed.substr(0, eq));
        std::string text = Trim(trimmed.substr(eq + 1));
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
            text = text.substr(1, text.size() - 2);
        }
        out[duilibtext::FromUtf8(id)] = duilibtext::FromUtf8(Unescape(text));
    }
    return true;
}

std::string DefaultStringTablePath() {
    std::string locale;
    {
        std::lock_guard<std::mutex> lock(cultureMutex);
        locale = *cultureLocale;
    }
    return TablePath(locale);
}

void SetLocale(const std::string& locale) {
    std::lock_guard<std::mutex> lock(cultureMutex);
    *cultureLocale = locale;
    direction = icu::Locale(locale.c_str()).isRightToLeft() ? 1 : 0;
}

bool LoadCultureStrings(const std::string& path) {
    std::map<std::wstring, std::wstring> table;
    if (!ReadStringTable(path, table)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(cultureMutex);
    cultureChosen = true;
    CultureTable() = std::move(table);
    return true;
}

void SetCultureString(const std::wstring& id, const std::wstring& text) {
    std::lock_guard<std::mutex> lock(cultureMutex);
    CultureTable()[id] = text;
}

void SetDirection(int value) {
    direction = value;
}
void SetScale(int percent) {
    scalePercent = percent;
}

}  // namespace duistandin

namespace DuiLib {

int CDuiString::ToInt(bool* notANumber) const {
    size_t i = 0;
    while (i < text_.size() && std::iswspace(text_[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text_.size() && (text_[i] == L'-' || text_[i] == L'+')) {
        negative = text_[i] == L'-';
        ++i;
    }
    long long value = 0;
    size_t digits = 0;
    for (; i < text_.size() && text_[i] >= L'0' && text_[i] <= L'9'; ++i, ++digits) {
        if (value < 0x80000000LL) {
            value = value * 10 + (text_[i] - L'0');
        }
    }
    if (notANumber) {
        *notANumber = digits == 0;
    }
    value = negative ? -value : value;
    value = value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value;
    return static_cast<int>(value);
}

namespace Utils {

DWORD GetColorFromString(const wchar_t* text) {
    if (!text) {
        return 0;
    }
    std::wstring s(text);
    int base = 10;
    bool opaque = false;
    if (!s.empty() && s[0] == L'#') {
        s.erase(0, 1);
        base = 16;
        opaque = s.size() == 6;
    } else if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        s.erase(0, 2);
        base = 16;
    }
    if (s.empty() || s.size() > 10) {
        return 0;
    }
    wchar_t* end = nullptr;
    unsigned long long value = std::wcstoull(s.c_str(), &end, base);
    if (*end != L'\0') {
        return 0;
    }
    return static_cast<DWORD>(value) | (opaque ? 0xFF000000u : 0u);
}

CDuiString GetFileNameFromPath(const wchar_t* path) {
    if (!path) {
        return CDuiString();
    }
    std::wstring s(path);
    size_t slash = s.find_last_of(L"\\/");
    return slash == std::wstring::npos ? s : s.substr(slash + 1);
}

}  // namespace Utils

UICulture* UICulture::GetInstance() {
    static UICulture culture;
    return &culture;
}

CDuiString UICulture::GetString(const wchar_t* id) const {
    if (!id) {
        return CDuiString();
    }
    std::lock_guard<std::mutex> lock(cultureMutex);
    auto found = CultureTable().find(id);
    return found == CultureTable().end() ? CDuiString(id) : CDuiString(found->second);
}

CDuiString UICulture::GetMultiVarStr(const wchar_t* id, const std::vector<CDuiString>& args,
                                     int /*reserved*/) const {
    if (!id) {
        return CDuiString();
    }
    std::wstring text;
    bool plural = false;
    {
        std::lock_guard<std::mutex> lock(cultureMutex);
        const std::wstring* form =
            PluralForm(id, args.empty() ? std::wstring() : args[0].str(), plural);
        text = form ? *form : std::wstring(id);
    }
    // Printf-style texts take the arguments in order: "%d files".
    size_t next = 0;
    for (size_t at = text.find(L'%'); at != std::wstring::npos && next < args.size();
         at = text.find(L'%', at)) {
        wchar_t kind = at + 1 < text.size() ? text[at + 1] : L'\0';
        if (kind == L'd' || kind == L's' || kind == L'u') {
            text.replace(at, 2, args[next].str());
            at += args[next++].str().size();
        } else {
            at += kind == L'%' ? 2 : 1;
        }
    }
    // The number that chose a plural form is taken, shown or not ("two files" in one word).
    if (plural) {
        next = std::max<size_t>(next, 1);
    }
    // "{N}" takes the arguments that no printf-style placeholder took, so a text may keep a
    // "{0}" for a later formatting step: "{0} wants to send you %d files".
    for (size_t n = next; n < args.size(); ++n) {
        const std::wstring placeholder = L"{" + std::to_wstring(n) + L"}";
        for (size_t at = text.find(placeholder); at != std::wstring::npos;
             at = text.find(placeholder, at + args[n].str().size())) {
            text.replace(at, placeholder.size(), args[n].str());
        }
    }
    return text;
}

int UICulture::getDirection() const {
    return direction;
}

CResourceManager* CResourceManager::GetInstance() {
    static CResourceManager manager;
    return &manager;
}

int CResourceManager::GetScale() const {
    return scalePercent;
}

int CResourceManager::Scale(int designPixels) const {
    return static_cast<int>(static_cast<long long>(designPixels) * scalePercent / 100);
}

}  // namespace DuiLib
