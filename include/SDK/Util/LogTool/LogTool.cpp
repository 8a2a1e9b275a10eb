#include "SDK/Util/LogTool/LogTool.h"

#include <log4cplus/configurator.h>
#include <log4cplus/consoleappender.h>
#include <log4cplus/config.hxx>
#include <log4cplus/layout.h>
#include <log4cplus/spi/loggingevent.h>

#include <unicode/unistr.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>

namespace LogTool {
namespace {

std::string ExecutableFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::string exe = Narrow(std::wstring(path, length));
    const size_t slash = exe.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool FileReadable(const std::string& path) {
    return !path.empty() && std::ifstream(path).good();
}

void ConfigureConsole(log4cplus::Logger& logger) {
    log4cplus::SharedAppenderPtr console(new log4cplus::ConsoleAppender(true));
    console->setName("console");
    console->setLayout(std::make_unique<log4cplus::PatternLayout>("%-5p %m [%F:%L %M]%n"));
    logger.addAppender(console);
    logger.setLogLevel(log4cplus::WARN_LOG_LEVEL);
}

void ConfigureOnce(log4cplus::Logger& logger) {
    // Idempotent; unlike an Initializer object, it does not shut logging down for the whole
    // process when the plug-in library is unloaded.
    log4cplus::initialize();
    if (!logger.getAllAppenders().empty()) {
        return;  // the host has configured the logger itself
    }
    const char* fromEnvironment = std::getenv("SWIFTSEND_LOG_PROPERTIES");
    std::string properties = fromEnvironment ? fromEnvironment : "";
    if (properties.empty()) {
        properties = ExecutableFolder() + "/swiftsend.log.properties";
    }
    if (FileReadable(properties)) {
        log4cplus::PropertyConfigurator::doConfigure(properties);
        return;
    }
    ConfigureConsole(logger);
}

}  // namespace

log4cplus::Logger& GetLogger() {
    static log4cplus::Logger logger = [] {
        log4cplus::Logger instance = log4cplus::Logger::getInstance(kLoggerName);
        ConfigureOnce(instance);
        return instance;
    }();
    return logger;
}

bool Configure(const std::string& propertiesPath) {
    if (!FileReadable(propertiesPath)) {
        return false;
    }
    GetLogger().removeAllAppenders();
    log4cplus::PropertyConfigurator::doConfigure(propertiesPath);
    return true;
}

std::string FunctionName(const char* prettySignature) {
    std::string signature = prettySignature ? prettySignature : "";
    static const std::string kAnonymous = "(anonymous namespace)";
    size_t open = std::string::npos;
    int depth = 0;
    size_t nameStart = 0;
    for (size_t i = 0; i < signature.size(); ++i) {
        char c = signature[i];
        if (signature.compare(i, kAnonymous.size(), kAnonymous) == 0) {
            i += kAnonymous.size() - 1;
        } else if (c == '<') {
            ++depth;
        } else if (c == '>') {
            --depth;
        } else if (c == ' ' && depth == 0) {
            nameStart = i + 1;
        } else if (c == '(' && depth == 0) {
            open = i;
            break;
        }
    }
    if (open == std::string::npos) {
        return signature;
    }
    return signature.substr(nameStart, open - nameStart);
}

void Emit(log4cplus::LogLevel level, const std::string& text, const std::string& function,
          const char* source, int line, const char* signature) {
    GetLogger().forcedLog(level, text + "(" + function + ")", source, line, signature);
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()),
                                  static_cast<int32_t>(text.size()))
        .toUTF8String(out);
    return out;
}

}  // namespace LogTool
