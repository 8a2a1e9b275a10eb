// The receive side's handlers reading arbitrary bodies, without showing anything: an offer, its
// progress, its end, the picked folder and the failure. What a handler hands to the UI thread is
// dropped unrun, so no window is made and many inputs run a second (fuzz_FileRecvView shows
// them).
#include "FileRecvView.h"

#include <DuiLibStandIn.h>
#include <SDK/Util/LogTool/LogTool.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) {
        return 0;
    }
    static FileRecvView* view = [] {
        LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);  // refusals log every run
        duistandin::SetMainThread();
        return new FileRecvView(nullptr);
    }();
    // An exact heap copy, so that any read past the end is caught.
    std::unique_ptr<char[]> block(new char[size > 0 ? size : 1]);
    if (size > 0) {
        std::memcpy(block.get(), data, size);
    }
    char* body = size > 0 ? block.get() : nullptr;
    const auto length = static_cast<uint32_t>(size);
    view->OnRecvOffer(body, length);
    view->OnRecvProgress(body, length);
    view->OnRecvDone(body, length);
    view->OnFolderPicked(body, length);
    view->OnRecvFileFailed(body, length);
    duistandin::DiscardPending();
    return 0;
}
