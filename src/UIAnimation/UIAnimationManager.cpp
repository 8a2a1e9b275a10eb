#include "UIAnimationManager.h"

#include "FileTransferView.h"
#include "UIAnimationCanvas.h"
#include "UIAnimationStates.h"
#include "UIFixedItem.h"
#include "UIQueuedItem.h"
#include "UISkinValues.h"

#include <algorithm>

UIAnimationManagerHelper::UIAnimationManagerHelper(FileTransferView* v, UIAnimationCanvas* c)
    : view(v), canvas(c) {
    root = view ? view->GetPaintManager()->GetRoot() : nullptr;
    if (!root) {
        return;
    }
    view->AddAnimationListener(this);
    const wchar_t* keys[] = {L"transfer_ok_keep_timeout", L"window_hide_timeout"};
    for (int timer : {kTransferOkKeep, kWindowHide}) {
        auto animation = std::make_shared<DuiLib::VariantAnimation>(root, this);
        animation->SetDuration(view->GetPaintManager()->GetUserValue(keys[timer]).ToInt());
        timers[timer] = animation;
    }
}

UIAnimationManagerHelper::~UIAnimationManagerHelper() {
    if (root) {
        view->RemoveAnimationListener(this);
    }
    for (auto& timer : timers) {
        timer.second->Stop();
        timer.second->SetCallback(nullptr);
    }
    timers.clear();
    // States still queued go without end notifications; each unregisters from its objects.
    std::vector<UIAnimationState*> left;
    left.swap(states);
    for (UIAnimationState* state : left) {
        delete state;
    }
}

void UIAnimationManagerHelper::SetCallback(UIAnimationCallback* cb) {
    if (cb) {
        callback = cb;
    }
}

void UIAnimationManagerHelper::SetFixedItem(UIFixedItem* item) {
    if (item) {
        fixedItem = item;
    }
}

void UIAnimationManagerHelper::StartTimer(int timer) {
    auto found = timers.find(timer);
    if (found == timers.end() || found->second->IsRunning()) {
        return;
    }
    found->second->SetStartValue(0);
    found->second->SetEndValue(1);
    found->second->Start();
}

void UIAnimationManagerHelper::StopTimer(int timer) {
    auto found = timers.find(timer);
    if (found != timers.end() && found->second->IsRunning()) {
        found->second->Stop();
    }
}

bool UIAnimationManagerHelper::IsTimerRunning(int timer) const {
    auto found = timers.find(timer);
    return found != timers.end() && found->second->IsRunning();
}

void UIAnimationManagerHelper::GrowTo(int height) {
    if (!view) {
        return;
    }
    view->BringToFront();
    auto* state = new UIWindowHeightIncreaseAnimation(view, this, height);
    state->GetHelper()->Guard(view);
    AddState(state);
}

void UIAnimationManagerHelper::ShrinkTo(int height) {
    if (!view) {
        return;
    }
    view->BringToFront();
    auto* state = new UIWindowHeightDecreaseAnimation(view, this, height);
    state->GetHelper()->Guard(view);
    AddState(state);
}

int UIAnimationManagerHelper::PlannedHeight() const {
    for (auto it = states.rbegin(); it != states.rend(); ++it) {
        if (auto* change = dynamic_cast<UIWindowHeightAnimation*>(*it)) {
            return change->Target();
        }
    }
    return HeadingHeight();
}

int UIAnimationManagerHelper::HeadingHeight() const {
    if (resizeTarget > 0) {
        return resizeTarget;
    }
    RECT rc{};
    if (!view || !GetWindowRect(view->GetHWND(), &rc)) {
        return 0;
    }
    return rc.bottom - rc.top;
}

void UIAnimationManagerHelper::AnimateProgress(unsigned percent) {
    if (!view || !fixedItem) {
        return;
    }
    auto* state = new UIItemProgressAnimation(view, fixedItem, percent);
    state->GetHelper()->Guard(fixedItem);
    state->GetHelper()->Guard(view);
    AddState(state);
}

