// Last error and heap.
#include "KernelObject.h"
#include "Win32StandIn.h"

#include <atomic>
#include <cstdlib>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;
std::atomic<bool> processHeapFails{false};
std::atomic<bool> heapAllocFails{false};
char processHeapTag;

}  // namespace

namespace win32standin {

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
