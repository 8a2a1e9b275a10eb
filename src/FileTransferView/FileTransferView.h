// The transfer dialog's view: the operations the controller drives it with, message and click
// handling, and the helper that holds the dialog's parts.
#pragma once

#include "FileTransferDialog.h"
#include "FileTransferViewAnimationCallback.h"
#include "FileTransferViewNotifyCallback.h"
#include "UIAnimationCallback.h"
#include "UIAnimationObjectGuard.h"
#include "UIListItemInfo.h"

#include <memory>
#include <vector>

class AnimationManager;
class FileTransferViewHelper;
class UIAnimationCanvas;
class UIFixedItem;
class UIQueuedItem;

class FileTransferView : public FileTransferDialog, public UIAnimationObjectGuard {
public:
    FileTransferView();
    ~FileTransferView() override;

    void InitView();
    void SetNotifyCallback(FileTransferViewNotifyCallback* callback);
    void AddQueuedItem(unsigned id, const Vela::Ux::UIListItemInfo& info);
    void ShowCurrentItem(unsigned id, const Vela::Ux::UIListItemInfo& info);
    void UpdateCurrentItem(unsigned id, const Vela::Ux::UIListItemInfo& info);
    bool UpdateItem(unsigned id, const Vela::Ux::UIListItemInfo& info);
    void RemoveQueuedItem(unsigned id);
    void SetRemoveEnabled(bool enabled);
    void SetRetryVisible(bool visible);
    void SetTitlePercent(unsigned percent);
    void SetTitlePercentVisible(bool visible);
    void UpdateProgress(unsigned percent, unsigned timeLeft, unsigned speed);
    void ShowDialog();
    void ScheduleHide(bool delayed);
    void ScheduleNextItem(bool delayed, unsigned flag);
    void RefreshQueuedCount(int count);
    void AddAnimationListener(FileTransferViewAnimationCallback* callback);
    void RemoveAnimationListener(FileTransferViewAnimationCallback* callback);

    // For tests and the demo.
    FileTransferViewHelper* GetHelper() const { return helper.get(); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    void OnResize(SIZE size) override;
    void OnResizeAnimationEnd() override;
    void OnMoveAnimationEnd() override;
    void OnIgnoredNotify(DuiLib::TNotifyUI& msg);
    DUI_DECLARE_MESSAGE_MAP()

private:
    std::unique_ptr<FileTransferViewHelper> helper;
};

class FileTransferViewHelper : public UIAnimationCallback {
public:
    explicit FileTransferViewHelper(FileTransferView* view);
    ~FileTransferViewHelper() override;

    void InitControls();
    void CloseAll();
    void UpdateQueuedCount(int count);
    // The window's height for COUNT queued items.
    int TargetHeight(int count) const;
    // The window moved to a monitor of another scale: rows and window take their sizes anew.
    void OnDpiChanged();
    void PromoteNextQueuedItem();
    void FinishOrPromote();
    int GetMaxItemCount() const;
    UIQueuedItem* FindQueuedItem(unsigned id) const;
    UIQueuedItem* FirstLiveQueuedItem() const;
    int ScaledValue(const wchar_t* key) const;

    void OnQueue2TransferEnd() override;
    void OnQueuedItemSlideOutEnd() override;
    void OnTimerEnd(int timer) override;

    FileTransferView* view;
    std::unique_ptr<UIFixedItem> fixedItem;
    DuiLib::CListUI* queueList = nullptr;
    DuiLib::CLabelUI* titleProgressLabel = nullptr;
    DuiLib::CButtonUI* queuedCountLabel = nullptr;
    UIAnimationCanvas* canvas = nullptr;  // owned by the animation layer
    DuiLib::CContainerUI* animationLayer = nullptr;
    FileTransferViewNotifyCallback* notifyCallback = nullptr;
    std::vector<FileTransferViewAnimationCallback*> animationListeners;
    std::unique_ptr<AnimationManager> animationManager;
    unsigned nextItemFlag = 0;
};
