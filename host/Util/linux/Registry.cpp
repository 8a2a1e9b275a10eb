// The registry: read-only, loaded from UTF-8 text in the "Windows Registry Editor Version 5.00"
// form, as far as the plug-in and the demo use it:
//
//   Windows Registry Editor Version 5.00
//   ; a comment
//   [HKEY_CURRENT_USER\SOFTWARE\Velmora\Corvix\Beamly\PairPhone2]
//   "IsPaired"=dword:00000001
//   "Summary"="text, with \\ and \" escapes"
//   "MacAddr"=hex:02,00,5e,10,20,30
//
// Keys are under HKEY_USERS or HKEY_CURRENT_USER, which is the current user's key under
// HKEY_USERS\<SID> (in the file and in reads alike). Key and value names compare without regard
// to ASCII case. Any other line refuses the whole file.
#include "KxProcess.h"
#include "Registry.h"
#include "UtilStandIn.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

namespace {

enum class Kind { kText, kDword, kBytes };

struct Value {
    Kind kind = Kind::kText;
    DWORD dword = 0;
    std::wstring text;
    std::vector<BYTE> bytes;
};

// Values by folded name, in keys by folded path ("hkey_users\s-1-5-...\software\...").
using Store = std::map<std::wstring, std::map<std::wstring, Value>>;

std::mutex storeMutex;
Store* store = new Store;

std::wstring Fold(std::wstring text) {
    for (wchar_t& c : text) {
        c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    }
    return text;
}

// The folded path of KEY below ROOT; empty for a root other than the two users' ones.
std::wstring PathOf(HKEY root, const std::wstring& key) {
    std::wstring path;
    if (root == HKEY_USERS) {
        path = L"hkey_users";
    } else if (root == HKEY_CURRENT_USER) {
        path = L"hkey_users\\" + KXPROCESS::GetCurrentUserSidstr();
    } else {
        return path;
    }
    return Fold(key.empty() ? path : path + L'\\' + key);
}

const Value* Find(HKEY root, const std::wstring& key, const std::wstring& name) {
    auto k = store->find(PathOf(root, key));
    if (k == store->end()) {
        return nullptr;
    }
    auto v = k->second.find(Fold(name));
    return v == k->second.end() ? nullptr : &v->second;
}

bool Fail(size_t line, const char* what) {
    std::fprintf(stderr, "registry file: line %zu: %s\n", line, what);
    return false;
}

// A quoted string at the start of TEXT; AFTER is set past its closing quote.
bool Unquote(const std::string& text, std::string& out, size_t& after) {
    out.clear();
    if (text.empty() || text[0] != '"') {
        return false;
    }
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            after = i + 1;
            return true;
        }
        if (text[i] == '\\' && ++i == text.size()) {
            break;
        }
        out.push_back(text[i]);
    }
    return false;
}

// 1 to DIGITS hexadecimal digits.
bool Hex(const std::string& text, size_t digits, DWORD& value) {
    if (text.empty() || text.size() > digits ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return false;
    }
    value = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 16));
    return true;
}

bool ParseData(const std::string& data, Value& value) {
    std::string text;
    size_t after = 0;
    if (Unquote(data, text, after)) {
        value.kind = Kind::kText;
        value.text = DE::UTF8ToUnicode(text);
        return after == data.size() && (text.empty() || !value.text.empty());
    }
    if (data.compare(0, 6, "dword:") == 0) {
        value.kind = Kind::kDword;
        return Hex(data.substr(6), 8, value.dword);
    }
    if (data.compare(0, 4, "hex:") != 0) {
        return false;
    }
    value.kind = Kind::kBytes;
    std::stringstream list(data.substr(4));
    for (std::string item; std::getline(list, item, ',');) {
        DWORD byte = 0;
        if (!Hex(item, 2, byte)) {
            return false;
        }
        value.bytes.push_back(static_cast<BYTE>(byte));
    }
    return data.back() != ',';
}

bool Parse(const std::string& text, Store& out) {
    std::stringstream lines(text);
    std::string line;
    std::wstring key;
    bool header = false;
    for (size_t number = 1; std::getline(lines, line); ++number) {
        const size_t begin = line.find_first_not_of(" \t\r");
        line = begin == std::string::npos ? "" : line.substr(begin);
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (line.empty() || (header && line[0] == ';')) {
            continue;
        }
        if (!header) {
            if (line != "Windows Registry Editor Version 5.00") {
                return Fail(number, "missing header");
            }
            header = true;
        } else if (line[0] == '[') {
            const std::wstring path = Fold(DE::UTF8ToUnicode(line.substr(1, line.size() - 2)));
            const size_t slash = path.find(L'\\');
            const std::wstring root = path.substr(0, slash);
            const std::wstring below = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
            if (line.back() != ']' || (root != L"hkey_users" && root != L"hkey_current_user")) {
                return Fail(number, "not a key of HKEY_USERS or HKEY_CURRENT_USER");
            }
            key = PathOf(root == L"hkey_users" ? HKEY_USERS : HKEY_CURRENT_USER, below);
            out[key];
        } else {
            std::string name;
            size_t after = 0;
            Value value;
            if (key.empty() || !Unquote(line, name, after) || after == line.size() ||
                line[after] != '=' || !ParseData(line.substr(after + 1), value)) {
                return Fail(number, "not a \"name\"=value line of a key");
            }
            const std::wstring folded = Fold(DE::UTF8ToUnicode(name));
            if (folded.empty() != name.empty()) {
                return Fail(number, "value name is not UTF-8");
            }
            out[key][folded] = std::move(value);
        }
    }
    return header || Fail(1, "missing header");
}

}  // namespace

namespace DE {

bool Registry::KeyExists(const std::wstring& key) const {
    std::lock_guard<std::mutex> guard(storeMutex);
    return store->count(PathOf(root_, key)) != 0;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value,
                        REGSAM) {
    std::lock_guard<std::mutex> guard(storeMutex);
    const Value* found = Find(root, key, name);
    if (found == nullptr || found->kind != Kind::kDword) {
        return false;
    }
    value = found->dword;
    return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                        std::wstring& value, REGSAM) {
    std::lock_guard<std::mutex> guard(storeMutex);
    const Value* found = Find(root, key, name);
    if (found == nullptr || found->kind != Kind::kText) {
        return false;
    }
    value = found->text;
    return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name, BYTE* buffer,
                        DWORD& size, REGSAM) {
    std::lock_guard<std::mutex> guard(storeMutex);
    const Value* found = Find(root, key, name);
    if (buffer == nullptr || found == nullptr || found->kind != Kind::kBytes) {
        return false;
    }
    size = static_cast<DWORD>(std::min<size_t>(size, found->bytes.size()));
    if (size != 0) {
        std::memcpy(buffer, found->bytes.data(), size);
    }
    return true;
}

}  // namespace DE

namespace utilstandin {

bool LoadRegistryText(const std::string& text) {
    Store parsed;
    const bool ok = Parse(text, parsed);
    if (!ok) {
        parsed.clear();
    }
    std::lock_guard<std::mutex> guard(storeMutex);
    store->swap(parsed);
    return ok;
}

bool LoadRegistryFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    if (!file || !(content << file.rdbuf())) {
        ClearRegistry();
        return false;
    }
    return LoadRegistryText(content.str());
}

void ClearRegistry() {
    Store empty;
    std::lock_guard<std::mutex> guard(storeMutex);
    store->swap(empty);
}

}  // namespace utilstandin
