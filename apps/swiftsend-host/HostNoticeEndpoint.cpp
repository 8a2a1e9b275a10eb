#include "HostNoticeEndpoint.h"

#include "BusPost.h"
#include "DataStream.h"
#include "IPCMessageIds.h"
#include "NoticeRecordReader.h"
#include "Utf16Le.h"

#include <DuiLibStandIn.h>
#include <Registry.h>
#include <UIlib.h>
#include <windows.h>

#include <utility>

namespace demo {
namespace {

const char* MenuKindName(uint32_t kind) {
    switch (kind) {
        case 0:
            return "album";
        case 1:
            return "video";
        case 2:
            return "music";
        default:
            return "unknown";
    }
}

const char* TrayStateName(int state) {
    switch (state) {
        case 0:
            return "unpaired";
        case 1:
            return "paired";
        case 2:
            return "connected";
        default:
            return "unknown";
    }
}

}  // namespace

HostNoticeEndpoint::HostNoticeEndpoint(Printer printer) : printer_(std::move(printer)) {}

HostNoticeEndpoint::~HostNoticeEndpoint() {
    Stop();
}

bool HostNoticeEndpoint::Start() {
    if (client_) {
        return false;
    }
    client_ =
        std::make_unique<IPCMessageClient>(static_cast<int>(kEndpointHostNotice), true, false);
    for (uint32_t id : {kMsgHostConnectionState, kMsgHostSendPossible, kMsgHostValidPhoneText,
                        kMsgHostDropTarget, kMsgHostConnectionFlag, kMsgHostAddPhoneMenu,
                        kMsgHostRemovePhoneMenu, kMsgHostMenuName}) {
        client_->RegisterMessageCallback(id, [this](TagIPCMessageItem& item) { OnMessage(item); });
    }
    client_->RegisterMessageCallback(kMsgHostNotice,
                                     [this](TagIPCMessageItem& item) { OnNotice(item); });
    return true;
}

void HostNoticeEndpoint::OnNotice(TagIPCMessageItem& item) {
    NoticeRecord record;
    if (!ReadNoticeRecord(item.data, item.data != nullptr ? item.dataLength : 0, record)) {
        Print("notice record unreadable (" + std::to_string(item.dataLength) + " bytes)");
        return;
    }
    if (record.type != kNoticeTypeWindow || record.window == 0 || record.handle != record.window) {
        Print("notice of type " + std::to_string(record.type) + " ignored");
        return;
    }
    const uint32_t durationMs = record.durationMs;
    auto* window = reinterpret_cast<DuiLib::WindowImplBase*>(static_cast<uintptr_t>(record.window));
    // The window is the plug-in's object; it is created, shown and closed on the UI thread.
    DuiLib::UIMainQueue::getInstance()->dispatch([this, window, durationMs] {
        HWND hwnd = window->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW);
        if (hwnd == nullptr) {
            Print("notice window could not be created");
            return;
        }
        window->ShowWindow(true, false);
        noticeWindows_.push_back(hwnd);
        Print("notice window shown for " + std::to_string(durationMs) + " ms");
        duistandin::ScheduleAt(GetTickCount64() + durationMs, [this, hwnd] {
            // Handles are never reused: a window its owner closed meanwhile gets nothing.
            if (IsWindow(hwnd)) {
                PostMessageW(hwnd, WM_CLOSE, 1, 0);
                Print("notice window closed after its time");
            }
        });
    });
}

