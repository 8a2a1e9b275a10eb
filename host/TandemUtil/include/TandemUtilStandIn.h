// Controls of the host utility library stand-in, for tests and the demo host.
#pragma once

#include "TandemMessageBox.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tandemstandin {

// Plug-ins and features switched off on this computer (all are on by default).
void SetPluginSupported(const std::string& name, bool supported);

// The string table (the UI toolkit's file form) is the culture language's table beside the
// running executable (duistandin::DefaultStringTablePath), read at the first lookup; an id
// without a text has an empty one. "{0}" in a text is the placeholder that GetString(id, 1, arg)
// fills.
// Sets the text of one id in the table in use.
void SetString(const std::wstring& id, const std::wstring& text);
// Replaces the table in use by the file PATH; false (and the table unchanged) when unreadable.
bool LoadStrings(const std::string& path);

struct ShownMessageBox {
    std::wstring text;
    bool hasEvent = false;
    std::string key;
    int flags = 0;
    int buttons = 0;
};
// Message boxes shown so far, in order; the actions are kept until confirmed or cleared.
std::vector<ShownMessageBox> ShownMessageBoxes();
void ClearMessageBoxes();
// Confirms the INDEX-th box shown: runs its action, if any, once, and deletes it. An index
// beyond the boxes shown does nothing. ClearMessageBoxes deletes actions not run.
void ConfirmMessageBox(size_t index);
// Called for every box shown (the demo prints them).
void SetMessageBoxObserver(std::function<void(const ShownMessageBox&)> observer);

// Answers of the firewall rule manager (default: rule in place, nothing to re-enable) and the
// number of calls it received.
void SetFirewallAnswers(bool tryEnableRule, bool checkRule);
struct FirewallCalls {
    int serverStarted = 0;
    int tryEnableRule = 0;
    int checkRule = 0;
    int enableRuleByService = 0;
};
FirewallCalls GetFirewallCalls();

// The answer of TandemConfig::IsAllow (default false).
void SetConfigAllow(bool allow);

// Mapped network shares: paths starting with PREFIX (compared without regard to case, up to a
// separator) lie on a share reached at SHARE; IsNetShareMap then gives SHARE followed by the rest
// of the path.
void MapNetworkShare(const std::wstring& prefix, const std::wstring& share);

// Sizes of files and folders (UIEx::Utils::GetFileSize) are read from the file system unless a
// SOURCE is set: it then answers for every path, true with SIZE when the size can be read. The
// fuzz targets answer without the disk, where a path of "/" would walk all of it. An empty
// source restores the default.
void SetFileSizeSource(std::function<bool(const std::wstring& path, uint64_t& size)> source);

// Values of GetFileType, and the icon GetDefaultIconPath gives for each
// ("../../res/image/swiftsend/filetype_<kind>.png", <kind> as in the names below, lower case).
enum FileTypeValue {
    kFileTypeOther = 0,
    kFileTypePicture = 1,
    kFileTypeVideo = 2,
    kFileTypeAudio = 3,
    kFileTypeDocument = 4,
    kFileTypeArchive = 5,
};

// Restores every control above to its default, the size unit texts (" B", " KB", " MB", " GB")
// and the usage data reporter's controls (present, no events, no file); the next text lookup
// reads the default string table again.
void ResetAll();

}  // namespace tandemstandin
