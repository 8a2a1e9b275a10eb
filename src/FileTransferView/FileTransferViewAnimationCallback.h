// Told when the dialog's window resize or move animation ends.
#pragma once

class FileTransferViewAnimationCallback {
public:
    virtual ~FileTransferViewAnimationCallback() = default;
    virtual void OnResizeAnimationEnd() {}
    virtual void OnMoveAnimationEnd() {}
};
