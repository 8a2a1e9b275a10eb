// Lets animation states notice that an object they touch has been destroyed.
//
// UI thread only, like the animations: the object's destructor tells each registered state at
// once, so a running state ends without touching it. Work handed over between threads is kept
// off dead objects by LifetimeGuard instead.
#pragma once

#include <vector>

class UIAnimationObjectGuard;

class UIAnimationObjectGuardCallback {
public:
    virtual ~UIAnimationObjectGuardCallback() = default;
    virtual void OnGuardedObjectDestroyed(UIAnimationObjectGuard* object) = 0;
};

// Base of every object an animation may touch: its destruction tells every registered
// callback, in registration order.
class UIAnimationObjectGuard {
public:
    UIAnimationObjectGuard() = default;
    virtual ~UIAnimationObjectGuard();
    UIAnimationObjectGuard(const UIAnimationObjectGuard&) = delete;
    UIAnimationObjectGuard& operator=(const UIAnimationObjectGuard&) = delete;

    void AddCallback(UIAnimationObjectGuardCallback* callback);
    void RemoveCallback(UIAnimationObjectGuardCallback* callback);

private:
    std::vector<UIAnimationObjectGuardCallback*> callbacks;
};
