#include "FileTransferView.h"

#include "UIAnimationCanvas.h"
#include "UIAnimationManager.h"
#include "UIFixedItem.h"
#include "UIQueuedItem.h"
#include "UISkinValues.h"
#include "UITransferTexts.h"
#include "UsageReport.h"

#include <algorithm>
#include <climits>

using Vela::Ux::ReportEvent;
using Vela::Ux::UIItemState;
using Vela::Ux::UIListItemInfo;
using Vela::Ux::UsageEvent;
using Vela::Ux::UserAction;

namespace {

template <typename T>
T* Lookup(DuiLib::CPaintManagerUI* manager, const wchar_t* name, const wchar_t* kind) {
    DuiLib::CControlUI* control = manager->FindControl(name);
    return control ? static_cast<T*>(control->GetInterface(kind)) : nullptr;
}

void ReportAction(UserAction action) {
    ReportEvent(UsageEvent::UserAction, action);
}

}  // namespace

// The view.

DUI_BEGIN_MESSAGE_MAP(FileTransferView, DuiLib::WindowImplBase)
DUI_ON_MSGTYPE(L"click", FileTransferView::OnClick)
DUI_ON_MSGTYPE(L"mouseenter", FileTransferView::OnIgnoredNotify)
DUI_ON_MSGTYPE(L"mouseleave", FileTransferView::OnIgnoredNotify)
DUI_ON_MSGTYPE(L"buttondown", FileTransferView::OnIgnoredNotify)
DUI_END_MESSAGE_MAP()

FileTransferView::FileTransferView() : helper(std::make_unique<FileTransferViewHelper>(this)) {
    UITransferTexts::SetSizeUnitTexts();
}

FileTransferView::~FileTransferView() {
    if (helper) {
        helper->notifyCallback = nullptr;
    }
    helper.reset();
    if (IsWindow(GetHWND())) {
        DestroyWindow(GetHWND());
    }
}

void FileTransferView::OnIgnoredNotify(DuiLib::TNotifyUI&) {}

void FileTransferView::InitView() {
    CreateDialogWindow();
    if (GetHWND()) {
        helper->InitControls();
    }
}

void FileTransferView::SetNotifyCallback(FileTransferViewNotifyCallback* callback) {
    helper->notifyCallback = callback;
}

void FileTransferView::AddQueuedItem(unsigned id, const UIListItemInfo& info) {
    FileTransferViewHelper& h = *helper;
    if (!h.queueList || info.uiState != static_cast<uint32_t>(UIItemState::Idle)) {
        return;
    }
    h.queueList->Add(new UIQueuedItem(&m_pm, id, info));
    const int rows = h.queueList->GetCount();
    if (rows > h.GetMaxItemCount()) {
        const int range = static_cast<int>(
            std::min<int64_t>(INT_MAX, int64_t{h.ScaledValue(L"queueditem_height")} * rows));
        h.queueList->EnableScrollBar(true, false);
        if (DuiLib::CScrollBarUI* bar = h.queueList->GetVerticalScrollBar()) {
            bar->SetVisible(true);
            bar->SetScrollRange(range);
        }
        h.queueList->SetScrollPos(SIZE{0, range});
    }
}

void FileTransferView::ShowCurrentItem(unsigned id, const UIListItemInfo& info) {
    if (!helper->fixedItem) {
        return;
    }
    helper->fixedItem->Show();
    helper->fixedItem->SetItem(id, info, true);
    if (DuiLib::CControlUI* close = m_pm.FindControl(L"window_close_button")) {
        close->SetEnabled(true);
    }
}

void FileTransferView::UpdateCurrentItem(unsigned id, const UIListItemInfo& info) {
    if (helper->fixedItem && helper->fixedItem->GetId() == id) {
        helper->fixedItem->SetItem(id, info, false);
    }
}

bool FileTransferView::UpdateItem(unsigned id, const UIListItemInfo& info) {
    if (helper->fixedItem && helper->fixedItem->GetId() == id) {
        helper->fixedItem->SetItem(id, info, false);
        return true;
    }
    if (UIQueuedItem* row = helper->FindQueuedItem(id)) {
        row->UpdateInfo(info);
        return true;
    }
    return false;
}

void FileTransferView::RemoveQueuedItem(unsigned id) {
    UIQueuedItem* row = helper->FindQueuedItem(id);
    if (row && helper->animationManager) {
        (*helper->animationManager)->RemoveQueuedRow(row);
    }
}

