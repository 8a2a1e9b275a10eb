// swiftsend-menu: what the shell's "send to phone" menu entry does. It writes one request,
// "KXSHARE_PHONE?" and the selected paths joined by "|", as one message to the SwiftSend
// listener's pipe, and closes.
#include "MenuPipe.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace swiftsendmenu;

namespace {

const std::string kPipePrefix = "\\\\.\\pipe\\";
const std::string kDefaultPipe = kPipePrefix + "PIPE_KX_MENU";
const std::string kShareCommand = "KXSHARE_PHONE";

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
        << kBusyPatienceMs / 1000 << " s for a busy listener, " << kAbsentPatienceMs / 1000
        << " s for one that is not there.\n"
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
        std::string path = absolute.lexically_normal().u8string();
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
    return Send(pipeName, request, std::cerr);
}
