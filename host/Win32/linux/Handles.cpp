#include "KernelObject.h"

#include "Win32StandIn.h"

#include <unicode/unistr.h>

#include <memory>
#include <thread>
#include <unordered_map>

namespace win32standin {
namespace {

std::mutex& HandleMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_map<HANDLE, std::shared_ptr<KernelObject>>& Handles() {
    static auto* handles = new std::unordered_map<HANDLE, std::shared_ptr<KernelObject>>;
    return *handles;
}

uintptr_t nextHandle = 0x1000;

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> guard(HandleMutex());
    HANDLE handle = reinterpret_cast<HANDLE>(nextHandle);
    nextHandle += 4;
    Handles()[handle] = std::move(object);
    return handle;
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    std::lock_guard<std::mutex> guard(HandleMutex());
    auto found = Handles().find(handle);
    if (found == Handles().end()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second;
}

bool UnregisterHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object;
    std::lock_guard<std::mutex> guard(HandleMutex());
    auto found = Handles().find(handle);
    if (found == Handles().end()) {
        return false;
    }
    object = std::move(found->second);
    Handles().erase(found);
    return true;
}

size_t LiveHandleCount() {
    std::lock_guard<std::mutex> guard(HandleMutex());
    return Handles().size();
}

void Event::Set() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        signalled_ = true;
    }
    ClockWake();
}

void Event::Reset() {
    std::lock_guard<std::mutex> guard(mutex_);
    signalled_ = false;
}

bool Event::Wait(DWORD milliseconds) {
    return ClockWaitUntil(ClockDeadline(milliseconds), [this] {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!signalled_) {
            return false;
        }
        if (!manualReset_) {
            signalled_ = false;
        }
        return true;
    });
}

std::string ToUtf8(const std::wstring& text) {
    std::string out;
    icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()),
                                  static_cast<int32_t>(text.size()))
        .toUTF8String(out);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
    std::wstring out(static_cast<size_t>(unicode.countChar32()), L'\0');
    UErrorCode status = U_ZERO_ERROR;
    unicode.toUTF32(reinterpret_cast<UChar32*>(out.data()), static_cast<int32_t>(out.size()),
                    status);
    return U_FAILURE(status) ? std::wstring() : out;
}

}  // namespace win32standin

using win32standin::Event;

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    if (name != nullptr) {
        // Named events are not needed by the plug-in.
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return win32standin::RegisterHandle(
        std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event) {
    std::shared_ptr<Event> object = win32standin::LookupAs<Event>(event);
    if (!object) {
        return FALSE;
    }
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    std::shared_ptr<Event> object = win32standin::LookupAs<Event>(event);
    if (!object) {
        return FALSE;
    }
    object->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::shared_ptr<Event> object = win32standin::LookupAs<Event>(handle);
    if (!object) {
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE handle) {
    if (!win32standin::UnregisterHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
