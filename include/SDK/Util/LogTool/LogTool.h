// Logging macros of the plug-in.
//
// Every record goes through one program-wide log4cplus logger. A record's message is the
// text followed by "(", the function name and ")"; its file is the source name of the
// component (for example "src\FileTransferModel"), its line the line of the call and its
// function the full signature.
//
//   LOG_WARN("connected: " << value);
//   LOG_ERROR_FN("FileTransferModelHelper::OnIPCResponse", "src buf null");
#pragma once

#include "SDK/Util/LogTool/Log4cplus.h"

#include <sstream>
#include <string>

#ifndef LOGTOOL_SOURCE
#define LOGTOOL_SOURCE "src"
#endif

namespace LogTool {

// The name of the program-wide logger.
inline constexpr const char* kLoggerName = "SwiftSend";

// The program-wide logger. On first use it is configured from the host's properties file
// ("swiftsend.log.properties" beside the executable, or the file named by the environment
// variable SWIFTSEND_LOG_PROPERTIES); without one it writes to the console.
log4cplus::Logger& GetLogger();

// Configures logging from a log4cplus properties file (a UTF-8 path); false when the file cannot
// be read.
bool Configure(const std::string& propertiesPath);

// "Vela::Ux::SwiftSendPlugin::Initialize" from "bool Vela::Ux::SwiftSendPlugin::Initialize(void*)".
std::string FunctionName(const char* prettySignature);

// Writes one record in the form described above.
void Emit(log4cplus::LogLevel level, const std::string& text, const std::string& function,
          const char* source, int line, const char* signature);

// UTF-8 form of a wide text, for log messages.
std::string Narrow(const std::wstring& text);

}  // namespace LogTool

#define LOGTOOL_LOG(level, function, expr)                                                 \
    do {                                                                                   \
        log4cplus::Logger& logtoolLogger_ = ::LogTool::GetLogger();                        \
        if (logtoolLogger_.isEnabledFor(level)) {                                          \
            std::ostringstream logtoolText_;                                               \
            logtoolText_ << expr;                                                          \
            ::LogTool::Emit(level, logtoolText_.str(), function, LOGTOOL_SOURCE, __LINE__, \
                            __PRETTY_FUNCTION__);                                          \
        }                                                                                  \
    } while (false)

// Records named after the enclosing function.
#define LOG_WARN(expr) \
    LOGTOOL_LOG(log4cplus::WARN_LOG_LEVEL, ::LogTool::FunctionName(__PRETTY_FUNCTION__), expr)
#define LOG_ERROR(expr) \
    LOGTOOL_LOG(log4cplus::ERROR_LOG_LEVEL, ::LogTool::FunctionName(__PRETTY_FUNCTION__), expr)

// Records that name their function explicitly.
#define LOG_WARN_FN(function, expr) LOGTOOL_LOG(log4cplus::WARN_LOG_LEVEL, function, expr)
#define LOG_ERROR_FN(function, expr) LOGTOOL_LOG(log4cplus::ERROR_LOG_LEVEL, function, expr)
