// The registry: read-only, loaded from a file in the "Windows Registry Editor Version 5.00" text
// form.
//
// Accepted: the header line; [ROOT\key] sections (HKEY_USERS, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT or their short forms HKU, HKCU, HKLM, HKCR) and
// [-ROOT\key] deletions; "name" or @ (the default value) followed by "=" and one of
// "text" (with \\ and \" escapes), dword:XXXXXXXX, hex:01,02,... or hex(N):... (lines ending in a
// backslash continue on the next line), or - (deletes the value); ';' comment lines. The file
// may be UTF-8 (with or without a byte order mark) or UTF-16LE with its byte order mark, as the
// registry editor writes it. Anything else makes the whole file refused.
//
// Key and value names compare without regard to case. A key implies its parent keys. Keys of
// HKEY_CURRENT_USER are the current user's keys under HKEY_USERS\<SID> (KXPROCESS's SID, looked
// up at read time), so either spelling in the file reaches the same reads.
#include "KxProcess.h"
#include "Registry.h"
#include "UtilStandIn.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <sstream>
#include <vector>

namespace {

constexpr DWORD kRegNone = 0;
constexpr DWORD kRegSz = 1;
constexpr DWORD kRegExpandSz = 2;
constexpr DWORD kRegBinary = 3;
constexpr DWORD kRegDword = 4;

struct Value {
    DWORD type = kRegNone;
    DWORD dword = 0;
    std::wstring text;
    std::vector<BYTE> bytes;
};

struct Key {
    std::map<std::wstring, Value> values;  // by folded name; "" is the default value
};

using Store = std::map<std::wstring, Key>;  // by folded path, "hkey_users\s-1-...\software"

std::shared_mutex storeMutex;
Store* store = new Store;

std::wstring Fold(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        out.push_back(
            static_cast<wchar_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT)));
    }
    return out;
}

// Folded components of a key path; empty components (doubled or edge backslashes) are dropped.
std::vector<std::wstring> SplitKey(const std::wstring& key) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : key) {
        if (c == L'\\') {
            if (!part.empty()) {
                parts.push_back(Fold(part));
            }
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) {
        parts.push_back(Fold(part));
    }
    return parts;
}

std::wstring Join(const std::wstring& root, const std::vector<std::wstring>& parts, size_t from) {
    std::wstring path = root;
    for (size_t i = from; i < parts.size(); ++i) {
        path += L'\\';
        path += parts[i];
    }
    return path;
}

const wchar_t* RootName(HKEY root) {
    if (root == HKEY_USERS) {
        return L"hkey_users";
    }
    if (root == HKEY_CURRENT_USER) {
        return L"hkey_current_user";
    }
    if (root == HKEY_LOCAL_MACHINE) {
        return L"hkey_local_machine";
    }
    if (root == HKEY_CLASSES_ROOT) {
        return L"hkey_classes_root";
    }
    return nullptr;
}

// The folded root name of a root as the file spells it; null when unknown.
const wchar_t* RootFromText(const std::wstring& folded) {
    static const struct {
        const wchar_t* text;
        const wchar_t* root;
    } kRoots[] = {
        {L"hkey_users", L"hkey_users"},
        {L"hku", L"hkey_users"},
        {L"hkey_current_user", L"hkey_current_user"},
        {L"hkcu", L"hkey_current_user"},
        {L"hkey_local_machine", L"hkey_local_machine"},
        {L"hklm", L"hkey_local_machine"},
        {L"hkey_classes_root", L"hkey_classes_root"},
        {L"hkcr", L"hkey_classes_root"},
    };
    for (const auto& entry : kRoots) {
        if (folded == entry.text) {
            return entry.root;
        }
    }
    return nullptr;
}

// The stored paths a read of KEY below ROOT may find, in the order they are tried.
std::vector<std::wstring> Candidates(HKEY root, const std::wstring& key) {
    const wchar_t* rootName = RootName(root);
    if (rootName == nullptr) {
        return {};
    }
    std::vector<std::wstring> parts = SplitKey(key);
    std::wstring sid = Fold(KXPROCESS::GetCurrentUserSidstr());
    if (root == HKEY_CURRENT_USER) {
        std::vector<std::wstring> users{sid};
        users.insert(users.end(), parts.begin(), parts.end());
        return {Join(L"hkey_current_user", parts, 0), Join(L"hkey_users", users, 0)};
    }
    if (root == HKEY_USERS && !parts.empty() && parts[0] == sid) {
        return {Join(L"hkey_users", parts, 0), Join(L"hkey_current_user", parts, 1)};
    }
    return {Join(rootName, parts, 0)};
}

