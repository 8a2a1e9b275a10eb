// The demo host's trace: one JSON object per line for every message that crosses the bus and
// every usage event the plug-in reports.
#pragma once

#include <string>

namespace demo {

// Starts appending to PATH (truncated first). Returns false when the file cannot be written.
bool StartTrace(const std::string& path);
void StopTrace();

}  // namespace demo
