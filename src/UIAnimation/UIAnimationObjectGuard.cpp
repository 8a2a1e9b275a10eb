#include "UIAnimationObjectGuard.h"

#include <algorithm>

UIAnimationObjectGuard::~UIAnimationObjectGuard() {
    // A callback may unregister others while it runs; each is told once, if still registered.
    const std::vector<UIAnimationObjectGuardCallback*> registered = callbacks;
    for (UIAnimationObjectGuardCallback* callback : registered) {
        if (std::find(callbacks.begin(), callbacks.end(), callback) != callbacks.end()) {
            callback->OnGuardedObjectDestroyed(this);
        }
    }
    callbacks.clear();
}

void UIAnimationObjectGuard::AddCallback(UIAnimationObjectGuardCallback* callback) {
    if (callback && std::find(callbacks.begin(), callbacks.end(), callback) == callbacks.end()) {
        callbacks.push_back(callback);
    }
}

void UIAnimationObjectGuard::RemoveCallback(UIAnimationObjectGuardCallback* callback) {
    callbacks.erase(std::remove(callbacks.begin(), callbacks.end(), callback), callbacks.end());
}
