#include "LifetimeGuard.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>

namespace {

TEST(LifetimeGuardTest, WrappedWorkRunsOnlyWhileTheOwnerLives) {
    duistandin::SetMainThread();
    auto guard = std::make_unique<LifetimeGuard>();
    int ran = 0;
    auto count = guard->Wrap([&ran](int step) {
        ran += step;
        return ran;
    });
    PostToUi(*guard, [&ran] { ran += 10; });
    EXPECT_EQ(count(1), 1);
    duistandin::RunUntilIdle();
    EXPECT_EQ(ran, 11);

    PostToUi(*guard, [&ran] { ran += 100; });  // queued, then the owner goes
    guard.reset();
    duistandin::RunUntilIdle();
    EXPECT_EQ(count(1), 0) << "an expired call returns a default value";
    EXPECT_EQ(ran, 11);
}

TEST(LifetimeGuardTest, ExpireWaitsForACallOnAnotherThreadButNotForItsOwn) {
    LifetimeGuard guard;
    std::promise<void> entered;
    std::promise<void> release;
    bool finished = false;
    std::thread caller(guard.Wrap([&] {
        entered.set_value();
        release.get_future().wait();
        finished = true;
    }));
    entered.get_future().wait();
    bool finishedWhenExpired = false;
    std::thread expirer([&] {
        guard.Expire();
        finishedWhenExpired = finished;
    });
    release.set_value();
    expirer.join();
    caller.join();
    EXPECT_TRUE(finishedWhenExpired);

    // An owner destroyed from inside its own task does not wait for itself.
    auto owner = std::make_unique<LifetimeGuard>();
    auto selfDestroying = owner->Wrap([&owner] { owner.reset(); });
    selfDestroying();
    EXPECT_EQ(owner, nullptr);
}

}  // namespace
