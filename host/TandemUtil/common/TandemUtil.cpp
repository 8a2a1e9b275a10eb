// Feature switches, file names and types, mapped shares, folders and file sizes.
#include "StandInState.h"
#include "Registry.h"
#include "TandemUtil.h"
#include "TandemUtilStandIn.h"
#include "UIExUtils.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::mutex mutex;
std::set<std::string>* disabledPlugins = new std::set<std::string>;
std::vector<std::pair<std::wstring, std::wstring>>* shares =
    new std::vector<std::pair<std::wstring, std::wstring>>;
std::function<bool(const std::wstring&, uint64_t&)>* sizeSource =
    new std::function<bool(const std::wstring&, uint64_t&)>;

std::wstring Fold(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        out.push_back(
            static_cast<wchar_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT)));
    }
    return out;
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

}  // namespace

bool TandemUtilClass::IsSupportPlugin(const std::string& name) {
    std::lock_guard<std::mutex> guard(mutex);
    return disabledPlugins->count(name) == 0;
}

std::string TandemUtilClass::GetFileExt(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
        return std::string();
    }
    return DE::UnicodeToUTF8(path.substr(dot));
}

bool TandemUtilClass::IsNetShareMap(const std::wstring& path, std::wstring& mapped,
                                    bool* isMapped) {
    std::wstring folded = Fold(path);
    std::lock_guard<std::mutex> guard(mutex);
    for (const auto& share : *shares) {
        std::wstring prefix = Fold(share.first);
        if (prefix.empty() || folded.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        bool whole = folded.size() == prefix.size() || IsSeparator(prefix.back()) ||
                     IsSeparator(folded[prefix.size()]);
        if (!whole) {
            continue;
        }
        mapped = share.second + path.substr(prefix.size());
        if (isMapped != nullptr) {
            *isMapped = true;
        }
        return true;
    }
    if (isMapped != nullptr) {
        *isMapped = false;
    }
    return false;
}

std::string TandemUtilClass::ConvertFromWideBytes(const std::wstring& text) {
    return DE::UnicodeToUTF8(text);
}

int GetFileType(const std::string& ext) {
    static const std::map<std::string, int> kTypes = {
        {"png", tandemstandin::kFileTypePicture},  {"jpg", tandemstandin::kFileTypePicture},
        {"jpeg", tandemstandin::kFileTypePicture}, {"bmp", tandemstandin::kFileTypePicture},
        {"gif", tandemstandin::kFileTypePicture},  {"webp", tandemstandin::kFileTypePicture},
        {"heic", tandemstandin::kFileTypePicture}, {"tif", tandemstandin::kFileTypePicture},
        {"tiff", tandemstandin::kFileTypePicture}, {"mp4", tandemstandin::kFileTypeVideo},
        {"mov", tandemstandin::kFileTypeVideo},    {"avi", tandemstandin::kFileTypeVideo},
        {"mkv", tandemstandin::kFileTypeVideo},    {"wmv", tandemstandin::kFileTypeVideo},
        {"m4v", tandemstandin::kFileTypeVideo},    {"3gp", tandemstandin::kFileTypeVideo},
        {"mp3", tandemstandin::kFileTypeAudio},    {"wav", tandemstandin::kFileTypeAudio},
        {"aac", tandemstandin::kFileTypeAudio},    {"flac", tandemstandin::kFileTypeAudio},
        {"m4a", tandemstandin::kFileTypeAudio},    {"ogg", tandemstandin::kFileTypeAudio},
        {"wma", tandemstandin::kFileTypeAudio},    {"amr", tandemstandin::kFileTypeAudio},
        {"txt", tandemstandin::kFileTypeDocument}, {"pdf", tandemstandin::kFileTypeDocument},
        {"doc", tandemstandin::kFileTypeDocument}, {"docx", tandemstandin::kFileTypeDocument},
        {"xls", tandemstandin::kFileTypeDocument}, {"xlsx", tandemstandin::kFileTypeDocument},
        {"ppt", tandemstandin::kFileTypeDocument}, {"pptx", tandemstandin::kFileTypeDocument},
        {"rtf", tandemstandin::kFileTypeDocument}, {"csv", tandemstandin::kFileTypeDocument},
        {"zip", tandemstandin::kFileTypeArchive},  {"rar", tandemstandin::kFileTypeArchive},
        {"7z", tandemstandin::kFileTypeArchive},   {"tar", tandemstandin::kFileTypeArchive},
        {"gz", tandemstandin::kFileTypeArchive},   {"tgz", tandemstandin::kFileTypeArchive},
        {"bz2", tandemstandin::kFileTypeArchive},  {"xz", tandemstandin::kFileTypeArchive},
    };
    std::string key = ext.empty() || ext[0] != '.' ? ext : ext.substr(1);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    auto found = kTypes.find(key);
    return found == kTypes.end() ? tandemstandin::kFileTypeOther : found->second;
}

std::wstring GetDefaultIconPath(int fileType) {
    static const wchar_t* kNames[] = {L"other", L"picture",  L"video",
                                      L"audio", L"document", L"archive"};
    int index = fileType >= 0 && fileType < 6 ? fileType : tandemstandin::kFileTypeOther;
    return std::wstring(L"../../res/image/swiftsend/filetype_") + kNames[index] + L".png";
}

namespace VelaShare {

// Windows paths name the same folders here: a backslash is a separator. A folder may receive
// files when a file can be made in it; the probe is removed at once.
int OnCreateDirectory(const std::wstring& path) {
    std::string narrow = DE::UnicodeToUTF8(path);
    if (narrow.empty()) {
        return 0;
    }
    std::replace(narrow.begin(), narrow.end(), '\\', '/');
    // Made by its Unicode name: on Windows narrow bytes would be read in the ANSI code page.
    const fs::path folder = fs::u8path(narrow);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) {
        return 0;
    }
    static std::atomic<unsigned> probes{0};
    // Apart per process (the counter's address) and per call.
    const fs::path probe =
        folder / (".swiftsend-probe-" + std::to_string(reinterpret_cast<uintptr_t>(&probes)) + "-" +
                  std::to_string(probes++));
    const bool writable = std::ofstream(probe).good();
    fs::remove(probe, error);
    return writable ? 1 : 0;
}

}  // namespace VelaShare