DuiLib::CListUI* UIAnimationManagerHelper::ListOf(UIQueuedItem* row) {
    for (DuiLib::CControlUI* up = row ? row->GetParent() : nullptr; up; up = up->GetParent()) {
        if (auto* list = static_cast<DuiLib::CListUI*>(up->GetInterface(L"List"))) {
            return list;
        }
    }
    return nullptr;
}

void UIAnimationManagerHelper::MoveQueuedToFixed(UIQueuedItem* row, UIFixedItem* item,
                                                 const Vela::Ux::UIListItemInfo& info) {
    DuiLib::CListUI* list = ListOf(row);
    if (!row || !item || !list || !view || !callback) {
        return;
    }
    item->SetItem(row->GetId(), info, false);
    list->Remove(row);
    view->BringToFront();
    callback->OnQueue2TransferEnd();
}

void UIAnimationManagerHelper::RemoveQueuedRow(UIQueuedItem* row) {
    DuiLib::CListUI* list = ListOf(row);
    if (!list || !callback) {
        return;
    }
    list->Remove(row);
    callback->OnQueuedItemSlideOutEnd();
}

bool UIAnimationManagerHelper::ShowIfHidden() {
    if (!view || !view->GetHWND()) {
        return false;
    }
    if (IsWindowVisible(view->GetHWND())) {
        view->BringToFront();
        return false;
    }
    auto* manager = view->GetPaintManager();
    resizeTarget = 0;  // sized at once, ending any animated resize
    view->Resize(UISkinValues::Length(manager, L"transfer_dialog_width"),
                 UISkinValues::Length(manager, L"tranfer_dialog_height_collapsed"), 0);
    view->CenterWindow();
    view->ShowWindow(true, true);
    view->BringToFront();
    return true;
}

void UIAnimationManagerHelper::AddState(UIAnimationState* state) {
    if (!state) {
        return;
    }
    state->GetHelper()->Attach(this, root);
    const int type = state->GetHelper()->GetType();
    for (bool cancelled = true; cancelled;) {
        cancelled = false;
        for (auto it = states.begin(); it != states.end(); ++it) {
            const std::vector<int>& replacedBy = (*it)->GetHelper()->GetReplacedBy();
            if (std::find(replacedBy.begin(), replacedBy.end(), type) != replacedBy.end()) {
                UIAnimationState* old = *it;
                states.erase(it);
                old->GetHelper()->StopAnimation();
                delete old;
                cancelled = true;
                break;
            }
        }
    }
    const bool anyRunning = std::any_of(states.begin(), states.end(), [](UIAnimationState* s) {
        return s->GetHelper()->IsRunning();
    });
    states.push_back(state);
    // With nothing running (a replaced state was), the oldest waiting state goes first: a stream
    // of replacing progress states must not keep a height change waiting for ever.
    if (!anyRunning) {
        StartState(states.front());
    }
}

void UIAnimationManagerHelper::StartState(UIAnimationState* state) {
    state->GetHelper()->Start();  // may end and destroy the state
}

void UIAnimationManagerHelper::OnStateEnd(UIAnimationState* state) {
    auto found = std::find(states.begin(), states.end(), state);
    if (found == states.end()) {
        return;
    }
    states.erase(found);
    auto next = std::find_if(states.begin(), states.end(),
                             [](UIAnimationState* s) { return !s->GetHelper()->IsRunning(); });
    if (next != states.end()) {
        StartState(*next);
    }
    delete state;
}

void UIAnimationManagerHelper::OnAnimationEnd(DuiLib::VariantAnimation* animation) {
    for (auto& timer : timers) {
        if (timer.second.get() == animation) {
            if (callback) {
                callback->OnTimerEnd(timer.first);
            }
            return;
        }
    }
}
