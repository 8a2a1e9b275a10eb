// The string table behind UIStringLocale.
//
// File form (UTF-8, optional byte order mark): one `ID = text` per line; blank lines and lines
// starting with '#' are ignored, as are lines without '='. Spaces around the id and the text are
// dropped; a text in double quotes keeps its spaces (the quotes are dropped). In the text "\n" is
// a line break, "\t" a tab and "\\" a backslash. A later line for the same id wins.
//
// Placeholder: "{0}" in a text is replaced by the argument of GetString(id, 1, arg), every
// occurrence of it. A text without "{0}" is returned as it stands.
//
// Until a table is loaded explicitly, the first use looks once for "strings/en.strings" in the
// folder of the running executable.
#include "StandInState.h"
#include "Registry.h"
#include "TandemUtilStandIn.h"
#include "UIStringLocale.h"

#include <unistd.h>

#include <climits>
#include <fstream>
#include <map>
#include <mutex>

namespace {

std::mutex mutex;
std::map<std::wstring, std::wstring>* table = new std::map<std::wstring, std::wstring>;
bool tableChosen = false;  // a table was loaded explicitly, or the default one was looked for

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
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                out.push_back(next == 'n' ? '\n' : next == 't' ? '\t' : '\\');
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

bool ReadTable(const std::string& path, std::map<std::wstring, std::wstring>& out) {
    std::ifstream file(path, std::ios::binary);
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
        size_t equals = trimmed.find('=');
        if (trimmed.empty() || trimmed[0] == '#' || equals == std::string::npos) {
            continue;
        }
        std::wstring id = DE::UTF8ToUnicode(Trim(trimmed.substr(0, equals)));
        std::string raw = Trim(trimmed.substr(equals + 1));
        if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
            raw = raw.substr(1, raw.size() - 2);
        }
        std::wstring text = DE::UTF8ToUnicode(Unescape(raw));
        if (!id.empty()) {
            out[id] = text;
        }
    }
    return !file.bad();
}

std::string ExecutableFolder() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) {
        return std::string();
    }
    std::string path(buffer, static_cast<size_t>(length));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// With MUTEX held: loads the table beside the executable unless one was chosen already.
void EnsureTable() {
    if (tableChosen) {
        return;
    }
    tableChosen = true;
    std::string folder = ExecutableFolder();
    if (!folder.empty()) {
        ReadTable(folder + "/strings/en.strings", *table);
    }
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

bool LoadStringTable(const std::string& path) {
    std::map<std::wstring, std::wstring> loaded;
    bool ok = ReadTable(path, loaded);
    if (!ok) {
        loaded.clear();
    }
    std::lock_guard<std::mutex> guard(mutex);
    table->swap(loaded);
    tableChosen = true;
    return ok;
}

void SetString(const std::wstring& id, const std::wstring& text) {
    std::lock_guard<std::mutex> guard(mutex);
    EnsureTable();
    (*table)[id] = text;
}

namespace detail {

void ResetStringTable() {
    std::lock_guard<std::mutex> guard(mutex);
    table->clear();
    tableChosen = false;
}

}  // namespace detail
}  // namespace tandemstandin
