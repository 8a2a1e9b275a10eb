// Where pipes live, the pipe controls of the stand-in, and security descriptors.
#include "KernelObject.h"
#include "NamedPipe.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

namespace win32standin {
namespace {

const std::wstring kPipePrefix = L"\\\\.\\pipe\\";

std::mutex& ControlMutex() {
    static std::mutex mutex;
    return mutex;
}
std::string& FolderOverride() {
    static auto* folder = new std::string;
    return *folder;
}
NamedPipeCreation& LastCreation() {
    static auto* creation = new NamedPipeCreation;
    return *creation;
}
std::function<void(HANDLE)>& CreatedHook() {
    static auto* hook = new std::function<void(HANDLE)>;
    return *hook;
}
size_t creationCount = 0;
unsigned createFailures = 0;
std::atomic<bool> descriptorFails{false};

// A folder only this user can use: a directory (not a link) owned by the user, closed to others.
bool EnsurePrivateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return false;
    }
    return (info.st_mode & 077) == 0 || chmod(path.c_str(), 0700) == 0;
}

std::string DefaultFolder() {
    const char* chosen = std::getenv("SWIFTSEND_PIPE_DIR");
    if (chosen != nullptr && chosen[0] != '\0') {
        return chosen;
    }
    // A folder of our own under the runtime folder, so that pipe names never meet the sockets
    // of other programs there.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &info) == 0 &&
        S_ISDIR(info.st_mode) && info.st_uid == geteuid() && access(runtime, W_OK | X_OK) == 0) {
        std::string folder = std::string(runtime) + "/swiftsend";
        if (EnsurePrivateFolder(folder)) {
            return folder;
        }
    }
    std::string folder = "/tmp/swiftsend-" + std::to_string(geteuid());
    return EnsurePrivateFolder(folder) ? folder : std::string();
}

bool HasPipePrefix(const std::wstring& name) {
    if (name.size() <= kPipePrefix.size()) {
        return false;
    }
    for (size_t i = 0; i < kPipePrefix.size(); ++i) {
        wchar_t c = name[i];
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        if (c != kPipePrefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

void SetPipeFolder(const std::string& folder) {
    std::lock_guard<std::mutex> guard(ControlMutex());
    FolderOverride() = folder;
}

std::string PipeFolder() {
    {
        std::lock_guard<std::mutex> guard(ControlMutex());
        if (!FolderOverride().empty()) {
            return FolderOverride();
        }
    }
    return DefaultFolder();
}

void SetSecurityDescriptorFailure(bool fail) {
    descriptorFails = fail;
}

void SetCreateNamedPipeFailure(bool fail) {
    FailNextCreateNamedPipe(fail ? UINT_MAX : 0);
}

void FailNextCreateNamedPipe(unsigned count) {
    std::lock_guard<std::mutex> guard(ControlMutex());
    createFailures = count;
}

NamedPipeCreation LastNamedPipeCreation() {
    std::lock_guard<std::mutex> guard(ControlMutex());
    return LastCreation();
}

size_t NamedPipeCreationCount() {
    std::lock_guard<std::mutex> guard(ControlMutex());
    return creationCount;
}

void SetNamedPipeCreatedHook(std::function<void(HANDLE)> hook) {
    std::lock_guard<std::mutex> guard(ControlMutex());
    CreatedHook() = std::move(hook);
}

void RunNamedPipeCreatedHook(HANDLE pipe) {
    std::function<void(HANDLE)> hook;
    {
        std::lock_guard<std::mutex> guard(ControlMutex());
        hook = CreatedHook();
    }
    if (hook) {
        hook(pipe);
    }
}

bool RecordNamedPipeCreation(const NamedPipeCreation& creation) {
    std::lock_guard<std::mutex> guard(ControlMutex());
    LastCreation() = creation;
    ++creationCount;
    if (createFailures == 0) {
        return false;
    }
    if (createFailures != UINT_MAX) {
        --createFailures;
    }
    return true;
}

std::string PipeSocketPath(LPCWSTR name) {
    if (name == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return std::string();
    }
    std::wstring wide(name);
    if (!HasPipePrefix(wide)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return std::string();
    }
    // One file name: no folders, and no leading dot, which would meet the lock files.
    std::wstring leaf = wide.substr(kPipePrefix.size());
    if (leaf[0] == L'.' || leaf.find_first_of(L"\\/") != std::wstring::npos) {
        ::SetLastError(ERROR_INVALID_NAME);
        return std::string();
    }
    std::string folder = PipeFolder();
    if (folder.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return std::string();
    }
    std::string path = folder + "/" + ToUtf8(leaf);
    // The lock file's name is the longer one; both must fit where the socket's must.
    if (PipeLockPath(path).size() >= sizeof(sockaddr_un::sun_path)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return std::string();
    }
    return path;
}

std::string PipeLockPath(const std::string& socketPath) {
    size_t slash = socketPath.find_last_of('/');
    return socketPath.substr(0, slash + 1) + "." + socketPath.substr(slash + 1) + ".lock";
}

}  // namespace win32standin

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision) {
    if (win32standin::descriptorFails) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (descriptor == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (revision != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_UNKNOWN_REVISION);
        return FALSE;
    }
    auto* record = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    *record = SECURITY_DESCRIPTOR{};
    record->Revision = static_cast<BYTE>(revision);
    return TRUE;
}

BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl,
                               BOOL daclDefaulted) {
    auto* record = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    if (record == nullptr || record->Revision != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
    }
    record->Control &= static_cast<WORD>(~(SE_DACL_PRESENT | SE_DACL_DEFAULTED));
    record->Dacl = nullptr;
    if (daclPresent) {
        record->Control |= SE_DACL_PRESENT;
        if (daclDefaulted) {
            record->Control |= SE_DACL_DEFAULTED;
        }
        record->Dacl = dacl;
    }
    return TRUE;
}