const Value* FindValue(const Store& keys, HKEY root, const std::wstring& key,
                       const std::wstring& name) {
    std::wstring folded = Fold(name);
    for (const std::wstring& path : Candidates(root, key)) {
        auto k = keys.find(path);
        if (k == keys.end()) {
            continue;
        }
        auto v = k->second.values.find(folded);
        if (v != k->second.values.end()) {
            return &v->second;
        }
    }
    return nullptr;
}

// ---- Parsing ----

class Parser {
public:
    explicit Parser(const std::string& text) { SplitLines(text); }

    bool Parse(Store& out) {
        size_t i = 0;
        while (i < lines_.size() && Trim(lines_[i]).empty()) {
            ++i;
        }
        if (i == lines_.size() || Trim(lines_[i]) != "Windows Registry Editor Version 5.00") {
            return Fail(i, "missing header");
        }
        std::wstring current;
        for (++i; i < lines_.size(); ++i) {
            std::string line = Trim(lines_[i]);
            if (line.empty() || line[0] == ';') {
                continue;
            }
            if (line[0] == '[') {
                if (!ParseSection(i, line, out, current)) {
                    return false;
                }
            } else if (line[0] == '"' || line[0] == '@') {
                if (current.empty()) {
                    return Fail(i, "value outside a key");
                }
                if (!ParseValue(i, line, out[current])) {
                    return false;
                }
            } else {
                return Fail(i, "unexpected line");
            }
        }
        return true;
    }

private:
    static std::string Trim(const std::string& s) {
        size_t b = s.find_first_not_of(" \t");
        if (b == std::string::npos) {
            return std::string();
        }
        size_t e = s.find_last_not_of(" \t");
        return s.substr(b, e - b + 1);
    }

