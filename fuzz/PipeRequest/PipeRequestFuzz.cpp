// The shell menu's pipe requests: parsing and dispatching arbitrary bytes.
#include "SwiftSendPlugin.h"

#include "SDK/Util/LogTool/LogTool.h"

#include <Registry.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The plug-in with the listener's dispatch step in reach.
class Dispatcher : public Vela::Ux::SwiftSendPlugin {
public:
    using SwiftSendPlugin::DispatchPipeRequest;
};

Dispatcher* plugin = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every request that reaches the share command logs that no model exists yet; keep quiet.
    LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);
    plugin = new Dispatcher();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::wstring command;
    std::vector<std::wstring> paths;
    Vela::Ux::SwiftSendPlugin::ParsePipeRequest(text, command, paths);
    // A request whose text (well-formed UTF-8) has a question mark yields at least one, possibly
    // empty, path; the command never contains one; and the command, the question mark and the
    // paths joined by bars are the text again.
    const std::wstring wide = DE::UTF8ToUnicode(text);
    if (paths.empty() != (wide.find(L'?') == std::wstring::npos) ||
        command.find(L'?') != std::wstring::npos) {
        std::abort();
    }
    if (!paths.empty()) {
        std::wstring joined = command + L'?';
        for (size_t i = 0; i < paths.size(); ++i) {
            joined += (i > 0 ? L"|" : L"") + paths[i];
        }
        if (joined != wide) {
            std::abort();
        }
    }

    plugin->DispatchPipeRequest(text);
    return 0;
}
