#include "UIAnimationState.h"

#include <algorithm>

UIAnimationState::UIAnimationState(int type)
    : helper(std::make_unique<UIAnimationStateHelper>(this, type)) {}

UIAnimationState::~UIAnimationState() {
    helper->StopAnimation();
    helper->ClearCallback();
    helper.reset();
}

void UIAnimationState::EndNow() {
    helper->End();
}
void UIAnimationState::SetExternallyDriven() {
    helper->SetExternallyDriven();
}

UIAnimationStateHelper::UIAnimationStateHelper(UIAnimationState* owner, int stateType)
    : state(owner), type(stateType) {}

UIAnimationStateHelper::~UIAnimationStateHelper() {
    lifetime.Expire();
    for (UIAnimationObjectGuard* object : guarded) {
        object->RemoveCallback(this);
    }
}

void UIAnimationStateHelper::Attach(UIAnimationState::UIAnimationStateCallback* owner,
                                    DuiLib::CControlUI* root) {
    animation = std::make_unique<DuiLib::VariantAnimation>(root, this);
    manager = owner;
    state->CollectTypesA(typesA);
    state->CollectReplacedBy(replacedBy);
}

void UIAnimationStateHelper::Guard(UIAnimationObjectGuard* object) {
    if (object && std::find(guarded.begin(), guarded.end(), object) == guarded.end()) {
        guarded.push_back(object);
        object->AddCallback(this);
    }
}

bool UIAnimationStateHelper::Start() {
    if (!animation) {
        return true;
    }
    if (objectGone) {
        End();
        return false;
    }
    auto stillHere = lifetime.Wrap([] { return true; });
    const bool prepared = state->Prepare(animation.get());
    if (!stillHere()) {
        return false;  // ended inside Prepare
    }
    if (!prepared) {
        End();
        return false;
    }
    running = externallyDriven ? true : animation->Start();
    return true;
}

void UIAnimationStateHelper::End() {
    if (!objectGone) {
        state->OnEnd();
    }
    running = false;
    if (manager) {
        manager->OnStateEnd(state);  // destroys the state and this helper
    }
}

void UIAnimationStateHelper::StopAnimation() {
    if (animation) {
        animation->Stop();
    }
}

void UIAnimationStateHelper::ClearCallback() {
    if (animation) {
        animation->SetCallback(nullptr);
    }
}

void UIAnimationStateHelper::OnAnimationValue(DuiLib::VariantAnimation*,
                                              const DuiLib::Variant& value) {
    if (!objectGone) {
        state->OnValueChanged(value);
    }
}

void UIAnimationStateHelper::OnAnimationEnd(DuiLib::VariantAnimation*) {
    End();
}

void UIAnimationStateHelper::OnGuardedObjectDestroyed(UIAnimationObjectGuard* object) {
    objectGone = true;
    guarded.erase(std::remove(guarded.begin(), guarded.end(), object), guarded.end());
    StopAnimation();
    End();
}
