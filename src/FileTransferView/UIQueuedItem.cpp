#include "UIQueuedItem.h"

#include "UIItemTexts.h"
#include "UISkinValues.h"
#include "UITransferTexts.h"

using Vela::Ux::UIListItemInfo;

UIQueuedItem::UIQueuedItem(DuiLib::CPaintManagerUI* manager, unsigned id,
                           const UIListItemInfo& info)
    : record(std::make_unique<Record>()) {
    DuiLib::CDialogBuilder builder;
    builder.Create(L"../../res/layout/swiftsend/queued_item.xml", nullptr, nullptr, nullptr, this);
    record->id = id;
    record->info = info;
    SetTag(id);  // what descriptions of the window show as the row's id
    ApplySkinSizes(manager);
}

void UIQueuedItem::ApplySkinSizes(DuiLib::CPaintManagerUI* manager) {
    if (manager) {
        SetFixedHeightEx(UISkinValues::Length(manager, L"queueditem_height"));
        SetFixedWidthEx(UISkinValues::Length(manager, L"transfer_dialog_width"));
    }
}

UIQueuedItem::~UIQueuedItem() = default;

void UIQueuedItem::SetVisible(bool visible) {
    CListContainerElementUI::SetVisible(visible);
}

void UIQueuedItem::DoPaint(HDC hdc, const RECT& rcPaint) {
    CListContainerElementUI::DoPaint(hdc, rcPaint);
}

DuiLib::CControlUI* UIQueuedItem::Find(const wchar_t* name) const {
    return m_pManager ? m_pManager->FindSubControlByName(const_cast<UIQueuedItem*>(this), name)
                      : nullptr;
}

void UIQueuedItem::DoInit() {
    if (!record->fileIcon) {
        if (auto* box = Find(L"queued_item_file_icon")) {
            if (auto* container =
                    static_cast<DuiLib::CContainerUI*>(box->GetInterface(L"Container"))) {
                record->fileIcon = new UIEx::UIFileIcon;
                container->Add(record->fileIcon);
            }
        }
    }
    UpdateInfo(record->info);
}

void UIQueuedItem::UpdateInfo(const UIListItemInfo& info) {
    record->info = info;
    if (!m_pManager) {
        return;
    }
    auto label = [this](const wchar_t* name) {
        DuiLib::CControlUI* control = Find(name);
        return control ? static_cast<DuiLib::CLabelUI*>(control->GetInterface(L"Label")) : nullptr;
    };
    DuiLib::CLabelUI* sendTo = label(L"sendto_label");
    if (!sendTo) {
        return;
    }
    sendTo->SetText(UIItemTexts::WithDevice(L"IDS_FILETRANSFER_FIXED_ITEM_QUEUE", info).c_str());
    if (DuiLib::CControlUI* channel = Find(L"queued_item_send_channel")) {
        UIItemTexts::SelectChannelPage(
            static_cast<DuiLib::CTabLayoutUI*>(channel->GetInterface(L"TabLayout")),
            info.shareType);
    }
    DuiLib::CLabelUI* count = label(L"files_count_label");
    if (!count) {
        return;
    }
    if (info.files.size() == 1) {
        count->SetText(DuiLib::Utils::GetFileNameFromPath(info.files.front().c_str()));
    } else if (info.files.size() > 1) {
        count->SetText(
            UITransferTexts::FilesCountText(static_cast<int>(info.files.size())).c_str());
    }
    DuiLib::CLabelUI* size = label(L"file_size_label");
    if (!size) {
        return;
    }
    size->SetText(UITransferTexts::SizeText(info.totalBytes).c_str());
    if (record->fileIcon) {
        record->fileIcon->SetFiles(info.files, false);
    }
}

unsigned UIQueuedItem::GetId() const {
    return record->id;
}
UIListItemInfo UIQueuedItem::GetInfo() const {
    return record->info;
}
void UIQueuedItem::MarkRemoved() {
    record->removed = true;
}
bool UIQueuedItem::IsRemoved() const {
    return record->removed;
}

void UIQueuedItem::DisableRemove() {
    if (DuiLib::CControlUI* remove = Find(L"queued_item_remove_button")) {
        remove->SetEnabled(false);
    }
}
