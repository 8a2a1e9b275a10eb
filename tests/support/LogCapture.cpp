#include "LogCapture.h"

#include "SDK/Util/LogTool/LogTool.h"

#include "SDK/Util/LogTool/Log4cplus.h"

#include <algorithm>

namespace testsupport {
namespace {

class MemoryAppender : public log4cplus::Appender {
public:
    ~MemoryAppender() override { destructorImpl(); }
    void close() override {}

    std::vector<LogRecord> Records() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return records_;
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(mutex_);
        records_.clear();
    }

protected:
    void append(const log4cplus::spi::InternalLoggingEvent& event) override {
        std::lock_guard<std::mutex> guard(mutex_);
        records_.push_back({event.getLogLevel(), event.getMessage(), event.getFile(),
                            event.getLine(), event.getFunction()});
    }

private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};

MemoryAppender* AsMemory(const log4cplus::SharedAppenderPtr& appender) {
    return static_cast<MemoryAppender*>(appender.get());
}

}  // namespace

LogCapture::LogCapture() : appender_(new MemoryAppender) {
    appender_->setName("capture");
    LogTool::GetLogger().addAppender(appender_);
}

LogCapture::~LogCapture() {
    LogTool::GetLogger().removeAppender(appender_);
}

std::vector<LogRecord> LogCapture::Records() const {
    return AsMemory(appender_)->Records();
}

std::vector<std::string> LogCapture::Messages() const {
    std::vector<std::string> messages;
    for (const LogRecord& record : Records()) {
        messages.push_back(record.message);
    }
    return messages;
}

bool LogCapture::Contains(const std::string& message) const {
    const std::vector<std::string> messages = Messages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

size_t LogCapture::CountStartingWith(const std::string& prefix) const {
    const std::vector<std::string> messages = Messages();
    return std::count_if(messages.begin(), messages.end(), [&](const std::string& message) {
        return message.compare(0, prefix.size(), prefix) == 0;
    });
}

void LogCapture::Clear() {
    AsMemory(appender_)->Clear();
}

}  // namespace testsupport
