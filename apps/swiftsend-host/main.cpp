// The demo host: loads the plug-in library as the desktop host does, runs the UI loop on its
// main thread, plays the other endpoints of the bus (the tandem service, the host's notice
// endpoint) and drives the plug-in through its whole lifecycle.
#include "ConsoleAppender.h"
#include "DemoPhone.h"
#include "HostPlatform.h"
#include "HostNoticeEndpoint.h"
#include "OpenDirEndpoint.h"
#include "PairingServiceSim.h"
#include "ShareServiceSim.h"
#include "Trace.h"
#include "UiObserver.h"

#include <BluetoothManage.h>
#include <DuiLibStandIn.h>
#include <IPCMessageStandIn.h>
#include <OrvPluginsManager.h>
#include <Registry.h>
#include <TandemUtilStandIn.h>
#include <UIlib.h>
#include <WifiManage.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr char kPluginId[] = "vela.plugin.swiftsend";
constexpr wchar_t kPluginModule[] = L"SwiftSendPlugin.dll";

// A paired phone for runs without --registry; keys under HKEY_CURRENT_USER are the current
// user's keys.
struct Options {
    std::string trace;
    std::string registry;
    double seconds = 10;
    std::string scenario;
    uint64_t linkBytesPerSecond = 8u << 20;
    std::vector<std::wstring> drop;
    bool verbose = false;
    std::string snapshots;
    std::string uiTrace;
    std::vector<demo::TimedClick> clicks;
    bool confirmBoxes = false;
    std::string locale = "en";
};

std::atomic<bool> interrupted{false};

void OnSignal(int) {
    interrupted = true;
}

// Prints every state change of the simulated radios, so that a confirmed restart is seen.
class RadioPrinter
    : public ConnectKitWifi::WifiManage::IWifiStateChangeNotification,
      public ConnectKitBluetooth::BluetoothManage::IBluetoothStateChangeNotification {
public:
    explicit RadioPrinter(const char* name) : name(name) {}
    void OnStateChanged(int state) override {
        demo::PrintLine("radio:",
                        std::string(name) + (state == 1   ? " on"
                                             : state == 2 ? " off"
                                                          : " state " + std::to_string(state)));
    }

private:
    const char* name;
};

// Message boxes print their text; with CONFIRM each is confirmed on the UI thread, which runs
// its action against the simulated radios.
void WatchMessageBoxes(bool confirm) {
    static std::atomic<size_t> shown{0};
    tandemstandin::SetMessageBoxObserver([confirm](const tandemstandin::ShownMessageBox& box) {
        const size_t index = shown++;
        demo::PrintLine("host:", "message box " + box.key + ": " + DE::UnicodeToUTF8(box.text));
        if (confirm) {
            DuiLib::UIMainQueue::getInstance()->dispatch([index] {
                demo::PrintLine("host:", "message box confirmed");
                tandemstandin::ConfirmMessageBox(index);
            });
        }
    });
}