void FileTransferView::SetRemoveEnabled(bool enabled) {
    if (helper->fixedItem) {
        helper->fixedItem->SetRemoveEnabled(enabled);
    }
}

void FileTransferView::SetRetryVisible(bool visible) {
    if (helper->fixedItem) {
        helper->fixedItem->SetRetryVisible(visible);
    }
}

void FileTransferView::SetTitlePercent(unsigned percent) {
    if (helper->titleProgressLabel) {
        helper->titleProgressLabel->SetText(UITransferTexts::PercentText(percent).c_str());
    }
}

void FileTransferView::SetTitlePercentVisible(bool visible) {
    if (helper->titleProgressLabel) {
        helper->titleProgressLabel->SetVisible(visible);
    }
}

void FileTransferView::UpdateProgress(unsigned percent, unsigned timeLeft, unsigned speed) {
    UIFixedItem* item = helper->fixedItem.get();
    if (!item) {
        return;
    }
    if (percent == 0) {
        item->SetProgress(0);
    } else if (percent > item->GetProgress() && helper->animationManager) {
        (*helper->animationManager)->AnimateProgress(percent);
    }
    item->UpdateSpeedAndTime(timeLeft, speed);
}

void FileTransferView::ShowDialog() {
    if (helper->animationManager && (*helper->animationManager)->ShowIfHidden()) {
        ReportEvent(UsageEvent::TransferDialogShown);
    }
}

void FileTransferView::ScheduleHide(bool delayed) {
    if (!delayed) {
        HideDialog();
    } else if (helper->animationManager) {
        (*helper->animationManager)->StartTimer(UIAnimationManagerHelper::kWindowHide);
    }
}

void FileTransferView::ScheduleNextItem(bool delayed, unsigned flag) {
    helper->nextItemFlag = flag;
    if (!delayed) {
        helper->PromoteNextQueuedItem();
    } else if (helper->animationManager) {
        (*helper->animationManager)->StartTimer(UIAnimationManagerHelper::kTransferOkKeep);
    }
}

void FileTransferView::RefreshQueuedCount(int count) {
    if (count >= 0) {
        helper->UpdateQueuedCount(count);
    }
}

void FileTransferView::AddAnimationListener(FileTransferViewAnimationCallback* callback) {
    if (helper) {
        helper->animationListeners.push_back(callback);
    }
}

void FileTransferView::RemoveAnimationListener(FileTransferViewAnimationCallback* callback) {
    if (helper) {
        auto& listeners = helper->animationListeners;
        listeners.erase(std::remove(listeners.begin(), listeners.end(), callback), listeners.end());
    }
}

LRESULT FileTransferView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_LBUTTONDBLCLK:
            if (helper && helper->notifyCallback) {
                RefreshQueuedCount(helper->notifyCallback->GetQueuedCount());
            }
            break;
        case WM_SYSCOMMAND:
            if (LOWORD(wParam) == SC_MAXIMIZE) {
                return 0;  // the dialog never maximises
            }
            if (LOWORD(wParam) == SC_CLOSE) {
                ReportAction(UserAction::TransferDialogSystemClose);
                if (helper) {
                    helper->CloseAll();
                }
                return 0;  // the window stays
            }
            break;
        case WM_EXITSIZEMOVE:
            DuiLib::UIMainQueue::getInstance()->dispatch([] {});
            break;
        case WM_DPICHANGED: {
            const LRESULT result = FileTransferDialog::HandleMessage(msg, wParam, lParam);
            if (helper) {
                helper->OnDpiChanged();
            }
            return result;
        }
        default:
            break;
    }
    return FileTransferDialog::HandleMessage(msg, wParam, lParam);
}

void FileTransferView::OnFinalMessage(HWND hWnd) {
    FileTransferDialog::OnFinalMessage(hWnd);
    if (helper && helper->notifyCallback) {
        helper->notifyCallback->OnViewDestroyed();
    }
}

