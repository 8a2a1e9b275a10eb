// Captures the records of the program-wide logger while it is alive.
#pragma once

#include "SDK/Util/LogTool/Log4cplus.h"

#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

struct LogRecord {
    int level = 0;        // 30000 WARN, 40000 ERROR
    std::string message;  // text, then "(", function name, ")"
    std::string file;     // e.g. "src\FileTransferModel"
    int line = 0;
    std::string function;  // full signature
};

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LogRecord> Records() const;
    std::vector<std::string> Messages() const;
    // True when some record's message is exactly `message`.
    bool Contains(const std::string& message) const;
    // Number of records whose message starts with `prefix`.
    size_t CountStartingWith(const std::string& prefix) const;
    void Clear();

private:
    log4cplus::SharedAppenderPtr appender_;
};

}  // namespace testsupport
