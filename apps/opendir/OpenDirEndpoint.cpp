#include "OpenDirEndpoint.h"

#include "IPCMessageIds.h"

#include <utility>

namespace opendir {
namespace {

// The text of a NUL-terminated payload (all of it when there is no NUL).
std::string TextOf(const TagIPCMessageItem& item) {
    if (item.data == nullptr || item.dataLength == 0) {
        return std::string();
    }
    const std::string bytes(item.data, static_cast<size_t>(item.dataLength));
    return bytes.substr(0, bytes.find('\0'));
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
           (path[folder.size()] == '\\' || path[folder.size()] == '/');
}

}  // namespace

Selection ParseSelection(const std::string& text) {
    std::vector<size_t> bars;
    for (size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 1)) {
        bars.push_back(at);
    }
    Selection selection;
    // The longest folder for which the text after it is a list of paths inside it.
    for (auto bar = bars.rbegin(); bar != bars.rend() && selection.folder.empty(); ++bar) {
        const std::string folder = text.substr(0, *bar);
        const std::string prefix = "|" + folder;
        if (!StartsWithFolder(text.substr(*bar + 1), folder)) {
            continue;
        }
        selection.folder = folder;
        size_t start = *bar + 1;
        while (start <= text.size()) {
            size_t next = text.find(prefix, start);
            while (next != std::string::npos && !StartsWithFolder(text.substr(next + 1), folder)) {
                next = text.find(prefix, next + 1);
            }
            selection.files.push_back(text.substr(start, next - start));
            if (next == std::string::npos) {
                break;
            }
            start = next + 1;
        }
    }
    if (selection.folder.empty()) {
        // Files outside the folder: plain bar-separated fields, the folder first.
        size_t start = 0;
        for (size_t bar : bars) {
            selection.files.push_back(text.substr(start, bar - start));
            start = bar + 1;
        }
        selection.files.push_back(text.substr(start));
        selection.folder = selection.files.front();
        selection.files.erase(selection.files.begin());
    }
    return selection;
}

OpenDirEndpoint::OpenDirEndpoint(Printer printer) : printer_(std::move(printer)) {}

OpenDirEndpoint::~OpenDirEndpoint() {
    Stop();
}

bool OpenDirEndpoint::Start() {
    if (client_) {
        return false;
    }
    client_ =
        std::make_unique<IPCMessageClient>(static_cast<int>(kEndpointFolderHelper), true, false);
    for (uint32_t id : {kMsgFolderOpenPicker, kMsgFolderClosePicker, kMsgFolderOpenAndSelect}) {
        client_->RegisterMessageCallback(id, [this](TagIPCMessageItem& item) { OnMessage(item); });
    }
    return true;
}

void OpenDirEndpoint::Stop() {
    if (!client_) {
        return;
    }
    client_->UnRegisterMessageCallbackAll();
    client_.reset();
}

bool OpenDirEndpoint::IsPickerOpen() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return pickerOpen_;
}

std::string OpenDirEndpoint::PickerFolder() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return pickerFolder_;
}

std::vector<Selection> OpenDirEndpoint::Selections() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return selections_;
}

void OpenDirEndpoint::SetOnPickerClosed(std::function<void()> callback) {
    std::lock_guard<std::mutex> guard(mutex_);
    onPickerClosed_ = std::move(callback);
}

void OpenDirEndpoint::SetChoice(const std::string& folder) {
    std::lock_guard<std::mutex> guard(mutex_);
    choice_ = folder;
}

void OpenDirEndpoint::OnMessage(TagIPCMessageItem& item) {
    const std::string text = TextOf(item);
    if (item.messageId == kMsgFolderOpenPicker) {
        std::string picked;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            pickerOpen_ = true;
            pickerFolder_ = text;
            picked = choice_.empty() ? text : choice_;
        }
        printer_("picker: open at " + text);
        std::string reply = picked;
        reply.push_back('\0');
        TagIPCMessageItem answer;
        answer.destination = item.source;
        answer.source = kEndpointFolderHelper;
        answer.messageId = kMsgFolderPicked;
        answer.replyId = kReplyIdUnset;
        answer.data = reply.data();
        answer.dataLength = reply.size();
        if (client_ && client_->PostIPCMessage(answer)) {
            printer_("picker: picked " + picked);
        }
    } else if (item.messageId == kMsgFolderClosePicker) {
        std::function<void()> closed;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            pickerOpen_ = false;
            closed = onPickerClosed_;
        }
        printer_("picker: closed");
        if (closed) {
            closed();
        }
    } else if (item.messageId == kMsgFolderOpenAndSelect) {
        Selection selection = ParseSelection(text);
        std::string line = "open " + selection.folder + ", select";
        for (const std::string& file : selection.files) {
            line += " [" + file + "]";
        }
        {
            std::lock_guard<std::mutex> guard(mutex_);
            selections_.push_back(std::move(selection));
        }
        printer_(line);
    }
}

}  // namespace opendir
