// Runs the dialog's animation states one at a time in arrival order, lets a new state cancel
// older ones of a kind it replaces, and keeps the two one-shot timers.
#pragma once

#include "FileTransferViewAnimationCallback.h"
#include "UIAnimationCallback.h"
#include "UIAnimationState.h"
#include "UIListItemInfo.h"

#include <UIlib.h>

#include <map>
#include <memory>
#include <vector>

class FileTransferView;
class UIAnimationCanvas;
class UIFixedItem;
class UIQueuedItem;

class UIAnimationManagerHelper : public UIAnimationState::UIAnimationStateCallback,
                                 public DuiLib::IAnimationCallback,
                                 public FileTransferViewAnimationCallback {
public:
    enum Timer { kTransferOkKeep = 0, kWindowHide = 1 };

    UIAnimationManagerHelper(FileTransferView* view, UIAnimationCanvas* canvas);
    ~UIAnimationManagerHelper() override;

    void SetCallback(UIAnimationCallback* callback);
    void SetFixedItem(UIFixedItem* fixedItem);
    void StartTimer(int timer);
    void StopTimer(int timer);
    bool IsTimerRunning(int timer) const;
    void GrowTo(int height);
    void ShrinkTo(int height);
    // The window's height once every height change asked for so far is made: the target of the
    // last one still waiting, else HeadingHeight().
    int PlannedHeight() const;
    // The target of the animated resize under way, else the window's height now.
    int HeadingHeight() const;
    // A height state handed the window an animated resize to HEIGHT.
    void ResizeHanded(int height) { resizeTarget = height; }
    void AnimateProgress(unsigned percent);
    void MoveQueuedToFixed(UIQueuedItem* row, UIFixedItem* fixedItem,
                           const Vela::Ux::UIListItemInfo& info);
    void RemoveQueuedRow(UIQueuedItem* row);
    // Shows the dialog at its first size, centred, when hidden; raises it in any case. True when
    // it had to show it.
    bool ShowIfHidden();

    void AddState(UIAnimationState* state);
    size_t StateCount() const { return states.size(); }
    UIAnimationCanvas* GetCanvas() const { return canvas; }

    void OnStateEnd(UIAnimationState* state) override;
    void OnAnimationEnd(DuiLib::VariantAnimation* animation) override;
    void OnResizeAnimationEnd() override { resizeTarget = 0; }

private:
    void StartState(UIAnimationState* state);
    static DuiLib::CListUI* ListOf(UIQueuedItem* row);

    FileTransferView* view;
    UIAnimationCanvas* canvas;
    UIFixedItem* fixedItem = nullptr;
    DuiLib::CControlUI* root = nullptr;
    UIAnimationCallback* callback = nullptr;
    std::vector<UIAnimationState*> states;  // owned, in arrival order
    std::map<int, std::shared_ptr<DuiLib::VariantAnimation>> timers;
    // Of the animated resize under way; 0 when none is. A height state that runs while an
    // earlier resize still animates measures from here, not from the window's height of the
    // moment, and so does a new height change while one waits.
    int resizeTarget = 0;
};

// The holder the view keeps: creates the manager for the view and canvas, destroys it with
// itself.
class AnimationManager {
public:
    AnimationManager(FileTransferView* view, UIAnimationCanvas* canvas)
        : helper(std::make_unique<UIAnimationManagerHelper>(view, canvas)) {}
    UIAnimationManagerHelper* operator->() const { return helper.get(); }
    UIAnimationManagerHelper* Get() const { return helper.get(); }

private:
    std::unique_ptr<UIAnimationManagerHelper> helper;
};
