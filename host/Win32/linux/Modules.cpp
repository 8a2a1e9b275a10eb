// Module loading over dlopen. "Name.dll" is the library "libName.so" in the same folder.
#include "KernelObject.h"
#include "Win32StandIn.h"

#include <pathcch.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

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
    return static_cast<HMODULE>(module);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    if (module == nullptr || procName == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* symbol = dlsym(module, procName);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
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
