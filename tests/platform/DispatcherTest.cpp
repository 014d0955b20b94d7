#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/Dispatcher.h"

using namespace ocv;
using namespace std::chrono;

TEST(ThreadDispatcher, PostedClosuresRunOnTheOwnerThreadInOrder) {
    ThreadDispatcher d;
    std::vector<int> order;
    std::vector<std::thread::id> ranOn;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            d.Post([&, i] {
                order.push_back(i);
                ranOn.push_back(std::this_thread::get_id());
            });
        d.Post([&] { d.Quit(); });
    });
    d.Run();
    poster.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    for (auto id : ranOn) EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_TRUE(d.IsOwnerThread());
}

TEST(ThreadDispatcher, TimersRepeatUntilKilled) {
    ThreadDispatcher d;
    int ticks = 0;
    d.StartTimer(7, 20, [&] {
        if (++ticks == 5) {
            d.KillTimer(7);
            d.Post([&] { d.Quit(); });
        }
    });
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(milliseconds(50));
        d.Quit();
    });
    d.Run();
    done = true;
    watchdog.join();
    EXPECT_EQ(ticks, 5);
    // Killed: processing for a while runs it no more.
    d.ProcessPending(100);
    EXPECT_EQ(ticks, 5);
}

TEST(ThreadDispatcher, ProcessPendingKeepsTheOwnerResponsiveDuringAWait) {
    ThreadDispatcher d;
    std::atomic<bool> workerDone{false};
    bool noticeHandled = false;
    // A worker posts a notice and then finishes; the owner waits for it while processing.
    std::thread worker([&] {
        d.Post([&] { noticeHandled = true; });
        workerDone = true;
    });
    auto deadline = steady_clock::now() + seconds(5);
    while (!(workerDone && noticeHandled) && steady_clock::now() < deadline) d.ProcessPending(50);
    worker.join();
    EXPECT_TRUE(noticeHandled);
}

TEST(ThreadDispatcher, ProcessPendingReturnsAfterItsWaitWhenIdle) {
    ThreadDispatcher d;
    auto t0 = steady_clock::now();
    d.ProcessPending(60);
    auto took = steady_clock::now() - t0;
    EXPECT_GE(took, milliseconds(50));
    EXPECT_LT(took, seconds(2));
}

TEST(ThreadDispatcher, RestartingATimerReplacesItsCallback) {
    ThreadDispatcher d;
    int a = 0, b = 0;
    d.StartTimer(1, 10, [&] { ++a; });
    d.StartTimer(1, 10, [&] { ++b; });
    auto deadline = steady_clock::now() + seconds(5);
    while (b < 3 && steady_clock::now() < deadline) d.ProcessPending(20);
    EXPECT_EQ(a, 0);
    EXPECT_GE(b, 3);
}

TEST(ThreadDispatcher, AQuitBeforeRunIsNotLostAndWaitsStillWaitAfterIt) {
    ThreadDispatcher d;
    d.Quit();  // e.g. a signal that arrives while cameras are still connecting
    EXPECT_TRUE(d.QuitRequested());
    auto t0 = steady_clock::now();
    d.Run();
    EXPECT_LT(steady_clock::now() - t0, milliseconds(500));
    // The stop procedure after the loop still paces itself on ProcessPending.
    t0 = steady_clock::now();
    d.ProcessPending(100);
    EXPECT_GE(steady_clock::now() - t0, milliseconds(90));
    bool ran = false;
    d.Post([&] { ran = true; });
    d.ProcessPending(100);
    EXPECT_TRUE(ran);
}
