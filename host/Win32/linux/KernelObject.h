// Kernel objects behind HANDLE values. Internal to the Win32 stand-in.
#pragma once

#include <windows.h>

#include <mutex>
#include <memory>
#include <string>

namespace win32standin {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Registers a new object and returns its handle. Handle values are never reused, so a stale
// handle can not reach a newer object.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
// The live object behind HANDLE, or null (and ERROR_INVALID_HANDLE) for an unknown handle.
// The object stays alive while the caller holds it, even when another thread closes the handle.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> LookupAs(HANDLE handle) {
    std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (!object) {
        ::SetLastError(ERROR_INVALID_HANDLE);
    }
    return object;
}
// Removes HANDLE from the table; false for an unknown handle.
bool UnregisterHandle(HANDLE handle);

class Event : public KernelObject {
public:
    Event(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}
    void Set();
    void Reset();
    // True when signalled within `milliseconds` of the stand-in's clock (INFINITE: for ever).
    bool Wait(DWORD milliseconds);

private:
    std::mutex mutex_;
    bool manualReset_;
    bool signalled_;
};

}  // namespace win32standin
