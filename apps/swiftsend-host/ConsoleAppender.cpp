#include "ConsoleAppender.h"

#include "HostPlatform.h"

#include "SDK/Util/LogTool/LogTool.h"

#include "SDK/Util/LogTool/Log4cplus.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace demo {
namespace {

std::mutex consoleMutex;
bool progressShown = false;

void EndProgressLine() {
    if (progressShown) {
        std::fputc('\n', stdout);
        progressShown = false;
    }
}

class Console : public log4cplus::Appender {
public:
    explicit Console(bool verbose) : verbose_(verbose) {}
    ~Console() override { destructorImpl(); }
    void close() override {}

protected:
    void append(const log4cplus::spi::InternalLoggingEvent& event) override {
        std::lock_guard<std::mutex> guard(consoleMutex);
        EndProgressLine();
        const char* level = event.getLogLevel() >= log4cplus::ERROR_LOG_LEVEL ? "ERROR" : "WARN ";
        if (verbose_) {
            std::printf("%s %s [%s:%d]\n", level, event.getMessage().c_str(),
                        event.getFile().c_str(), event.getLine());
        } else {
            std::printf("%s %s\n", level, event.getMessage().c_str());
        }
        std::fflush(stdout);
    }

private:
    bool verbose_;
};

}  // namespace

void InstallConsole(bool verbose) {
    log4cplus::Logger logger = log4cplus::Logger::getInstance(LogTool::kLoggerName);
    logger.removeAllAppenders();
    log4cplus::SharedAppenderPtr console(new Console(verbose));
    console->setName("demo-console");
    logger.addAppender(console);
    logger.setLogLevel(log4cplus::WARN_LOG_LEVEL);
    logger.setAdditivity(false);
}

void ShowLiveLine(const char* prefix, const std::string& text) {
    std::lock_guard<std::mutex> guard(consoleMutex);
    // A terminal rewrites the line in place; a file or a pipe gets one plain line per change.
    static const bool terminal = StdoutIsTerminal();
    if (!terminal) {
        std::printf("%s %s\n", prefix, text.c_str());
    } else {
        std::printf("\r\033[K%s %s", prefix, text.c_str());
        progressShown = true;
    }
    std::fflush(stdout);
}

void PrintLine(const char* prefix, const std::string& text) {
    std::lock_guard<std::mutex> guard(consoleMutex);
    EndProgressLine();
    std::printf("%s %s\n", prefix, text.c_str());
    std::fflush(stdout);
}

}  // namespace demo