void Usage() {
    std::printf(
        "usage: swiftsend-host [--seconds N] [--trace FILE] [--registry FILE]\n"
        "                      [--scenario ok|fail|reject|recvcancel|radio-off|busy]\n"
        "                      [--speed BYTES_PER_SECOND] [--drop FILE...] [--verbose]\n"
        "                      [--snapshots DIR] [--ui-trace FILE] [--click CONTROL@SECONDS]...\n"
        "                      [--confirm-boxes] [--locale en|pl|ar]\n"
        "Notice scenarios: restart-needed, bt-fault, channel-busy, wlan-disconnected,\n"
        "decoder-error, decoder-error-text, recv-fail, receive-offer (pick a folder with\n"
        "--click file_recv_dialog_save_button@SECONDS, accept with\n"
        "--click file_recv_dialog_accept_button@SECONDS).\n"
        "Loads the plug-in, plays the tandem service and the host's endpoints, runs for N seconds\n"
        "(or until Ctrl+C) and shuts the plug-in down. Send files with: swiftsend-menu FILE...\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "swiftsend-host: %s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            Usage();
            std::exit(0);
        } else if (arg == "--trace") {
            const char* v = value("--trace");
            if (!v)
                return false;
            options.trace = v;
        } else if (arg == "--registry") {
            const char* v = value("--registry");
            if (!v)
                return false;
            options.registry = v;
        } else if (arg == "--seconds") {
            const char* v = value("--seconds");
            if (!v)
                return false;
            options.seconds = std::atof(v);
        } else if (arg == "--scenario") {
            const char* v = value("--scenario");
            if (!v)
                return false;
            options.scenario = v;
        } else if (arg == "--speed") {
            const char* v = value("--speed");
            if (!v)
                return false;
            options.linkBytesPerSecond = std::strtoull(v, nullptr, 10);
        } else if (arg == "--snapshots") {
            const char* v = value("--snapshots");
            if (!v) {
                return false;
            }
            options.snapshots = v;
        } else if (arg == "--ui-trace") {
            const char* v = value("--ui-trace");
            if (!v) {
                return false;
            }
            options.uiTrace = v;
        } else if (arg == "--click") {
            const char* v = value("--click");
            const char* at = v ? std::strrchr(v, '@') : nullptr;
            if (!at || at == v) {
                std::fprintf(stderr, "swiftsend-host: --click wants CONTROL@SECONDS\n");
                return false;
            }
            demo::TimedClick click;
            const std::string name(v, at);
            click.control.assign(name.begin(), name.end());
            click.atMs = static_cast<uint64_t>(std::strtod(at + 1, nullptr) * 1000);
            options.clicks.push_back(click);
        } else if (arg == "--locale") {
            const char* v = value("--locale");
            if (!v) {
                return false;
            }
            options.locale = v;
        } else if (arg == "--confirm-boxes") {
            options.confirmBoxes = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--drop") {
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                std::error_code error;
                const std::filesystem::path file = std::filesystem::u8path(argv[++i]);
                const std::filesystem::path absolute = std::filesystem::absolute(file, error);
                options.drop.push_back(
                    DE::UTF8ToUnicode((error ? file : absolute).lexically_normal().u8string()));
            }
        } else {
            std::fprintf(stderr, "swiftsend-host: unknown option %s\n", arg.c_str());
            Usage();
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return 2;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    duistandin::SetMainThread();
    demo::InstallConsole(options.verbose);
    // The user's language: its string table beside the binaries, its plural rules, direction.
    duistandin::SetLocale(options.locale);
    if (!duistandin::LoadCultureStrings(duistandin::DefaultStringTablePath())) {
        std::fprintf(stderr, "swiftsend-host: no string table for locale %s\n",
                     options.locale.c_str());
        return 2;
    }

    bool registryLoaded = options.registry.empty()
                              ? demo::LoadRegistryText(demo::kPairedPhoneRegistry)
                              : demo::LoadRegistryFile(options.registry);
    if (!registryLoaded) {
        std::fprintf(stderr, "swiftsend-host: cannot read registry file %s\n",
                     options.registry.c_str());
        return 2;
    }
    if (!options.trace.empty() && !demo::StartTrace(options.trace)) {
        std::fprintf(stderr, "swiftsend-host: cannot write trace file %s\n", options.trace.c_str());
        return 2;
    }

    // Skins and pictures of the plug-in's windows: the resource folder beside the binaries.
    {
        wchar_t exe[MAX_PATH];
        std::wstring folder(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
        folder = folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"res";
        DuiLib::CPaintManagerUI::SetResourcePath(folder.c_str());
    }
    demo::UiObserver observer(options.snapshots, options.uiTrace, options.clicks);
    if (!observer.Ok()) {
        std::fprintf(stderr, "swiftsend-host: cannot write %s\n", options.uiTrace.c_str());
        return 2;
    }
    if (!options.snapshots.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.snapshots, error);
        if (error) {
            std::fprintf(stderr, "swiftsend-host: cannot make %s\n", options.snapshots.c_str());
            return 2;
        }
    }

    WatchMessageBoxes(options.confirmBoxes);
    RadioPrinter wifiPrinter("wifi");
    RadioPrinter bluetoothPrinter("bluetooth");
    ConnectKitWifi::WifiManage::GetInstance()->RegistWifiStateChangeCallback(&wifiPrinter);
    ConnectKitBluetooth::BluetoothManage::GetInstance()->RegistBluetoothStateChangeCallback(
        &bluetoothPrinter);

    // The other endpoints of the bus: the tandem service and the host's notice endpoint.
    ShareServiceSim shareService(options.scenario, options.linkBytesPerSecond);
    shareService.onReceiveAnswer = [](const std::string& answer) {
        demo::PrintLine("service:", "receive offer " + answer);
    };
    demo::PairingServiceSim pairingService(true, true);
    // The folder helper the receive dialog starts: its picker and folder opener.
    opendir::OpenDirEndpoint folderHelper(
        [](const std::string& line) { demo::PrintLine("opendir:", line); });
    // The folder the user picks when the receive dialog's picker opens.
    folderHelper.SetChoice("/tmp/swiftsend-picked");
    demo::HostNoticeEndpoint hostNotices(
        [](const std::string& line) { demo::PrintLine("host:", line); });
    if (!shareService.Start() || !pairingService.Start() || !hostNotices.Start() ||
        !folderHelper.Start()) {
        std::fprintf(stderr, "swiftsend-host: cannot start the simulated endpoints\n");
        return 1;
    }

    // Loading the library registers its factory with the plug-in manager.
    HMODULE module = LoadLibraryW(kPluginModule);
    if (module == nullptr) {
        std::fprintf(stderr, "swiftsend-host: cannot load the plug-in library\n");
        return 1;
    }
    std::shared_ptr<OrvPlugin> plugin = OrvPluginsManager::CreatePlugin(kPluginId);
    if (!plugin) {
        std::fprintf(stderr, "swiftsend-host: the plug-in did not register\n");
        FreeLibrary(module);
        return 1;
    }
    int hostContext = 0;
    bool initialized = plugin->Initialize(&hostContext);
    bool started = plugin->Start();
    demo::PrintLine("host:", std::string("plug-in initialized=") + (initialized ? "yes" : "no") +
                                 " started=" + (started ? "yes" : "no") +
                                 "; send files with: swiftsend-menu FILE...");

    if (!options.drop.empty()) {
        // Let the UI thread build the send side first, as the host's window would appear later.
        duistandin::RunUntil([] { return false; }, std::chrono::milliseconds(300));
        demo::PrintLine("host:", "dropping " + std::to_string(options.drop.size()) +
                                     " file(s) on the phone window");
        hostNotices.DropFiles(options.drop);
    }

    // Once the UI thread has built the plug-in's windows and dispatchers, a notice scenario plays.
    duistandin::RunUntil([] { return false; }, std::chrono::milliseconds(300));
    if (shareService.PlayNotice()) {
        demo::PrintLine("host:", "service notice played: " + options.scenario);
        // A second WLAN notice once the first window is up replaces it.
        if (options.scenario == "wlan-disconnected") {
            duistandin::RunUntil([] { return false; }, std::chrono::milliseconds(1000));
            shareService.PlayNotice();
            demo::PrintLine("host:", "service notice played again: " + options.scenario);
        }
    }

    const auto begin = std::chrono::steady_clock::now();
    const auto deadline =
        begin + std::chrono::milliseconds(static_cast<int64_t>(options.seconds * 1000));
    duistandin::RunUntil(
        [&] {
            const auto now = std::chrono::steady_clock::now();
            observer.Poll(static_cast<uint64_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(now - begin).count()));
            return interrupted.load() || now >= deadline;
        },
        std::chrono::hours(24 * 365), std::chrono::milliseconds(20));

    if (!options.snapshots.empty()) {
        demo::PrintLine("host:",
                        observer.WriteAnimation()
                            ? "animated picture: " + options.snapshots + "/FileTransferDialog.png"
                            : "no animated picture (needs two pictures, and apngasm on Linux)");
    }
    demo::PrintLine("host:", "stopping the plug-in");
    hostNotices.CloseNoticeWindows();
    duistandin::RunUntilIdle();
    plugin->Stop();
    plugin->Uninitialize();
    plugin.reset();
    ipcstandin::WaitUntilIdle(std::chrono::seconds(5));
    duistandin::RunUntilIdle();
    FreeLibrary(module);
    folderHelper.Stop();
    hostNotices.Stop();
    pairingService.Stop();
    shareService.Stop();
    ConnectKitWifi::WifiManage::GetInstance()->UnRegistWifiStateChangeCallback(&wifiPrinter);
    ConnectKitBluetooth::BluetoothManage::GetInstance()->UnRegistBluetoothStateChangeCallback(
        &bluetoothPrinter);
    tandemstandin::SetMessageBoxObserver(nullptr);
    demo::StopTrace();
    demo::PrintLine("host:", "done");
    return 0;
}
