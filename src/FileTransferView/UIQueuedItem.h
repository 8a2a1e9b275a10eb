// A row of the transfer dialog's queue list: one transfer waiting its turn.
#pragma once

#include "UIAnimationObjectGuard.h"
#include "UIListItemInfo.h"

#include <UIFileIcon.h>
#include <UIlib.h>

#include <memory>

class UIQueuedItem : public DuiLib::CListContainerElementUI, public UIAnimationObjectGuard {
public:
    // Builds the row from its layout; sizes come from MANAGER's skin values.
    UIQueuedItem(DuiLib::CPaintManagerUI* manager, unsigned id,
                 const Vela::Ux::UIListItemInfo& info);
    ~UIQueuedItem() override;

    void SetVisible(bool visible = true) override;
    void DoInit() override;
    void DoPaint(HDC hdc, const RECT& rcPaint) override;

    void UpdateInfo(const Vela::Ux::UIListItemInfo& info);
    unsigned GetId() const;
    Vela::Ux::UIListItemInfo GetInfo() const;
    void MarkRemoved();
    bool IsRemoved() const;
    void DisableRemove();
    // The row's height and width from MANAGER's skin values at the present DPI scale.
    void ApplySkinSizes(DuiLib::CPaintManagerUI* manager);

private:
    struct Record {
        unsigned id = 0xFFFFFFFF;
        Vela::Ux::UIListItemInfo info;
        UIEx::UIFileIcon* fileIcon = nullptr;  // owned by its container in the row
        bool removed = false;
    };
    DuiLib::CControlUI* Find(const wchar_t* name) const;
    std::unique_ptr<Record> record;
};
