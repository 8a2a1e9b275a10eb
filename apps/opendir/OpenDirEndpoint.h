// The folder helper's side of the bus (endpoint 0x350000): the receive dialog's folder picker
// and folder opener.
//
// - 0x350003 (UTF-8 folder with its NUL): opens the picker at that folder. There is no desktop
//   here to pick on, so the picker settles at once on the folder set with SetChoice, else on
//   the folder it was opened at, and reports it to the sender with kMsgFolderPicked, in the
//   same form (an empty text would say that the picker closed without a choice).
// - 0x350002: closes the picker.
// - 0x350005 (UTF-8 "folder|file|file..." with its NUL): shows the folder with the files
//   selected; here it records and prints what it would select. Bars are not escaped, so the
//   folder is the longest leading part that every file path starts with ("folder" + separator)
//   and the files are split where the next path of that folder starts.
#pragma once

#include <IPCMessageClient.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace opendir {

struct Selection {
    std::string folder;
    std::vector<std::string> files;
};

// Splits the text of 0x350005 (without its NUL) as described above.
Selection ParseSelection(const std::string& text);

class OpenDirEndpoint {
public:
    using Printer = std::function<void(const std::string& line)>;

    explicit OpenDirEndpoint(Printer printer);
    ~OpenDirEndpoint();
    OpenDirEndpoint(const OpenDirEndpoint&) = delete;
    OpenDirEndpoint& operator=(const OpenDirEndpoint&) = delete;

    // Joins the bus as 0x350000. False when already started.
    bool Start();
    // Leaves the bus; no callback runs after it returns.
    void Stop();

    bool IsPickerOpen() const;
    std::string PickerFolder() const;
    std::vector<Selection> Selections() const;
    // Called when the picker closes (the program ends then).
    void SetOnPickerClosed(std::function<void()> callback);
    // The folder the picker picks (UTF-8); empty: the folder it was opened at.
    void SetChoice(const std::string& folder);

private:
    void OnMessage(TagIPCMessageItem& item);

    Printer printer_;
    mutable std::mutex mutex_;
    bool pickerOpen_ = false;
    std::string pickerFolder_;
    std::string choice_;
    std::vector<Selection> selections_;
    std::function<void()> onPickerClosed_;
    std::unique_ptr<IPCMessageClient> client_;
};

}  // namespace opendir
