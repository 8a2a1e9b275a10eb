#include "TandemDataReportStandIn.h"

#include <atomic>
#include <fstream>
#include <mutex>

namespace {

class Reporter : public TandemDataReportClass {};

std::atomic<bool> present{true};
std::mutex mutex;
std::vector<tandemstandin::ReportedEvent>* events = new std::vector<tandemstandin::ReportedEvent>;
std::string* reportFile = new std::string;

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            static const char* kHex = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

bool Record(tandemstandin::ReportedEvent event) {
    std::lock_guard<std::mutex> guard(mutex);
    if (!reportFile->empty()) {
        std::ofstream file(*reportFile, std::ios::app);
        if (event.kind == tandemstandin::ReportedEvent::Event) {
            file << "{\"event\":" << event.code << ",\"values\":[";
            for (size_t i = 0; i < event.values.size(); ++i) {
                file << (i ? "," : "") << JsonString(event.values[i]);
            }
            file << "]}\n";
        } else {
            bool begin = event.kind == tandemstandin::ReportedEvent::Begin;
            file << "{\"" << (begin ? "begin" : "end") << "\":" << event.code << "}\n";
        }
    }
    events->push_back(std::move(event));
    return true;
}

}  // namespace

TandemDataReportClass* TandemDataReportClass::GetInstance() {
    static Reporter reporter;
    return present ? &reporter : nullptr;
}

bool TandemDataReportClass::Report(TandemReportTypeEnum type,
                                   const std::vector<std::string>& values) {
    return Record({tandemstandin::ReportedEvent::Event, type, values});
}

bool TandemDataReportClass::RecordBegin(TandemReportTypeEnum type) {
    return Record({tandemstandin::ReportedEvent::Begin, type, {}});
}

bool TandemDataReportClass::RecordEnd(TandemReportTypeEnum type) {
    return Record({tandemstandin::ReportedEvent::End, type, {}});
}

namespace tandemstandin {

void SetReporterPresent(bool isPresent) {
    present = isPresent;
}

std::vector<ReportedEvent> ReportedEvents() {
    std::lock_guard<std::mutex> guard(mutex);
    return *events;
}

void ClearReportedEvents() {
    std::lock_guard<std::mutex> guard(mutex);
    events->clear();
}

void SetReportFile(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex);
    *reportFile = path;
}

}  // namespace tandemstandin
