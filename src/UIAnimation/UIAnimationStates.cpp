#include "UIAnimationStates.h"

#include "FileTransferView.h"
#include "UIAnimationManager.h"
#include "UIFixedItem.h"

UIItemProgressAnimation::UIItemProgressAnimation(FileTransferView* v, UIFixedItem* item,
                                                 unsigned percent)
    : UIAnimationState(kItemProgress),
      view(v),
      fixedItem(item),
      start(item ? item->GetProgress() : 0),
      target(percent),
      lastWritten(start) {}

void UIItemProgressAnimation::CollectTypesA(std::vector<int>&) {}

void UIItemProgressAnimation::CollectReplacedBy(std::vector<int>& types) {
    types.push_back(kItemProgress);
}

bool UIItemProgressAnimation::Prepare(DuiLib::VariantAnimation* animation) {
    if (target <= start) {
        return false;
    }
    animation->SetEasingCurve(0);
    animation->SetDuration(150);
    animation->SetStartValue(start);
    animation->SetEndValue(target);
    return true;
}

void UIItemProgressAnimation::OnValueChanged(const DuiLib::Variant& value) {
    // Someone else moved the progress meanwhile (a reset, say): leave it be.
    if (fixedItem->GetProgress() != lastWritten) {
        return;
    }
    const unsigned percent = value.ToUInt();
    fixedItem->SetProgress(percent);
    view->SetTitlePercent(percent);
    lastWritten = percent;
}

UIWindowHeightAnimation::UIWindowHeightAnimation(int type, FileTransferView* v,
                                                 UIAnimationManagerHelper* m, int height)
    : UIAnimationState(type), view(v), manager(m), target(height) {
    SetExternallyDriven();
    if (view) {
        view->AddAnimationListener(this);
    }
}

// States die with the view's animation manager, before the view itself.
UIWindowHeightAnimation::~UIWindowHeightAnimation() {
    if (view) {
        view->RemoveAnimationListener(this);
    }
}

void UIWindowHeightAnimation::CollectTypesA(std::vector<int>& types) {
    if (GetHelper()->GetType() == kWindowHeightIncrease) {
        types.push_back(9);
    } else {
        types.insert(types.end(), {4, 8});
    }
}

bool UIWindowHeightAnimation::Prepare(DuiLib::VariantAnimation*) {
    RECT rc{};
    if (!GetWindowRect(view->GetHWND(), &rc)) {
        return false;
    }
    const int current = manager->HeadingHeight();
    const bool grow = GetHelper()->GetType() == kWindowHeightIncrease;
    if (grow ? target <= current : target >= current) {
        return false;
    }
    view->Resize(rc.right - rc.left, target, 4);
    manager->ResizeHanded(target);
    EndNow();
    return true;
}

void UIWindowHeightAnimation::OnResizeAnimationEnd() {
    // The end of an earlier resize: a state still waiting for its turn keeps its height change
    // and makes it when it runs.
    if (!GetHelper()->IsRunning()) {
        return;
    }
    GetHelper()->StopAnimation();
    EndNow();
}
