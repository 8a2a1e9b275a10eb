#include "SDK/Util/LogTool/LogTool.h"

#include "SDK/Util/LogTool/Log4cplus.h"

#include <unicode/unistr.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

namespace LogTool {
namespace {

// The folder of the running program.
std::filesystem::path ExecutableFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::u8path(Narrow(std::wstring(path, length))).parent_path();
}

// The properties in the file at PATH, which is opened by its wide name on Windows (log4cplus
// would open a narrow name in the ANSI code page); false when the file cannot be read.
bool ReadProperties(const std::filesystem::path& path,
                    std::unique_ptr<log4cplus::helpers::Properties>& properties) {
    std::ifstream file(path);
    if (path.empty() || !file) {
        return false;
    }
    properties = std::make_unique<log4cplus::helpers::Properties>(file);
    return true;
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
    const std::filesystem::path file = fromEnvironment && *fromEnvironment
                                           ? std::filesystem::u8path(fromEnvironment)
                                           : ExecutableFolder() / "swiftsend.log.properties";
    std::unique_ptr<log4cplus::helpers::Properties> properties;
    if (ReadProperties(file, properties)) {
        log4cplus::PropertyConfigurator(*properties).configure();
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
    std::unique_ptr<log4cplus::helpers::Properties> properties;
    if (!ReadProperties(std::filesystem::u8path(propertiesPath), properties)) {
        return false;
    }
    GetLogger().removeAllAppenders();
    log4cplus::PropertyConfigurator(*properties).configure();
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
    // Wide text is UTF-16 where wchar_t has 16 bits (Windows) and UTF-32 where it has 32.
    const auto length = static_cast<int32_t>(text.size());
    const icu::UnicodeString unicode =
        sizeof(wchar_t) == sizeof(UChar)
            ? icu::UnicodeString(reinterpret_cast<const UChar*>(text.data()), length)
            : icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()), length);
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

}  // namespace LogTool
