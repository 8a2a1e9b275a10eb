// Last error, heap and time.
#include "KernelObject.h"
#include "Win32StandIn.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;
std::atomic<bool> processHeapFails{false};
std::atomic<bool> heapAllocFails{false};
char processHeapTag;

std::mutex& TickMutex() {
    static std::mutex mutex;
    return mutex;
}
std::function<uint64_t()>& TickSource() {
    static auto* source = new std::function<uint64_t()>;
    return *source;
}

}  // namespace

namespace win32standin {

void SetTickSource(std::function<uint64_t()> source) {
    std::lock_guard<std::mutex> guard(TickMutex());
    TickSource() = std::move(source);
}

void SetProcessHeapFailure(bool fail) { processHeapFails = fail; }
void SetHeapAllocFailure(bool fail) { heapAllocFails = fail; }

}  // namespace win32standin

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

HANDLE GetProcessHeap() {
    if (processHeapFails) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return &processHeapTag;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    if (heap != &processHeapTag || heapAllocFails) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes ? bytes : 1)
                                      : std::malloc(bytes ? bytes : 1);
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID memory) {
    if (heap != &processHeapTag) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::free(memory);
    return TRUE;
}

ULONGLONG GetTickCount64() {
    {
        std::lock_guard<std::mutex> guard(TickMutex());
        if (TickSource()) {
            return TickSource()();
        }
    }
    using namespace std::chrono;
    return static_cast<ULONGLONG>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
