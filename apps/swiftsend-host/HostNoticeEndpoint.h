// The host's notice endpoint (0x40000) as the demo host plays it for the tray and the phone
// menus: keeps what the plug-in told it and prints one line per change. It also plays the
// host's phone window, on which the user drops files, and shows the window objects that notice
// records (0x40003) hand over, each for the record's duration.
#pragma once

#include <IPCMessageClient.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace demo {

class HostNoticeEndpoint {
public:
    using Printer = std::function<void(const std::string& line)>;

    explicit HostNoticeEndpoint(Printer printer);
    ~HostNoticeEndpoint();
    HostNoticeEndpoint(const HostNoticeEndpoint&) = delete;
    HostNoticeEndpoint& operator=(const HostNoticeEndpoint&) = delete;

    // Joins the bus as 0x40000 with callbacks for the tray and menu messages only. False when
    // already started.
    bool Start();
    // Leaves the bus; no callback (and no printer call) runs after it returns.
    void Stop();
    // UI thread: destroys the handed-over windows that are still open, before the plug-in
    // whose objects they are goes away.
    void CloseNoticeWindows();

    // Posts the files to the plug-in as the phone window does on a drop (0x1C001E: per file an
    // int32 byte length and the UTF-16LE path). False when not started or the post fails.
    bool DropFiles(const std::vector<std::wstring>& files);

    // What the plug-in told the host; -1 while it told nothing.
    int TrayState() const;                        // 0x40007: 0 unpaired, 1 paired, 2 connected
    int SendPossible() const;                     // 0x40008: 0 or 1
    int ConnectionFlag() const;                   // 0x40017: the flag byte, 0 or 1
    std::string ValidPhoneText() const;           // 0x40009, UTF-8
    std::vector<uint32_t> RemovedMenus() const;   // 0x4001A kinds, in order
    std::vector<std::wstring> MenuNames() const;  // 0x4001B texts, in order
    // 0x4001A kinds with the texts added by 0x40019 (kind, text), in order.
    std::vector<std::pair<uint32_t, std::wstring>> AddedMenus() const;
    // 0x40015 was received with the reply id for dropped files.
    bool DropTargetRegistered() const;

private:
    void OnMessage(TagIPCMessageItem& item);
    void OnNotice(TagIPCMessageItem& item);
    void Print(const std::string& line);

    Printer printer_;
    mutable std::mutex mutex_;
    int trayState_ = -1;
    int sendPossible_ = -1;
    int connectionFlag_ = -1;
    std::string validPhoneText_;
    std::vector<uint32_t> removedMenus_;
    std::vector<std::wstring> menuNames_;
    std::vector<std::pair<uint32_t, std::wstring>> addedMenus_;
    bool dropTargetRegistered_ = false;
    // Handed-over windows, UI thread only.
    std::vector<void*> noticeWindows_;
    std::unique_ptr<IPCMessageClient> client_;
};

}  // namespace demo
