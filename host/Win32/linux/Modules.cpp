// Module loading over dlopen. "Name.dll" is the library "libName.so" in the same folder.
#include "KernelObject.h"
#include "Win32StandIn.h"

#include <pathcch.h>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>

namespace {

// The file name of module NAME on this platform: "OrvPluginsManager.dll" ->
// "libOrvPluginsManager.so".
std::string PlatformModuleName(const std::wstring& name) {
    std::string path = win32standin::ToUtf8(name);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    static const std::string kDll = ".dll";
    if (file.size() > kDll.size() &&
        strcasecmp(file.c_str() + file.size() - kDll.size(), kDll.c_str()) == 0) {
        file = "lib" + file.substr(0, file.size() - kDll.size()) + ".so";
    }
    return folder + file;
}

// The path of the running executable; empty when it cannot be read.
std::string ProgramPath() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer));
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// Library entries, as the Windows loader calls them: DllMain of a module (looked up by name, and
// only in the module itself, not in the libraries it depends on) runs with DLL_PROCESS_ATTACH when
// LoadLibraryW maps it and with DLL_PROCESS_DETACH when the last FreeLibrary unmaps it.
typedef BOOL (*DllEntry)(HINSTANCE, DWORD, LPVOID);

std::recursive_mutex loaderLock;
std::map<void*, size_t> loadCounts;

DllEntry EntryOf(void* module) {
    void* symbol = dlsym(module, "DllMain");
    link_map* map = nullptr;
    Dl_info info{};
    if (symbol == nullptr || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
        dladdr(symbol, &info) == 0 || info.dli_fname == nullptr ||
        std::strcmp(info.dli_fname, map->l_name) != 0) {
        return nullptr;
    }
    return reinterpret_cast<DllEntry>(symbol);
}

}  // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string name = PlatformModuleName(moduleName);
    // RTLD_NOLOAD finds a loaded module; like GetModuleHandle, leave its reference count alone.
    void* module = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    dlclose(module);
    return static_cast<HMODULE>(module);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    const std::string path = module == nullptr ? ProgramPath() : std::string();
    if (path.empty()) {
        SetLastError(module == nullptr ? ERROR_FILE_NOT_FOUND : ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::wstring wide = win32standin::FromUtf8(path);
    if (wide.size() >= size) {
        // Truncated and terminated, as Windows does.
        std::memcpy(fileName, wide.data(), (size - 1) * sizeof(WCHAR));
        fileName[size - 1] = L'\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(wide.size());
}

HMODULE LoadLibraryW(LPCWSTR fileName) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string name = PlatformModuleName(fileName);
    void* module = nullptr;
    if (name.find('/') == std::string::npos) {
        // As on Windows, a bare name is looked for in the executable's folder first.
        std::string folder = ProgramPath();
        if (!folder.empty()) {
            folder.erase(folder.find_last_of('/') + 1);
            module = dlopen((folder + name).c_str(), RTLD_NOW);
        }
    }
    if (module == nullptr) {
        module = dlopen(name.c_str(), RTLD_NOW);
    }
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> guard(loaderLock);
    if (loadCounts[module]++ == 0) {
        DllEntry entry = EntryOf(module);
        if (entry != nullptr &&
            !entry(static_cast<HINSTANCE>(module), DLL_PROCESS_ATTACH, nullptr)) {
            // A failed attach is followed by the detach before the module is unmapped.
            entry(static_cast<HINSTANCE>(module), DLL_PROCESS_DETACH, nullptr);
            loadCounts.erase(module);
            dlclose(module);
            SetLastError(ERROR_DLL_INIT_FAILED);
            return nullptr;
        }
    }
    return static_cast<HMODULE>(module);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    if (module == nullptr || procName == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The library entry is exported here only so that the loader above can find it; on Windows
    // the loader takes it from the image header and it is no export.
    void* symbol = std::strcmp(procName, "DllMain") == 0 ? nullptr : dlsym(module, procName);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    std::lock_guard<std::recursive_mutex> guard(loaderLock);
    auto loaded = module == nullptr ? loadCounts.end() : loadCounts.find(module);
    if (loaded != loadCounts.end() && --loaded->second == 0) {
        loadCounts.erase(loaded);
        if (DllEntry entry = EntryOf(module)) {
            entry(module, DLL_PROCESS_DETACH, nullptr);
        }
    }
    if (module == nullptr || dlclose(module) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

HRESULT PathCchRemoveFileSpec(PWSTR path, size_t pathSize) {
    if (path == nullptr || pathSize == 0) {
        return E_INVALIDARG;
    }
    size_t length = 0;
    while (length < pathSize && path[length] != L'\0') {
        ++length;
    }
    if (length == pathSize) {
        return E_INVALIDARG;
    }
    for (size_t i = length; i > 0; --i) {
        if (path[i - 1] == L'\\' || path[i - 1] == L'/') {
            // Keep the root separator of "/name" or "C:\name".
            bool root = i == 1 || (i == 3 && path[1] == L':');
            path[root ? i : i - 1] = L'\0';
            return S_OK;
        }
    }
    return S_OK;  // nothing to remove (S_FALSE on Windows)
}
