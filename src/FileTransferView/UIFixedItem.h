// The fixed item at the top of the transfer dialog: the transfer in progress with its title,
// file name or count, size, speed, time left, channel and file icons, painted progress, and
// remove, retry and tip buttons.
#pragma once

#include "UIAnimationObjectGuard.h"
#include "UIBackgroundProgress.h"
#include "UIListItemInfo.h"

#include <UIFileIcon.h>
#include <UIlib.h>

#include <memory>

class UIFixedItemHelper;

class UIFixedItem : public UIAnimationObjectGuard {
public:
    static constexpr unsigned kNoItem = 0xFFFFFFFF;
    // SetTitle delays: show at once even over a temporary message; 1200 ms temporary message.
    static constexpr unsigned kTitleImmediate = 0xFFFFFFFF;
    static constexpr unsigned kTemporaryTitleMs = 1200;

    explicit UIFixedItem(DuiLib::CPaintManagerUI* manager);
    ~UIFixedItem() override;

    void SetItem(unsigned id, const Vela::Ux::UIListItemInfo& info, bool isNew);
    unsigned GetId() const;
    void Show();
    void Reset();
    void SetRemoveEnabled(bool enabled);
    void SetRetryVisible(bool visible);
    void SetTipVisible(bool visible);
    void SetCancelling();
    void ClearSpeedAndTime();
    void SetProgress(unsigned percent);
    unsigned GetProgress() const;
    void UpdateSpeedAndTime(unsigned timeLeft, unsigned speed);
    void SetTitle(const std::wstring& text, unsigned delayMs, DWORD colour);

private:
    std::unique_ptr<UIFixedItemHelper> helper;
};

class UIFixedItemHelper : public DuiLib::IAnimationCallback {
public:
    explicit UIFixedItemHelper(DuiLib::CPaintManagerUI* manager);
    ~UIFixedItemHelper() override;
    bool IsComplete() const;
    void OnAnimationEnd(DuiLib::VariantAnimation* animation) override;

    DuiLib::CPaintManagerUI* manager;
    DuiLib::CContainerUI* itemContainer = nullptr;
    DuiLib::CContainerUI* infoLayout = nullptr;
    DuiLib::CTabLayoutUI* channelIcon = nullptr;
    DuiLib::CLabelUI* title = nullptr;
    DuiLib::CLabelUI* fileName = nullptr;
    DuiLib::CLabelUI* fileSize = nullptr;
    DuiLib::CLabelUI* speed = nullptr;
    DuiLib::CLabelUI* timeLeft = nullptr;
    DuiLib::CButtonUI* removeButton = nullptr;
    DuiLib::CButtonUI* tipButton = nullptr;
    UIBackgroundProgress* progress = nullptr;  // owned by its container
    UIEx::UIFileIcon* fileIcon = nullptr;      // owned by its container
    std::unique_ptr<DuiLib::VariantAnimation> titleTimer;
    DuiLib::CDuiString savedTitle;
    DWORD savedColour = 0xFF000000;
    unsigned id = UIFixedItem::kNoItem;
    Vela::Ux::UIListItemInfo info;
};
