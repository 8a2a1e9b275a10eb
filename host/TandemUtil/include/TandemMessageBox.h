// Message boxes of the host.
#pragma once

#include <string>

namespace tandem {

// The action of a message box, run when the user confirms it.
class MsgBoxEvent {
public:
    virtual ~MsgBoxEvent() = default;
    virtual void OnConfirm() = 0;
};

// Shows a message box keyed by KEY. Ownership of EVENT passes to the box.
int ShowMessageBox(const std::wstring& text, MsgBoxEvent* event, const std::string& key, int flags,
                   int buttons);

}  // namespace tandem
