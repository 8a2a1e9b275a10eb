#include "UIFixedItem.h"

#include "UIItemTexts.h"
#include "UITransferTexts.h"

#include <TandemUtil.h>
#include <UIStringLocale.h>

using Vela::Ux::UIItemState;
using Vela::Ux::UIListItemInfo;

namespace {

constexpr DWORD kBlack = 0xFF000000;
constexpr DWORD kRed = 0xFFFF0000;

template <typename T>
T* Lookup(DuiLib::CPaintManagerUI* manager, const wchar_t* name, const wchar_t* kind) {
    DuiLib::CControlUI* control = manager ? manager->FindControl(name) : nullptr;
    return control ? static_cast<T*>(control->GetInterface(kind)) : nullptr;
}

// The file name, or the file count (1 for an empty list).
std::wstring FilesText(const UIListItemInfo& info) {
    if (info.files.size() == 1) {
        return DuiLib::Utils::GetFileNameFromPath(info.files.front().c_str()).str();
    }
    return UITransferTexts::FilesCountText(
        info.files.empty() ? 1 : static_cast<int>(info.files.size()));
}

}  // namespace

UIFixedItemHelper::UIFixedItemHelper(DuiLib::CPaintManagerUI* pm) : manager(pm) {
    itemContainer = Lookup<DuiLib::CContainerUI>(pm, L"fixed_item", L"Container");
    infoLayout = Lookup<DuiLib::CContainerUI>(pm, L"fixed_item_info_layout", L"Container");
    channelIcon = Lookup<DuiLib::CTabLayoutUI>(pm, L"fixed_item_send_channel", L"TabLayout");
    title = Lookup<DuiLib::CLabelUI>(pm, L"fixed_item_title_label", L"Label");
    fileName = Lookup<DuiLib::CLabelUI>(pm, L"fixed_item_filename", L"Label");
    fileSize = Lookup<DuiLib::CLabelUI>(pm, L"fixed_item_filesize", L"Label");
    speed = Lookup<DuiLib::CLabelUI>(pm, L"fixed_item_speed", L"Label");
    timeLeft = Lookup<DuiLib::CLabelUI>(pm, L"fixed_item_time_remains", L"Label");
    removeButton = Lookup<DuiLib::CButtonUI>(pm, L"fixed_item_remove_button", L"Button");
    tipButton = Lookup<DuiLib::CButtonUI>(pm, L"fixed_item_tip_button", L"Button");
    if (auto* background =
            Lookup<DuiLib::CContainerUI>(pm, L"fixed_item_background", L"Container")) {
        progress = new UIBackgroundProgress;
        background->Add(progress);
    }
    if (auto* iconBox = Lookup<DuiLib::CContainerUI>(pm, L"fixed_item_file_icon", L"Container")) {
        fileIcon = new UIEx::UIFileIcon;
        fileIcon->SetMouseEnabled(true);
        iconBox->Add(fileIcon);
    }
    titleTimer = std::make_unique<DuiLib::VariantAnimation>(itemContainer, this);
    titleTimer->SetLoopCount(1);
}

UIFixedItemHelper::~UIFixedItemHelper() {
    titleTimer->Stop();
}

bool UIFixedItemHelper::IsComplete() const {
    return itemContainer && channelIcon && title && fileName && fileSize && speed && timeLeft &&
           removeButton && tipButton && progress && fileIcon;
}

void UIFixedItemHelper::OnAnimationEnd(DuiLib::VariantAnimation*) {
    // The temporary title ends: back to the saved one (the tooltip keeps the temporary text).
    if (title) {
        title->SetText(savedTitle);
        title->SetTextColor(savedColour);
    }
}

UIFixedItem::UIFixedItem(DuiLib::CPaintManagerUI* manager)
    : helper(std::make_unique<UIFixedItemHelper>(manager)) {}

UIFixedItem::~UIFixedItem() = default;

unsigned UIFixedItem::GetId() const {
    return helper->id;
}

