// Value animations of the UI toolkit: a start and an end value interpolated over a duration,
// stepped by the UI loop's clock.
#pragma once

#include <cstdint>
#include <memory>

namespace DuiLib {

class CControlUI;
class VariantAnimation;

// A value of an animation: int, unsigned int or double.
class Variant {
public:
    Variant() = default;
    Variant(int v) : type_(Type::Int), d_(v) {}            // NOLINT
    Variant(unsigned int v) : type_(Type::UInt), d_(v) {}  // NOLINT
    Variant(double v) : type_(Type::Double), d_(v) {}      // NOLINT
    bool IsValid() const { return type_ != Type::None; }
    unsigned int ToUInt() const { return static_cast<unsigned int>(d_); }
    double ToDouble() const { return d_; }
    // START + (END - START) x T in the type of START; integers truncated toward zero.
    static Variant Interpolate(const Variant& start, const Variant& end, double t);

private:
    enum class Type { None, Int, UInt, Double };
    Type type_ = Type::None;
    double d_ = 0.0;
};

class IAnimationCallback {
public:
    virtual ~IAnimationCallback() = default;
    virtual void OnAnimationValue(VariantAnimation* /*animation*/, const Variant& /*value*/) {}
    // The last loop has run to its end (not called by Stop).
    virtual void OnAnimationEnd(VariantAnimation* /*animation*/) {}
};

class VariantAnimation {
public:
    // Easing curves: 0 linear, 1 ease in and out (slow at both ends).
    enum { kLinear = 0, kInOutQuad = 1 };
    // Steps come every kFrameMs of clock time while running.
    static constexpr int kFrameMs = 16;

    // The owner is the control the animation belongs to; the stand-in does not need it.
    explicit VariantAnimation(CControlUI* owner = nullptr, IAnimationCallback* callback = nullptr);
    ~VariantAnimation();
    VariantAnimation(const VariantAnimation&) = delete;
    VariantAnimation& operator=(const VariantAnimation&) = delete;

    void SetCallback(IAnimationCallback* callback) { callback_ = callback; }
    void SetDuration(int milliseconds) { duration_ = milliseconds; }
    int GetDuration() const { return duration_; }
    // Number of runs from start to end value; 0 repeats for ever.
    void SetLoopCount(int count) { loops_ = count; }
    void SetStartValue(const Variant& value) { start_ = value; }
    void SetEndValue(const Variant& value) { end_ = value; }
    void SetEasingCurve(int curve) { curve_ = curve; }

    // Starts from the start value; false when already running. The first value comes one frame
    // later; without start and end values the animation only times its duration.
    bool Start();
    void Stop();
    bool IsRunning() const { return running_; }

private:
    void Step();
    void ScheduleStep();
    IAnimationCallback* callback_;
    int duration_ = 250;
    int loops_ = 1;
    int curve_ = kLinear;
    Variant start_;
    Variant end_;
    bool running_ = false;
    uint64_t startedAt_ = 0;
    int loopsDone_ = 0;
    uint64_t stepTask_ = 0;
    std::shared_ptr<bool> alive_;
};

}  // namespace DuiLib
