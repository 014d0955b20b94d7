#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/Dispatcher.h"

using namespace ocv;
using namespace std::chrono;

namespace {
// Processes until done() holds or a generous limit passes; the limit only stops a hang.
template <class F>
void PumpUntil(ThreadDispatcher& d, F done) {
    auto deadline = steady_clock::now() + seconds(5);
    while (!done() && steady_clock::now() < deadline) d.ProcessPending(20);
}
}  // namespace

TEST(ThreadDispatcher, PostedClosuresRunOnTheOwnerThreadInOrder) {
    ThreadDispatcher d;
    std::vector<int> order;
    int offOwner = 0;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            d.Post([&, i] { order.push_back(i), offOwner += !d.IsOwnerThread(); });
        d.Post([&] { d.Quit(); });
    });
    d.Run();
    poster.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    EXPECT_EQ(offOwner, 0);
}

TEST(ThreadDispatcher, TimersRepeatUntilKilledAndARestartReplacesTheCallback) {
    ThreadDispatcher d;
    int ticks = 0, replaced = 0, replacing = 0;
    d.StartTimer(7, 20, [&] {
        if (++ticks == 5) d.KillTimer(7);
    });
    d.StartTimer(1, 10, [&] { ++replaced; });
    d.StartTimer(1, 10, [&] { ++replacing; });
    PumpUntil(d, [&] { return ticks == 5 && replacing >= 3; });
    d.ProcessPending(100);  // killed: processing for a while runs it no more
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(replaced, 0);
    EXPECT_GE(replacing, 3);
}

TEST(ThreadDispatcher, AQuitBeforeRunIsNotLostAndPostsStillRunAfterIt) {
    ThreadDispatcher d;
    d.Quit();  // e.g. a signal that arrives while cameras are still connecting
    EXPECT_TRUE(d.QuitRequested());
    d.Run();  // returns at once instead of hanging
    // The stop procedure after the loop still processes what workers post.
    bool ran = false;
    std::thread([&] { d.Post([&] { ran = true; }); }).join();
    PumpUntil(d, [&] { return ran; });
    EXPECT_TRUE(ran);
}
