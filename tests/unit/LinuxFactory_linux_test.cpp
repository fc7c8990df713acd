// The Linux factory's objects run their handlers through the guard that the factory was handed.
#include "linux/LinuxFactory.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "CatchingGuard.h"

namespace tesra::platform {
namespace {

// Runs the main loop until the condition holds; false when it still fails after ten seconds.
bool RunUntil(const std::function<bool()>& done) {
    const gint64 end = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (!done() && g_get_monotonic_time() < end) {
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
    }
    return done();
}

// The guard is the application's, which the crash reporter sets after the factory was made: the
// factory holds on to it, not to the empty one it saw first.
TEST(LinuxFactoryGuard, TimerTicksRunThroughTheGuardSetLater) {
    HandlerGuard guard;
    LinuxFactory factory(guard);
    std::unique_ptr<Timer> timer = factory.MakeTimer();
    std::vector<std::string> caught;
    guard = testing::CatchingGuard(caught);
    int ticks = 0;
    timer->SetOnTick([&] {
        ++ticks;
        timer->SetEnabled(false);
        throw std::runtime_error("计时失败");
    });
    timer->SetInterval(1);
    timer->SetEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return ticks > 0; }));
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(caught, std::vector<std::string>{"计时失败"});
}

// Without a guard the handler runs bare; what it throws goes no further than the timer.
TEST(LinuxFactoryGuard, WithAnEmptyGuardATickThatThrowsIsContained) {
    const HandlerGuard bare;
    LinuxFactory factory(bare);
    std::unique_ptr<Timer> timer = factory.MakeTimer();
    int ticks = 0;
    timer->SetOnTick([&] {
        ++ticks;
        timer->SetEnabled(false);
        throw std::runtime_error("计时失败");
    });
    timer->SetInterval(1);
    timer->SetEnabled(true);
    EXPECT_TRUE(RunUntil([&] { return ticks > 0; }));
    EXPECT_FALSE(timer->Enabled());
}

}  // namespace
}  // namespace tesra::platform
