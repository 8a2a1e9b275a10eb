#include "Trace.h"

#include <IPCMessageStandIn.h>
#include <TandemDataReportStandIn.h>

#include <fstream>
#include <mutex>

namespace demo {
namespace {

std::mutex traceMutex;
std::ofstream* traceFile = nullptr;

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

void WriteMessage(const ipcstandin::TracedMessage& message) {
    std::lock_guard<std::mutex> guard(traceMutex);
    if (traceFile == nullptr) {
        return;
    }
    *traceFile << "{\"from\":" << message.source << ",\"to\":" << message.destination
               << ",\"id\":" << message.messageId << ",\"reply\":" << message.replyId
               << ",\"len\":" << message.dataLength << ",\"data\":\"" << Hex(message.data) << "\"}"
               << std::endl;
}

}  // namespace

bool StartTrace(const std::string& path) {
    {
        std::lock_guard<std::mutex> guard(traceMutex);
        delete traceFile;
        std::ofstream(path, std::ios::trunc).close();
        // Appending, as the reporter appends its own lines to the same file.
        traceFile = new std::ofstream(path, std::ios::app);
        if (!traceFile->good()) {
            delete traceFile;
            traceFile = nullptr;
            return false;
        }
    }
    ipcstandin::SetTraceHook(WriteMessage);
    // Usage events go to the same file; the reporter appends its own lines.
    tandemstandin::SetReportFile(path);
    return true;
}

void StopTrace() {
    ipcstandin::SetTraceHook(nullptr);
    tandemstandin::SetReportFile("");
    std::lock_guard<std::mutex> guard(traceMutex);
    delete traceFile;
    traceFile = nullptr;
}

}  // namespace demo
