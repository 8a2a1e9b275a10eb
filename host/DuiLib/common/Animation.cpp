// Value animations stepped by timed tasks of the UI loop.
#include "DuiLibStandIn.h"
#include "UIAnimation.h"

#include <cmath>

namespace DuiLib {

Variant Variant::Interpolate(const Variant& start, const Variant& end, double t) {
    const double value = start.d_ + (end.d_ - start.d_) * t;
    switch (start.type_) {
        case Type::Int:
            return Variant(static_cast<int>(std::trunc(value)));
        case Type::UInt:
            return Variant(static_cast<unsigned int>(std::trunc(value)));
        case Type::Double:
            return Variant(value);
        default:
            return Variant();
    }
}

VariantAnimation::VariantAnimation(CControlUI*, IAnimationCallback* callback)
    : callback_(callback), alive_(std::make_shared<bool>(true)) {}

VariantAnimation::~VariantAnimation() {
    *alive_ = false;
    duistandin::CancelScheduled(stepTask_);
}

bool VariantAnimation::Start() {
    if (running_) {
        return false;
    }
    running_ = true;
    loopsDone_ = 0;
    startedAt_ = GetTickCount64();
    ScheduleStep();
    return true;
}

void VariantAnimation::Stop() {
    running_ = false;
    duistandin::CancelScheduled(stepTask_);
    stepTask_ = 0;
}

void VariantAnimation::ScheduleStep() {
    const uint64_t loopEnd = startedAt_ + static_cast<uint64_t>(duration_ > 0 ? duration_ : 0);
    // A timer (no values) needs no frames: it wakes only at its end.
    const uint64_t next = start_.IsValid() ? GetTickCount64() + kFrameMs : loopEnd;
    std::weak_ptr<bool> alive = alive_;
    stepTask_ = duistandin::ScheduleAt(next < loopEnd ? next : loopEnd, [this, alive] {
        if (auto live = alive.lock(); live && *live) {
            Step();
        }
    });
}

void VariantAnimation::Step() {
    stepTask_ = 0;
    if (!running_) {
        return;
    }
    const uint64_t now = GetTickCount64();
    const uint64_t elapsed = now - startedAt_;
    double t = duration_ > 0 ? static_cast<double>(elapsed) / duration_ : 1.0;
    const bool loopEnded = t >= 1.0;
    t = loopEnded ? 1.0 : t;
    const double eased =
        curve_ == kInOutQuad ? (t < 0.5 ? 2 * t * t : 1 - std::pow(-2 * t + 2, 2) / 2) : t;
    std::weak_ptr<bool> alive = alive_;
    if (callback_ && start_.IsValid()) {
        callback_->OnAnimationValue(this, Variant::Interpolate(start_, end_, eased));
        if (alive.expired() || !*alive.lock() || !running_) {
            return;  // the callback stopped or destroyed the animation
        }
    }
    if (loopEnded) {
        ++loopsDone_;
        if (loops_ == 0 || loopsDone_ < loops_) {
            startedAt_ = now;
        } else {
            running_ = false;
            if (callback_) {
                callback_->OnAnimationEnd(this);
            }
            return;
        }
    }
    ScheduleStep();
}

}  // namespace DuiLib