void FileTransferView::OnClick(DuiLib::TNotifyUI& msg) {
    FileTransferViewHelper* h = helper.get();
    if (!h || !msg.pSender || !h->fixedItem || !h->notifyCallback) {
        return;
    }
    const DuiLib::CDuiString name = msg.pSender->GetName();
    UIFixedItem& item = *h->fixedItem;
    if (name == L"fixed_item_remove_button") {
        ReportAction(UserAction::TransferDialogRemoveCurrent);
        item.SetRemoveEnabled(false);
        item.SetCancelling();
        item.SetRetryVisible(false);
        item.ClearSpeedAndTime();
        h->notifyCallback->OnRemoveItem(item.GetId());
    } else if (name == L"queued_item_remove_button") {
        ReportAction(UserAction::TransferDialogRemoveQueued);
        for (DuiLib::CControlUI* up = msg.pSender->GetParent(); up; up = up->GetParent()) {
            if (auto* row = dynamic_cast<UIQueuedItem*>(up)) {
                row->MarkRemoved();
                h->notifyCallback->OnRemoveItem(row->GetId());
                break;
            }
        }
    } else if (name == L"queued_item_retry_button") {
        ReportAction(UserAction::TransferDialogRetry);
        item.SetRetryVisible(false);
        h->notifyCallback->OnRetryItem(item.GetId());
    } else if (name == L"window_min_button") {
        ReportAction(UserAction::TransferDialogMinimize);
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (name == L"window_close_button") {
        ReportAction(UserAction::TransferDialogClose);
        h->CloseAll();
    }
}

void FileTransferView::OnResize(SIZE size) {
    if (helper && helper->animationLayer) {
        helper->animationLayer->SetFixedWidthEx(size.cx);
        helper->animationLayer->SetFixedHeightEx(size.cy);
    }
}

void FileTransferView::OnResizeAnimationEnd() {
    if (!helper) {
        return;
    }
    // A listener ends (and unregisters) itself while told.
    const auto listeners = helper->animationListeners;
    for (FileTransferViewAnimationCallback* listener : listeners) {
        const auto& live = helper->animationListeners;
        if (std::find(live.begin(), live.end(), listener) != live.end()) {
            listener->OnResizeAnimationEnd();
        }
    }
}

void FileTransferView::OnMoveAnimationEnd() {
    if (!helper) {
        return;
    }
    const auto listeners = helper->animationListeners;
    for (FileTransferViewAnimationCallback* listener : listeners) {
        listener->OnMoveAnimationEnd();
    }
}

// The helper.

FileTransferViewHelper::FileTransferViewHelper(FileTransferView* owner) : view(owner) {}

FileTransferViewHelper::~FileTransferViewHelper() {
    // The manager (its states and timers) goes before the items it animates.
    animationManager.reset();
    fixedItem.reset();
}

void FileTransferViewHelper::InitControls() {
    DuiLib::CPaintManagerUI* pm = view->GetPaintManager();
    fixedItem = std::make_unique<UIFixedItem>(pm);
    queueList = Lookup<DuiLib::CListUI>(pm, L"queue_list", L"List");
    queuedCountLabel = Lookup<DuiLib::CButtonUI>(pm, L"queued_item_count_label", L"Button");
    titleProgressLabel = Lookup<DuiLib::CLabelUI>(pm, L"title_progress_label", L"Label");
    animationLayer =
        Lookup<DuiLib::CContainerUI>(pm, L"transfer_dialog_animation_layer", L"Container");
    if (!queueList || !queuedCountLabel || !titleProgressLabel || !animationLayer) {
        return;
    }
    canvas = new UIAnimationCanvas;
    canvas->Init();
    animationLayer->Add(canvas);
    animationManager = std::make_unique<AnimationManager>(view, canvas);
    (*animationManager)->SetCallback(this);
    (*animationManager)->SetFixedItem(fixedItem.get());
    fixedItem->SetTipVisible(false);
}

int FileTransferViewHelper::ScaledValue(const wchar_t* key) const {
    return UISkinValues::Length(view->GetPaintManager(), key);
}

int FileTransferViewHelper::GetMaxItemCount() const {
    return UISkinValues::MaxItemCount(view->GetPaintManager());
}

UIQueuedItem* FileTransferViewHelper::FindQueuedItem(unsigned id) const {
    for (int i = 0; queueList && i < queueList->GetCount(); ++i) {
        auto* row = dynamic_cast<UIQueuedItem*>(queueList->GetItemAt(i));
        if (row && row->GetId() == id) {
            return row;
        }
    }
    return nullptr;
}

UIQueuedItem* FileTransferViewHelper::FirstLiveQueuedItem() const {
    for (int i = 0; queueList && i < queueList->GetCount(); ++i) {
        auto* row = dynamic_cast<UIQueuedItem*>(queueList->GetItemAt(i));
        if (row && !row->IsRemoved()) {
            return row;
        }
    }
    return nullptr;
}

void FileTransferViewHelper::CloseAll() {
    if (!notifyCallback || !view || !fixedItem || !animationManager) {
        return;
    }
    if (DuiLib::CControlUI* close = view->GetPaintManager()->FindControl(L"window_close_button")) {
        close->SetEnabled(false);
    }
    fixedItem->SetCancelling();
    fixedItem->SetRemoveEnabled(false);
    fixedItem->SetRetryVisible(false);
    fixedItem->ClearSpeedAndTime();
    UpdateQueuedCount(0);
    while (UIQueuedItem* row = FirstLiveQueuedItem()) {
        row->MarkRemoved();
        queueList->Remove(row);
    }
    (*animationManager)->StopTimer(UIAnimationManagerHelper::kTransferOkKeep);
    (*animationManager)->StopTimer(UIAnimationManagerHelper::kWindowHide);
    notifyCallback->OnCancelAll();
}

void FileTransferViewHelper::UpdateQueuedCount(int count) {
    if (!queuedCountLabel || !view || !queueList || !animationManager) {
        return;
    }
    queuedCountLabel->SetText(UITransferTexts::QueuedCountText(count).c_str());
    const int target = TargetHeight(count);
    queueList->EnableScrollBar(count > GetMaxItemCount(), false);
    // Measured from where the height changes already asked for leave the window: a change
    // that comes while an earlier one still waits or animates must not be lost.
    const int current = (*animationManager)->PlannedHeight();
    if (target > current) {
        (*animationManager)->GrowTo(target);
    } else if (target < current) {
        (*animationManager)->ShrinkTo(target);
    }
}

int FileTransferViewHelper::TargetHeight(int count) const {
    const int max = GetMaxItemCount();
    // Each row takes its height and the list's child padding of one design pixel.
    const int rowHeight = ScaledValue(L"queueditem_height") +
                          std::max(1, DuiLib::CResourceManager::GetInstance()->Scale(1));
    const int baseHeight = ScaledValue(L"transfer_dialog_height");
    const int collapsed = ScaledValue(L"tranfer_dialog_height_collapsed");
    if (max > (INT_MAX - baseHeight) / rowHeight) {
        return collapsed;
    }
    return (count != 0 ? baseHeight : collapsed) + rowHeight * std::min(max, count);
}

void FileTransferViewHelper::OnDpiChanged() {
    if (!view || !queueList) {
        return;
    }
    for (int i = 0; i < queueList->GetCount(); ++i) {
        if (auto* row = dynamic_cast<UIQueuedItem*>(queueList->GetItemAt(i))) {
            row->ApplySkinSizes(view->GetPaintManager());
        }
    }
    const int count = notifyCallback ? notifyCallback->GetQueuedCount() : queueList->GetCount();
    view->Resize(ScaledValue(L"transfer_dialog_width"), TargetHeight(std::max(0, count)), 0);
}

void FileTransferViewHelper::PromoteNextQueuedItem() {
    UIQueuedItem* row = FirstLiveQueuedItem();
    if (!row || !animationManager) {
        return;
    }
    row->DisableRemove();
    (*animationManager)->MoveQueuedToFixed(row, fixedItem.get(), row->GetInfo());
}

void FileTransferViewHelper::FinishOrPromote() {
    if (FirstLiveQueuedItem()) {
        PromoteNextQueuedItem();
        return;
    }
    if (fixedItem) {
        fixedItem->Reset();
    }
    view->HideDialog();
    if (notifyCallback) {
        notifyCallback->OnCloseAll();
    }
}

void FileTransferViewHelper::OnQueue2TransferEnd() {
    if (notifyCallback) {
        notifyCallback->OnItemShown(nextItemFlag);
        UpdateQueuedCount(notifyCallback->GetQueuedCount());
    }
}

void FileTransferViewHelper::OnQueuedItemSlideOutEnd() {
    if (notifyCallback) {
        notifyCallback->OnQueueChanged();
    }
}

void FileTransferViewHelper::OnTimerEnd(int timer) {
    if (timer == UIAnimationManagerHelper::kTransferOkKeep) {
        PromoteNextQueuedItem();
    } else if (timer == UIAnimationManagerHelper::kWindowHide) {
        FinishOrPromote();
    }
}
