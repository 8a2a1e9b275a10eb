// One animated change of the dialog, run by the animation manager one at a time in arrival
// order. The state's helper drives the toolkit animation and watches the guarded objects.
#pragma once

#include "LifetimeGuard.h"
#include "UIAnimationObjectGuard.h"

#include <UIlib.h>

#include <memory>
#include <vector>

class UIAnimationStateHelper;

class UIAnimationState {
public:
    class UIAnimationStateCallback {
    public:
        virtual ~UIAnimationStateCallback() = default;
        // The state ended; the manager destroys it.
        virtual void OnStateEnd(UIAnimationState* state) = 0;
    };

    enum Type { kItemProgress = 0, kWindowHeightIncrease = 1, kWindowHeightDecrease = 2 };

    explicit UIAnimationState(int type);
    virtual ~UIAnimationState();
    UIAnimationState(const UIAnimationState&) = delete;
    UIAnimationState& operator=(const UIAnimationState&) = delete;

    virtual void CollectTypesA(std::vector<int>& types) = 0;
    // The types of newly added states that cancel this one.
    virtual void CollectReplacedBy(std::vector<int>& types) { (void)types; }
    // Configures the animation; false when there is nothing to animate.
    virtual bool Prepare(DuiLib::VariantAnimation* animation) = 0;
    virtual void OnValueChanged(const DuiLib::Variant& value) = 0;
    // The animation finished normally.
    virtual void OnEnd() = 0;

    UIAnimationStateHelper* GetHelper() const { return helper.get(); }

protected:
    // Ends the state now (for states driven from outside their animation).
    void EndNow();
    void SetExternallyDriven();

private:
    std::unique_ptr<UIAnimationStateHelper> helper;
};

class UIAnimationStateHelper : public DuiLib::IAnimationCallback,
                               public UIAnimationObjectGuardCallback {
public:
    UIAnimationStateHelper(UIAnimationState* state, int type);
    ~UIAnimationStateHelper() override;

    // Set up by the manager when the state is added.
    void Attach(UIAnimationState::UIAnimationStateCallback* manager, DuiLib::CControlUI* root);
    void Guard(UIAnimationObjectGuard* object);
    // Starts the state; false when it ended (and is destroyed) on the way.
    bool Start();
    // Ends the state: OnEnd unless a guarded object is gone, then the manager destroys it.
    // Nothing may touch the state or this helper afterwards.
    void End();
    void StopAnimation();
    void ClearCallback();

    int GetType() const { return type; }
    bool IsRunning() const { return running; }
    const std::vector<int>& GetReplacedBy() const { return replacedBy; }
    DuiLib::VariantAnimation* GetAnimation() const { return animation.get(); }
    void SetExternallyDriven() { externallyDriven = true; }

    void OnAnimationValue(DuiLib::VariantAnimation* animation,
                          const DuiLib::Variant& value) override;
    void OnAnimationEnd(DuiLib::VariantAnimation* animation) override;
    void OnGuardedObjectDestroyed(UIAnimationObjectGuard* object) override;

private:
    std::unique_ptr<DuiLib::VariantAnimation> animation;
    UIAnimationState* state;
    bool running = false;
    UIAnimationState::UIAnimationStateCallback* manager = nullptr;
    std::vector<int> typesA;
    std::vector<int> replacedBy;
    int type;
    bool objectGone = false;
    bool externallyDriven = false;
    std::vector<UIAnimationObjectGuard*> guarded;
    LifetimeGuard lifetime;  // for calls that may end the state while it runs
};