namespace UIEx {
namespace Utils {

// A regular file gives its size. A folder gives the sum of the sizes of the regular files beneath
// it, at any depth; symbolic links are not followed and sub-folders that cannot be read are
// skipped. Anything that cannot be examined (missing, unreadable folder) gives 0 and `ok` false.
uint64_t GetFileSize(const std::wstring& path, bool& ok) {
    ok = false;
    std::function<bool(const std::wstring&, uint64_t&)> source;
    {
        std::lock_guard<std::mutex> guard(mutex);
        source = *sizeSource;
    }
    if (source) {
        uint64_t size = 0;
        ok = source(path, size);
        return ok ? size : 0;
    }
    std::string narrow = DE::UnicodeToUTF8(path);
    if (narrow.empty()) {
        return 0;
    }
    // Opened by its Unicode name: on Windows narrow bytes would be read in the ANSI code page.
    const fs::path file = fs::u8path(narrow);
    std::error_code error;
    fs::file_status status = fs::status(file, error);
    if (error) {
        return 0;
    }
    if (fs::is_regular_file(status)) {
        uint64_t size = fs::file_size(file, error);
        ok = !error;
        return ok ? size : 0;
    }
    if (!fs::is_directory(status)) {
        return 0;
    }
    fs::recursive_directory_iterator it(file, fs::directory_options::skip_permission_denied, error);
    if (error) {
        return 0;
    }
    uint64_t total = 0;
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        std::error_code entryError;
        if (it->is_symlink(entryError) || !it->is_regular_file(entryError)) {
            continue;
        }
        uint64_t size = it->file_size(entryError);
        if (!entryError) {
            total += size;
        }
    }
    ok = !error;
    return ok ? total : 0;
}

}  // namespace Utils
}  // namespace UIEx

namespace tandemstandin {

void SetPluginSupported(const std::string& name, bool supported) {
    std::lock_guard<std::mutex> guard(mutex);
    if (supported) {
        disabledPlugins->erase(name);
    } else {
        disabledPlugins->insert(name);
    }
}

void MapNetworkShare(const std::wstring& prefix, const std::wstring& share) {
    std::lock_guard<std::mutex> guard(mutex);
    shares->emplace_back(prefix, share);
}

void SetFileSizeSource(std::function<bool(const std::wstring& path, uint64_t& size)> source) {
    std::lock_guard<std::mutex> guard(mutex);
    *sizeSource = std::move(source);
}

namespace detail {

void ResetPluginsAndShares() {
    std::lock_guard<std::mutex> guard(mutex);
    disabledPlugins->clear();
    shares->clear();
    *sizeSource = nullptr;
}

}  // namespace detail
}  // namespace tandemstandin
