// Controls of the usage data reporter stand-in, for tests and the demo host.
#pragma once

#include "TandemDataReport.h"

#include <string>
#include <vector>

namespace tandemstandin {

struct ReportedEvent {
    enum Kind { Event, Begin, End };
    Kind kind = Event;
    int32_t code = 0;
    std::vector<std::string> values;  // empty for Begin and End
    bool operator==(const ReportedEvent& other) const {
        return kind == other.kind && code == other.code && values == other.values;
    }
};

// Whether GetInstance() returns a reporter (default: yes).
void SetReporterPresent(bool present);
// Events recorded so far, in order, and clearing them.
std::vector<ReportedEvent> ReportedEvents();
void ClearReportedEvents();
// Also appends every event as one JSON line to PATH ({"event":7000,"values":[...]} for events,
// {"begin":7006} and {"end":7006} for duration records). An empty path stops appending.
void SetReportFile(const std::string& path);

}  // namespace tandemstandin