    void SplitLines(const std::string& text) {
        std::string line;
        for (size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '\r' || c == '\n') {
                lines_.push_back(line);
                line.clear();
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                    ++i;
                }
            } else {
                line.push_back(c);
            }
        }
        if (!line.empty()) {
            lines_.push_back(line);
        }
    }

    bool Fail(size_t line, const char* what) {
        std::fprintf(stderr, "registry file: line %zu: %s\n", line + 1, what);
        return false;
    }

    bool ParseSection(size_t i, const std::string& line, Store& out, std::wstring& current) {
        if (line.back() != ']' || line.size() < 3) {
            return Fail(i, "unterminated key");
        }
        std::string inner = line.substr(1, line.size() - 2);
        bool remove = !inner.empty() && inner[0] == '-';
        if (remove) {
            inner.erase(0, 1);
        }
        std::wstring wide = DE::UTF8ToUnicode(inner);
        std::vector<std::wstring> parts = SplitKey(wide);
        if (wide.empty() || parts.empty()) {
            return Fail(i, "bad key");
        }
        const wchar_t* root = RootFromText(parts[0]);
        if (root == nullptr) {
            return Fail(i, "unknown root key");
        }
        std::wstring path = Join(root, parts, 1);
        if (remove) {
            std::wstring prefix = path + L'\\';
            for (auto it = out.begin(); it != out.end();) {
                bool under = it->first == path || it->first.compare(0, prefix.size(), prefix) == 0;
                it = under ? out.erase(it) : std::next(it);
            }
            current.clear();
            return true;
        }
        for (size_t n = 1; n <= parts.size(); ++n) {
            out[Join(root, std::vector<std::wstring>(parts.begin(), parts.begin() + n), 1)];
        }
        current = path;
        return true;
    }

    // A quoted string starting at POS (at the opening quote); POS ends after the closing one.
    static bool ParseQuoted(const std::string& line, size_t& pos, std::string& out) {
        out.clear();
        for (++pos; pos < line.size(); ++pos) {
            char c = line[pos];
            if (c == '"') {
                ++pos;
                return true;
            }
            if (c == '\\') {
                if (++pos == line.size()) {
                    return false;
                }
                c = line[pos];
            }
            out.push_back(c);
        }
        return false;
    }

    static bool ParseHexNumber(const std::string& text, uint64_t max, uint64_t& value) {
        if (text.empty() || text.size() > 16) {
            return false;
        }
        value = 0;
        for (char c : text) {
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return false;
            }
            value = value * 16 + static_cast<uint64_t>(digit);
            if (value > max) {
                return false;
            }
        }
        return true;
    }

    static bool StartsWith(const std::string& text, const char* prefix) {
        return text.compare(0, std::strlen(prefix), prefix) == 0;
    }

    static std::wstring DecodeUtf16Le(const std::vector<BYTE>& bytes) {
        std::vector<UChar> units;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            units.push_back(static_cast<UChar>(bytes[i] | (bytes[i + 1] << 8)));
        }
        while (!units.empty() && units.back() == 0) {
            units.pop_back();
        }
        std::wstring out;
        for (size_t i = 0; i < units.size();) {
            UChar32 c;
            U16_NEXT(units.data(), i, units.size(), c);
            out.push_back(static_cast<wchar_t>(c));
        }
        return out;
    }

    bool ParseValue(size_t& i, const std::string& line, Key& key) {
        size_t pos = 0;
        std::string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, name)) {
            return Fail(i, "unterminated value name");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
            ++pos;
        }
        if (pos == line.size() || line[pos] != '=') {
            return Fail(i, "missing '='");
        }
        std::string data = Trim(line.substr(pos + 1));
        std::wstring folded = Fold(DE::UTF8ToUnicode(name));
        if (!name.empty() && folded.empty()) {
            return Fail(i, "bad value name");
        }

        if (data == "-") {
            key.values.erase(folded);
            return true;
        }
        Value value;
        if (!data.empty() && data[0] == '"') {
            size_t end = 0;
            std::string text;
            if (!ParseQuoted(data, end, text) || end != data.size()) {
                return Fail(i, "bad string value");
            }
            value.type = kRegSz;
            value.text = DE::UTF8ToUnicode(text);
            if (!text.empty() && value.text.empty()) {
                return Fail(i, "string value is not UTF-8");
            }
        } else if (StartsWith(data, "dword:")) {
            uint64_t number = 0;
            if (data.size() > 6 + 8 || !ParseHexNumber(data.substr(6), 0xFFFFFFFFu, number)) {
                return Fail(i, "bad dword value");
            }
            value.type = kRegDword;
            value.dword = static_cast<DWORD>(number);
        } else if (StartsWith(data, "hex")) {
            if (!ParseHex(i, data, value)) {
                return false;
            }
        } else {
            return Fail(i, "unknown value type");
        }
        key.values[folded] = std::move(value);
        return true;
    }

    // hex:... or hex(N):..., continued over following lines while a line ends in a backslash.
    bool ParseHex(size_t& i, std::string data, Value& value) {
        size_t colon = data.find(':');
        if (colon == std::string::npos) {
            return Fail(i, "bad hex value");
        }
        std::string kind = data.substr(0, colon);
        uint64_t type = kRegBinary;
        if (kind != "hex") {
            if (kind.size() < 6 || kind.compare(0, 4, "hex(") != 0 || kind.back() != ')' ||
                !ParseHexNumber(kind.substr(4, kind.size() - 5), 0xFFFFFFFFu, type)) {
                return Fail(i, "bad hex type");
            }
        }
        std::string list = data.substr(colon + 1);
        while (!list.empty() && list.back() == '\\') {
            list.pop_back();
            if (++i == lines_.size()) {
                return Fail(i - 1, "hex value continues past the end");
            }
            list += Trim(lines_[i]);
        }
        value.type = static_cast<DWORD>(type);
        std::stringstream items(list);
        std::string item;
        bool any = !Trim(list).empty();
        while (any && std::getline(items, item, ',')) {
            uint64_t byte = 0;
            if (!ParseHexNumber(Trim(item), 0xFF, byte)) {
                return Fail(i, "bad hex byte");
            }
            value.bytes.push_back(static_cast<BYTE>(byte));
        }
        if (any && list.back() == ',') {
            return Fail(i, "bad hex byte");
        }
        if (value.type == kRegSz || value.type == kRegExpandSz) {
            value.text = DecodeUtf16Le(value.bytes);
        } else if (value.type == kRegDword && value.bytes.size() == 4) {
            value.dword = static_cast<DWORD>(value.bytes[0]) | (value.bytes[1] << 8) |
                          (value.bytes[2] << 16) | (static_cast<DWORD>(value.bytes[3]) << 24);
        } else if (value.type == kRegDword) {
            return Fail(i, "dword value of another length than 4 bytes");
        }
        return true;
    }

    std::vector<std::string> lines_;
};

