// swiftsend-menu: what the shell's "send to phone" menu entry does. It writes one request,
// "KXSHARE_PHONE?" and the selected paths joined by "|", as one message to the SwiftSend
// listener's pipe, and closes.
#include <Win32StandIn.h>
#include <windows.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

const std::string kPipePrefix = "\\\\.\\pipe\\";
const std::string kDefaultPipe = kPipePrefix + "PIPE_KX_MENU";
const std::string kShareCommand = "KXSHARE_PHONE";
// How long to wait for the listener's next pipe instance, or for a busy one to come free.
constexpr ULONGLONG kPatienceMs = 1000;

enum ExitCode { kSent = 0, kFailed = 1, kNoListener = 2 };

void PrintUsage(std::ostream& out) {
    out << "usage: swiftsend-menu [--pipe NAME] FILE...\n"
           "       swiftsend-menu [--pipe NAME] --raw TEXT\n"
           "\n"
           "Sends files to the paired phone the way the shell's context menu does: writes\n"
           "\""
        << kShareCommand
        << "?\" and the absolute paths joined by \"|\" to the SwiftSend\n"
           "listener's pipe as one message.\n"
           "\n"
           "  --pipe NAME  pipe to write to (default "
        << kDefaultPipe
        << "; a bare NAME\n"
           "               means "
        << kPipePrefix
        << "NAME)\n"
           "  --raw TEXT   send TEXT unchanged instead of a request built from files\n"
           "  --help       show this text\n"
           "\n"
           "Waits up to "
        << kPatienceMs
        << " ms for the listener's pipe.\n"
           "Exit codes: 0 sent, 1 failure, 2 no listener on the pipe.\n";
}

// The request for FILES; false, with ERROR set, when a path can not be put in one.
bool BuildShareRequest(const std::vector<std::string>& files, std::string& request,
                       std::string& error) {
    request = kShareCommand + "?";
    for (size_t i = 0; i < files.size(); ++i) {
        std::error_code failure;
        std::filesystem::path absolute = std::filesystem::absolute(files[i], failure);
        if (failure) {
            error = "cannot make \"" + files[i] + "\" absolute: " + failure.message();
            return false;
        }
        std::string path = absolute.lexically_normal().string();
        if (path.find('|') != std::string::npos) {
            // The request has no way to quote the separator.
            error = "cannot send \"" + path + "\": the name contains \"|\"";
            return false;
        }
        if (i > 0) {
            request += '|';
        }
        request += path;
    }
    return true;
}

HANDLE OpenPipe(const std::wstring& name, DWORD& error) {
    const ULONGLONG deadline = GetTickCount64() + kPatienceMs;
    while (true) {
        HANDLE pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            return pipe;
        }
        error = GetLastError();
        const ULONGLONG now = GetTickCount64();
        if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PIPE_BUSY) || now >= deadline) {
            return INVALID_HANDLE_VALUE;
        }
        // The listener serves one client at a time and makes a new instance after each.
        if (error == ERROR_FILE_NOT_FOUND) {
            WaitNamedPipeW(name.c_str(), static_cast<DWORD>(deadline - now));
        }
        Sleep(10);
    }
}

int Send(const std::string& pipeName, const std::string& request) {
    DWORD error = ERROR_SUCCESS;
    HANDLE pipe = OpenPipe(win32standin::FromUtf8(pipeName), error);
    if (pipe == INVALID_HANDLE_VALUE) {
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
                std::cerr << "swiftsend-menu: no SwiftSend listener on " << pipeName
                          << ": is the host running?\n";
                return kNoListener;
            case ERROR_PIPE_BUSY:
                std::cerr << "swiftsend-menu: the SwiftSend listener on " << pipeName
                          << " stayed busy\n";
                return kFailed;
            default:
                std::cerr << "swiftsend-menu: cannot open " << pipeName << " (error " << error
                          << ")\n";
                return kFailed;
        }
    }
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(request.size());
    BOOL sent = WriteFile(pipe, request.data(), size, &written, nullptr);
    error = GetLastError();
    CloseHandle(pipe);
    if (!sent || written != size) {
        std::cerr << "swiftsend-menu: cannot write the request to " << pipeName << " (error "
                  << error << ")\n";
        return kFailed;
    }
    return kSent;
}

}  // namespace

int main(int argc, char** argv) {
    std::string pipeName = kDefaultPipe;
    std::string raw;
    bool haveRaw = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(std::cout);
            return kSent;
        } else if ((arg == "--pipe" || arg == "--raw") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--raw") {
                raw = value;
                haveRaw = true;
            } else if (value.compare(0, kPipePrefix.size(), kPipePrefix) == 0) {
                pipeName = value;
            } else {
                pipeName = kPipePrefix + value;
            }
        } else {
            std::cerr << "swiftsend-menu: "
                      << (arg == "--pipe" || arg == "--raw" ? arg + " needs a value"
                                                            : "unknown option " + arg)
                      << "\n";
            PrintUsage(std::cerr);
            return kFailed;
        }
    }
    if (haveRaw == !files.empty()) {
        std::cerr << "swiftsend-menu: " << (haveRaw ? "--raw takes no files" : "no files given")
                  << "\n";
        PrintUsage(std::cerr);
        return kFailed;
    }
    std::string request = raw;
    std::string error;
    if (!haveRaw && !BuildShareRequest(files, request, error)) {
        std::cerr << "swiftsend-menu: " << error << "\n";
        return kFailed;
    }
    return Send(pipeName, request);
}
