// Controls of the host utility library stand-in, for tests and the demo host.
#pragma once

#include "TandemMessageBox.h"

#include <functional>
#include <string>
#include <vector>

namespace tandemstandin {

// Plug-ins and features switched off on this computer (all are on by default).
void SetPluginSupported(const std::string& name, bool supported);

// Loads the string table (lines `ID = text`, '#' comments, UTF-8). Without a table every id
// has an empty text. Returns false when the file cannot be read.
bool LoadStringTable(const std::string& path);
void SetString(const std::wstring& id, const std::wstring& text);

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
// Confirms the INDEX-th box shown: runs its action, if any, once.
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
void ResetFirewall();

void SetConfigAllow(bool allow);

// Mapped network shares: paths starting with PREFIX lie on a share reached at SHARE.
void MapNetworkShare(const std::wstring& prefix, const std::wstring& share);
void ClearNetworkShares();

// Restores every control above to its default.
void ResetAll();

}  // namespace tandemstandin