// UTF-8 text of a registry file: a UTF-16LE file (byte order mark FF FE) is converted, a UTF-8
// byte order mark removed. False for odd-length or malformed UTF-16.
bool DecodeFile(const std::string& raw, std::string& text) {
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        if (raw.size() % 2 != 0) {
            return false;
        }
        std::vector<UChar> units;
        for (size_t i = 2; i < raw.size(); i += 2) {
            units.push_back(static_cast<UChar>(static_cast<unsigned char>(raw[i]) |
                                               (static_cast<unsigned char>(raw[i + 1]) << 8)));
        }
        if (units.empty()) {
            text.clear();
            return true;
        }
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = 0;
        u_strToUTF8(nullptr, 0, &length, units.data(), static_cast<int32_t>(units.size()), &status);
        if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
            return false;
        }
        text.assign(static_cast<size_t>(length) + 1, '\0');
        status = U_ZERO_ERROR;
        u_strToUTF8(&text[0], static_cast<int32_t>(text.size()), &length, units.data(),
                    static_cast<int32_t>(units.size()), &status);
        text.resize(static_cast<size_t>(length));
        return U_SUCCESS(status);
    }
    if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = raw.substr(3);
    } else {
        text = raw;
    }
    return true;
}

}  // namespace

namespace DE {

bool Registry::KeyExists(const std::wstring& key) const {
    std::shared_lock<std::shared_mutex> guard(storeMutex);
    for (const std::wstring& path : Candidates(root_, key)) {
        if (store->count(path) != 0) {
            return true;
        }
    }
    return false;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value,
                        REGSAM) {
    std::shared_lock<std::shared_mutex> guard(storeMutex);
    const Value* found = FindValue(*store, root, key, name);
    if (found == nullptr || found->type != kRegDword) {
        return false;
    }
    value = found->dword;
    return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                        std::wstring& value, REGSAM) {
    std::shared_lock<std::shared_mutex> guard(storeMutex);
    const Value* found = FindValue(*store, root, key, name);
    if (found == nullptr || (found->type != kRegSz && found->type != kRegExpandSz)) {
        return false;
    }
    value = found->text;
    return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name, BYTE* buffer,
                        DWORD& size, REGSAM) {
    if (buffer == nullptr) {
        return false;
    }
    std::shared_lock<std::shared_mutex> guard(storeMutex);
    const Value* found = FindValue(*store, root, key, name);
    if (found == nullptr || found->type != kRegBinary) {
        return false;
    }
    DWORD copied = static_cast<DWORD>(std::min<size_t>(size, found->bytes.size()));
    if (copied != 0) {
        std::memcpy(buffer, found->bytes.data(), copied);
    }
    size = copied;
    return true;
}

}  // namespace DE

namespace utilstandin {

bool LoadRegistryText(const std::string& raw) {
    Store parsed;
    std::string text;
    bool ok = DecodeFile(raw, text) && Parser(text).Parse(parsed);
    if (!ok) {
        parsed.clear();
    }
    std::unique_lock<std::shared_mutex> guard(storeMutex);
    store->swap(parsed);
    return ok;
}

bool LoadRegistryFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ClearRegistry();
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        ClearRegistry();
        return false;
    }
    return LoadRegistryText(content.str());
}

void ClearRegistry() {
    Store empty;
    std::unique_lock<std::shared_mutex> guard(storeMutex);
    store->swap(empty);
}

}  // namespace utilstandin