void HostNoticeEndpoint::CloseNoticeWindows() {
    for (void* handle : noticeWindows_) {
        HWND hwnd = static_cast<HWND>(handle);
        if (IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
    }
    noticeWindows_.clear();
}

void HostNoticeEndpoint::Stop() {
    if (!client_) {
        return;
    }
    client_->UnRegisterMessageCallbackAll();
    client_.reset();
}

bool HostNoticeEndpoint::DropFiles(const std::vector<std::wstring>& files) {
    if (!client_) {
        return false;
    }
    std::string records;
    for (const std::wstring& file : files) {
        const std::string bytes = Vela::Ux::EncodeUtf16Le(file, false);
        const uint32_t n = static_cast<uint32_t>(bytes.size());
        for (int shift = 0; shift < 32; shift += 8) {
            records.push_back(static_cast<char>((n >> shift) & 0xFF));
        }
        records += bytes;
    }
    return demo::PostFrom(*client_, kEndpointHostNotice, kEndpointPlugin, kMsgDroppedFiles,
                          records.data(), records.size());
}

void HostNoticeEndpoint::OnMessage(TagIPCMessageItem& item) {
    const char* data = item.data;
    const uint32_t length = data != nullptr ? static_cast<uint32_t>(item.dataLength) : 0;
    tandem::IpcBufferBuild channel(const_cast<char*>(data), length, true);
    std::unique_ptr<tandem::DataStream> stream = tandem::CreateDataStream(&channel);
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        switch (item.messageId) {
            case kMsgHostConnectionState: {
                int32_t state = 0;
                if (stream->ReadInt32(state) == 4 && state != trayState_) {
                    trayState_ = state;
                    lines.push_back(std::string("tray: ") + TrayStateName(state));
                }
                break;
            }
            case kMsgHostSendPossible: {
                uint8_t value = 0;
                if (stream->ReadUInt8(value) == 1 && (value != 0 ? 1 : 0) != sendPossible_) {
                    sendPossible_ = value != 0 ? 1 : 0;
                    lines.push_back(value != 0 ? "send to phone: possible"
                                               : "send to phone: not possible");
                }
                break;
            }
            case kMsgHostConnectionFlag: {
                int32_t one = 0;
                uint8_t flag = 0;
                if (stream->ReadInt32(one) == 4 && stream->ReadUInt8(flag) == 1 &&
                    (flag != 0 ? 1 : 0) != connectionFlag_) {
                    connectionFlag_ = flag != 0 ? 1 : 0;
                    lines.push_back(flag != 0 ? "connection flag: connected"
                                              : "connection flag: disconnected");
                }
                break;
            }
            case kMsgHostValidPhoneText: {
                std::string text = data != nullptr ? std::string(data, length) : std::string();
                if (text != validPhoneText_) {
                    validPhoneText_ = text;
                    lines.push_back("valid phone: " + text);
                }
                break;
            }
            case kMsgHostDropTarget:
                if (!dropTargetRegistered_ && item.replyId == kMsgDroppedFiles) {
                    dropTargetRegistered_ = true;
                    lines.push_back("drop target registered");
                }
                break;
            case kMsgHostRemovePhoneMenu: {
                int32_t kind = 0;
                if (stream->ReadInt32(kind) == 4) {
                    removedMenus_.push_back(static_cast<uint32_t>(kind));
                    lines.push_back(std::string("menu removed: ") +
                                    MenuKindName(static_cast<uint32_t>(kind)));
                }
                break;
            }
            case kMsgHostAddPhoneMenu: {
                int32_t kind = 0;
                int32_t bytes = 0;
                if (stream->ReadInt32(kind) == 4 && stream->ReadInt32(bytes) == 4 && bytes >= 0 &&
                    static_cast<uint32_t>(bytes) <= length - 8) {
                    std::wstring text =
                        Vela::Ux::DecodeUtf16Le(data + 8, static_cast<uint32_t>(bytes));
                    lines.push_back(std::string("menu added: ") +
                                    MenuKindName(static_cast<uint32_t>(kind)) + " \"" +
                                    DE::UnicodeToUTF8(text) + "\"");
                    addedMenus_.emplace_back(static_cast<uint32_t>(kind), std::move(text));
                }
                break;
            }
            case kMsgHostMenuName: {
                // The same id carries the decoder window's repair command (reply id unset);
                // only menu names are the tray's business.
                if (item.replyId == kReplyIdUnset) {
                    lines.push_back("fix function requested (para /doctor)");
                    break;
                }
                // UTF-16LE with its terminator; the text ends at the first NUL.
                std::wstring text = Vela::Ux::DecodeUtf16Le(data, length);
                const size_t end = text.find(L'\0');
                if (end != std::wstring::npos) {
                    text.resize(end);
                }
                lines.push_back("menu name: " + DE::UnicodeToUTF8(text));
                menuNames_.push_back(std::move(text));
                break;
            }
            default:
                break;
        }
    }
    for (const std::string& line : lines) {
        Print(line);
    }
}

void HostNoticeEndpoint::Print(const std::string& line) {
    if (printer_) {
        printer_(line);
    }
}

int HostNoticeEndpoint::TrayState() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return trayState_;
}

int HostNoticeEndpoint::SendPossible() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return sendPossible_;
}

int HostNoticeEndpoint::ConnectionFlag() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return connectionFlag_;
}

std::string HostNoticeEndpoint::ValidPhoneText() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return validPhoneText_;
}

std::vector<uint32_t> HostNoticeEndpoint::RemovedMenus() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return removedMenus_;
}

std::vector<std::wstring> HostNoticeEndpoint::MenuNames() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return menuNames_;
}

std::vector<std::pair<uint32_t, std::wstring>> HostNoticeEndpoint::AddedMenus() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return addedMenus_;
}

bool HostNoticeEndpoint::DropTargetRegistered() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return dropTargetRegistered_;
}

}  // namespace demo
