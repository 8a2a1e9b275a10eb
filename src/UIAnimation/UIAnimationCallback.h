// What the animation framework tells the dialog (implemented by the view's helper).
#pragma once

class UIAnimationCallback {
public:
    virtual ~UIAnimationCallback() = default;
    // A queued item has been moved into the fixed item.
    virtual void OnQueue2TransferEnd() = 0;
    // A queued row has been taken out of the list.
    virtual void OnQueuedItemSlideOutEnd() = 0;
    // Timer 0 ("transfer_ok_keep_timeout") or 1 ("window_hide_timeout") ran out.
    virtual void OnTimerEnd(int timer) = 0;
};