void UIFixedItem::SetItem(unsigned id, const UIListItemInfo& info, bool isNew) {
    UIFixedItemHelper& h = *helper;
    h.id = id;
    if (!h.IsComplete()) {
        return;
    }
    if (id == kNoItem) {
        h.itemContainer->SetVisible(false);
    }
    switch (static_cast<UIItemState>(info.uiState)) {
        case UIItemState::Preparing:
        case UIItemState::Idle:
            if (info.stateText.empty()) {
                SetTitle(UIItemTexts::WithDevice(L"IDS_FILETRANSFER_FIXED_ITEM_STANDBY", info), 0,
                         kBlack);
            } else {
                SetTitle(info.stateText, kTemporaryTitleMs, kBlack);
            }
            break;
        case UIItemState::Sending:
            SetTitle(UIItemTexts::WithDevice(L"IDS_FILETRANSFER_FIXED_ITEM_SENDTO", info), 0,
                     kBlack);
            break;
        case UIItemState::Failed:
            SetTitle(info.stateText, kTitleImmediate, kRed);
            ClearSpeedAndTime();
            break;
        case UIItemState::CancelledByUser:
            ClearSpeedAndTime();
            break;
        case UIItemState::Cancelled:
            SetTitle(UIItemTexts::WithDevice(L"IDS_FILETRANSFER_FIXED_ITEM_CANCELLED", info), 0,
                     kRed);
            ClearSpeedAndTime();
            break;
        case UIItemState::Rejected:
            SetTitle(UIItemTexts::WithDevice(L"IDS_FILETRANSFER_FIXED_ITEM_REJECTED", info), 0,
                     kRed);
            ClearSpeedAndTime();
            break;
        case UIItemState::Succeeded:
            SetTitle(UIEx::UIStringLocale::GetString(L"IDS_FILETRANSFER_FIXED_ITEM_OK"), 0, kBlack);
            ClearSpeedAndTime();
            break;
        default:
            break;
    }
    UIItemTexts::SelectChannelPage(h.channelIcon, info.shareType);
    h.fileName->SetText(FilesText(info).c_str());
    h.fileSize->SetText(UITransferTexts::SizeText(info.totalBytes).c_str());
    if (isNew) {
        h.fileIcon->SetFiles(info.files, false);
    }
    h.itemContainer->NeedUpdate();
    h.info = info;
}

void UIFixedItem::Show() {
    if (helper->IsComplete()) {
        helper->itemContainer->SetVisible(true);
    }
}

void UIFixedItem::Reset() {
    UIFixedItemHelper& h = *helper;
    if (!h.IsComplete()) {
        return;
    }
    for (DuiLib::CLabelUI* label : {h.title, h.fileName, h.fileSize, h.speed, h.timeLeft}) {
        label->SetText(L"");
    }
    h.progress->SetPercent(0);
}

void UIFixedItem::SetRemoveEnabled(bool enabled) {
    if (helper->IsComplete()) {
        helper->removeButton->SetEnabled(enabled);
    }
}

void UIFixedItem::SetRetryVisible(bool visible) {
    DuiLib::CContainerUI* container = helper->itemContainer;
    if (!container || !helper->manager) {
        return;
    }
    if (DuiLib::CControlUI* retry =
            helper->manager->FindSubControlByName(container, L"queued_item_retry_button")) {
        retry->SetVisible(visible);
    }
}

void UIFixedItem::SetTipVisible(bool visible) {
    if (helper->tipButton) {
        helper->tipButton->SetVisible(visible);
    }
}

void UIFixedItem::SetCancelling() {
    if (DuiLib::CLabelUI* title = helper->title) {
        const std::wstring text =
            UIEx::UIStringLocale::GetString(L"IDS_FILETRANSFER_FIXED_ITEM_CANCELLING");
        title->SetText(text.c_str());
        title->SetToolTip(text.c_str());
    }
}

void UIFixedItem::ClearSpeedAndTime() {
    if (helper->IsComplete()) {
        helper->speed->SetText(L"");
        helper->timeLeft->SetText(L"");
    }
}

void UIFixedItem::SetProgress(unsigned percent) {
    if (helper->progress) {
        helper->progress->SetPercent(percent);
    }
}

unsigned UIFixedItem::GetProgress() const {
    return helper->progress ? helper->progress->GetPercent() : 0;
}

void UIFixedItem::UpdateSpeedAndTime(unsigned timeLeft, unsigned speed) {
    UIFixedItemHelper& h = *helper;
    if (!h.speed || !h.timeLeft || !h.progress || h.progress->GetPercent() == 100 ||
        h.info.uiState != static_cast<uint32_t>(UIItemState::Sending)) {
        return;
    }
    h.speed->SetText(TandemUtilClass::FormatTransferSpeed(speed).c_str());
    const std::wstring left =
        TandemUtilClass::FormatTransferLeftTime(static_cast<int32_t>(timeLeft));
    h.timeLeft->SetText(left.c_str());
    h.timeLeft->SetToolTip(left.c_str());
}

void UIFixedItem::SetTitle(const std::wstring& text, unsigned delayMs, DWORD colour) {
    UIFixedItemHelper& h = *helper;
    if (!h.IsComplete()) {
        return;
    }
    auto showNow = [&] {
        h.title->SetText(text.c_str());
        h.title->SetToolTip(text.c_str());
        h.title->SetTextColor(colour);
    };
    if (delayMs == kTitleImmediate) {
        showNow();
    } else if (static_cast<int32_t>(delayMs) >= 1 && h.titleTimer) {
        h.savedTitle = h.title->GetText();
        h.savedColour = h.title->GetTextColor();
        h.title->SetText(text.c_str());
        h.title->SetToolTip(text.c_str());
        h.titleTimer->SetDuration(static_cast<int>(delayMs));
        h.titleTimer->Stop();
        h.titleTimer->Start();
    } else if (h.titleTimer && h.titleTimer->IsRunning()) {
        // Shown once the temporary message ends.
        h.savedTitle = text.c_str();
        h.savedColour = colour;
    } else {
        showNow();
    }
}
