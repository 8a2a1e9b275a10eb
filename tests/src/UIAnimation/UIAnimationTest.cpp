// The animation manager: states one at a time in arrival order, replacement, guarded objects
// ending a state silently (also under Wine, on the real clock), and the one-shot timers (on mock
// time).
#include "FileTransferView.h"
#include "UIAnimationManager.h"
#include "UIAnimationState.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string>* journal = nullptr;

// A state of its own type that records what happens to it; 100 ms long.
class RecordingState : public UIAnimationState {
public:
    RecordingState(std::string name, int type, bool prepares = true)
        : UIAnimationState(type), name(std::move(name)), prepares(prepares) {}
    ~RecordingState() override { journal->push_back(name + ":destroyed"); }
    void CollectTypesA(std::vector<int>&) override {}
    void CollectReplacedBy(std::vector<int>& types) override { types.push_back(7); }
    bool Prepare(DuiLib::VariantAnimation* animation) override {
        journal->push_back(name + ":prepare");
        animation->SetDuration(100);
        animation->SetStartValue(0);
        animation->SetEndValue(10);
        return prepares;
    }
    void OnValueChanged(const DuiLib::Variant&) override { ++values; }
    void OnEnd() override { journal->push_back(name + ":end"); }
    std::string name;
    bool prepares;
    int values = 0;
};

// The manager's and the view's callbacks: timers are journalled, nothing is queued.
class Callback : public UIAnimationCallback, public FileTransferViewNotifyCallback {
public:
    void OnQueue2TransferEnd() override {}
    void OnQueuedItemSlideOutEnd() override {}
    void OnTimerEnd(int timer) override { journal->push_back("timer" + std::to_string(timer)); }
    int GetQueuedCount() override { return 0; }
};

class UIAnimationTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        journal = &seen;
        view = std::make_unique<FileTransferView>();
        view->InitView();
        view->SetNotifyCallback(&callback);
        manager = view->GetHelper()->animationManager->Get();
        manager->SetCallback(&callback);
        duistandin::RunUntilIdle();
    }
    void TearDown() override {
        view.reset();
        journal = nullptr;
        UiTest::TearDown();
    }
    std::vector<std::string> seen;
    Callback callback;
    std::unique_ptr<FileTransferView> view;
    UIAnimationManagerHelper* manager = nullptr;
};

TEST_F(UIAnimationTest, StatesRunOneAtATimePastOnesWithNothingToDoAndANewOneCancelsWhatItReplaces) {
    manager->AddState(new RecordingState("a", 5));
    manager->AddState(new RecordingState("b", 5, false));
    manager->AddState(new RecordingState("c", 5));
    EXPECT_EQ(seen, (std::vector<std::string>{"a:prepare"}));
    LetTimePass(100, [this] { return seen.size() >= 7; });
    EXPECT_EQ(seen, (std::vector<std::string>{"a:prepare", "a:end", "b:prepare", "b:end",
                                              "c:prepare", "b:destroyed", "a:destroyed"}));
    LetTimePass(100, [this] { return seen.back() == "c:destroyed"; });
    EXPECT_EQ(seen.back(), "c:destroyed");
    EXPECT_EQ(manager->StateCount(), 0u);

    // Every recording state is replaced by type 7: the running one and the waiting one go,
    // without end notifications, and the new one starts at once.
    seen.clear();
    manager->AddState(new RecordingState("d", 5));
    manager->AddState(new RecordingState("e", 5));
    LetTimePass(30, [] { return true; });  // d runs
    manager->AddState(new RecordingState("f", 7));
    EXPECT_EQ(seen,
              (std::vector<std::string>{"d:prepare", "d:destroyed", "e:destroyed", "f:prepare"}));
    EXPECT_EQ(manager->StateCount(), 1u);
}

TEST_F(UIAnimationTest, AGuardedObjectGoneEndsTheStateWithoutItsEnd) {
    auto object = std::make_unique<UIAnimationObjectGuard>();
    auto* state = new RecordingState("a", 5);
    state->GetHelper()->Guard(object.get());
    manager->AddState(state);
    manager->AddState(new RecordingState("b", 5));
    LetTimePass(50, [state] { return state->values > 0; });
    EXPECT_GT(state->values, 0);  // running when its object goes
    object.reset();
    EXPECT_EQ(seen, (std::vector<std::string>{"a:prepare", "b:prepare", "a:destroyed"}));
}

TEST_F(UIAnimationTest, HeightStatesEndAtOnceWhenThereIsNothingToResize) {
    RECT rc{};
    GetWindowRect(view->GetHWND(), &rc);
    manager->GrowTo(rc.bottom - rc.top);  // equal: ends at once
    manager->AddState(new RecordingState("next", 5));
    EXPECT_EQ(seen, (std::vector<std::string>{"next:prepare"}));
    manager->ShrinkTo(rc.bottom - rc.top + 10);  // taller is no shrink
    LetTimePass(500, [this] { return manager->StateCount() == 0; });
    EXPECT_EQ(manager->StateCount(), 0u);
}

// Boundaries of mock time.
#ifndef _WIN32
TEST_F(UIAnimationTest, TimersAreOneShotAndStoppingSuppressesTheirEnd) {
    view->GetPaintManager()->SetUserValue(L"window_hide_timeout", L"300");
    // The timers read their durations when the manager is made: make a fresh one.
    UIAnimationManagerHelper fresh(view.get(), nullptr);
    fresh.SetCallback(&callback);
    fresh.StartTimer(UIAnimationManagerHelper::kWindowHide);
    duistandin::AdvanceTime(200);
    fresh.StartTimer(UIAnimationManagerHelper::kWindowHide);  // running: not restarted
    duistandin::AdvanceTime(100);
    EXPECT_EQ(seen, (std::vector<std::string>{"timer1"}));
    fresh.StartTimer(UIAnimationManagerHelper::kWindowHide);
    fresh.StopTimer(UIAnimationManagerHelper::kWindowHide);
    fresh.StartTimer(UIAnimationManagerHelper::kTransferOkKeep);  // skin value 1500 ms
    duistandin::AdvanceTime(1499);
    EXPECT_EQ(seen.size(), 1u);
    duistandin::AdvanceTime(1);
    EXPECT_EQ(seen, (std::vector<std::string>{"timer1", "timer0"}));
    fresh.StartTimer(9);  // no such timer
}

#endif

}  // namespace
