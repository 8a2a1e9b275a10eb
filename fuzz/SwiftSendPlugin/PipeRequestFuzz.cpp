// The shell menu's pipe requests: parsing and dispatching arbitrary bytes.
#include "SwiftSendPlugin.h"

#include "SDK/Util/LogTool/LogTool.h"

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
    // A request with a question mark always yields at least one (possibly empty) path, and the
    // command never contains one.
    if (command.find(L'?') != std::wstring::npos) {
        std::abort();
    }
    size_t pathCharacters = 0;
    for (const std::wstring& path : paths) {
        pathCharacters += path.size();
    }
    if (pathCharacters > text.size()) {
        std::abort();
    }

    plugin->DispatchPipeRequest(text);
    return 0;
}
