// The receive side's handlers over arbitrary bodies, with their UI-thread halves run after each
// input: an offer shown, its progress, picked folder, end and failure, and the decoder's text. And
// the host's reading of a notice record: what it accepts writes back to the very same bytes.
#include "FileRecvView.h"
#include "NoticeRecordReader.h"

#include <DuiLibStandIn.h>
#include <SDK/Util/LogTool/LogTool.h>
#include <UIlib.h>
#include <Win32StandIn.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

// The decoder window lays its text out through Pango: fontconfig's process-long caches are not
// ours to free (as in tests/lsan.supp, which the fuzzing run does not read).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) {
        return 0;
    }
    static FileRecvView* view = [] {
        LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);  // refusals log every run
        duistandin::SetMainThread();
        win32standin::UseMockClock();
        DuiLib::CPaintManagerUI::SetResourcePath(L"" SWIFTSEND_RES_DIR);
        return new FileRecvView(nullptr);
    }();
    // An exact heap copy, so that any read past the end is caught.
    std::unique_ptr<char[]> block(new char[size > 0 ? size : 1]);
    if (size > 0) {
        std::memcpy(block.get(), data, size);
    }
    const auto length = static_cast<uint32_t>(size);
    view->OnRecvOffer(block.get(), length);
    view->OnRecvProgress(block.get(), length);
    view->OnFolderPicked(block.get(), length);
    view->OnRecvDone(block.get(), length);
    view->OnRecvFileFailed(block.get(), length);
    view->OnShowMirrorDecoderUI(block.get(), length);
    if (size == 0) {
        view->OnShowMirrorDecoderUI(nullptr, 0);
    }
    duistandin::RunUntilIdle();

    NoticeRecord record;
    if (demo::ReadNoticeRecord(block.get(), size, record)) {
        std::string again(NoticeRecordLength(record), '\0');
        WriteNoticeRecord(record, again.data());
        if (again != std::string(block.get(), size)) {
            std::abort();
        }
    }
    return 0;
}
