// GdiplusStartup and GdiplusShutdown: argument checks and the count of live tokens.
#include <GdiPlusStandIn.h>
#include <gdiplus.h>

#include <mutex>
#include <set>

namespace {

std::mutex gMutex;
std::set<ULONG_PTR> gTokens;
ULONG_PTR gNextToken = 1;

Gdiplus::Status WINAPI NotificationHook(ULONG_PTR* token) {
    if (token == nullptr) {
        return Gdiplus::InvalidParameter;
    }
    *token = 1;
    return Gdiplus::Ok;
}

void WINAPI NotificationUnhook(ULONG_PTR) {}

}  // namespace

namespace Gdiplus {

Status WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                             GdiplusStartupOutput* output) {
    if (token == nullptr || input == nullptr) {
        return InvalidParameter;
    }
    if (input->GdiplusVersion != 1) {
        return UnsupportedGdiplusVersion;
    }
    if (input->SuppressBackgroundThread) {
        if (output == nullptr) {
            return InvalidParameter;
        }
        output->NotificationHook = NotificationHook;
        output->NotificationUnhook = NotificationUnhook;
    }
    std::lock_guard<std::mutex> lock(gMutex);
    *token = gNextToken++;
    gTokens.insert(*token);
    return Ok;
}

void WINAPI GdiplusShutdown(ULONG_PTR token) {
    std::lock_guard<std::mutex> lock(gMutex);
    gTokens.erase(token);
}

}  // namespace Gdiplus

namespace gdiplusstandin {

size_t LiveStartupTokens() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gTokens.size();
}

}  // namespace gdiplusstandin
