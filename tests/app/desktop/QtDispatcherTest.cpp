// The Qt dispatcher: posts from worker threads arrive in order on the GUI thread, also while a
// wait on the GUI thread keeps the queue moving; timers repeat, restart and stop.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "DesktopFixture.h"
#include "app/desktop/QtDispatcher.h"

using namespace ocv;
using namespace ocvtest;

namespace {

class QtDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }
    // Runs the dispatcher until `done` holds, at most 500 waits of 20 ms.
    bool PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 500 && !done(); ++i) dispatcher_.ProcessPending(20);
        return done();
    }
    QtDispatcher dispatcher_;
};

// Four workers post 500 tasks each; one task waits for a worker's answer the way a stop waits
// for its threads: the answer arrives through the same queue while it waits in ProcessPending.
TEST_F(QtDispatcherTest, PostsFromWorkersArriveInOrderAlsoDuringAWaitInATask) {
    std::vector<std::vector<int>> seen(4);
    std::atomic<int> offThread{0}, done{0};
    std::atomic<bool> answered{false};
    bool outerDone = false;
    dispatcher_.Post([&] {
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t)
            workers.emplace_back([&, t] {
                for (int k = 0; k < 500; ++k)
                    dispatcher_.Post([&, t, k] {
                        offThread += !dispatcher_.IsOwnerThread(), ++done;
                        seen[static_cast<size_t>(t)].push_back(k);
                    });
                if (t == 3) dispatcher_.Post([&] { answered = true; });
            });
        for (int waits = 0; !answered && waits < 500; ++waits) dispatcher_.ProcessPending(20);
        for (auto& w : workers) w.join();
        outerDone = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return outerDone; }));
    EXPECT_TRUE(answered.load());
    ASSERT_TRUE(PumpUntil([&] { return done == 2000; }));
    EXPECT_EQ(offThread.load(), 0);
    for (auto& s : seen) {
        ASSERT_EQ(s.size(), 500u);
        for (int k = 0; k < 500; ++k) ASSERT_EQ(s[static_cast<size_t>(k)], k);
    }
}

TEST_F(QtDispatcherTest, TimersRepeatRestartAndStop) {
    int first = 0, second = 0, other = 0;
    dispatcher_.StartTimer(7, 5, [&] { ++first; });
    // A timer can kill itself from its own callback.
    dispatcher_.StartTimer(8, 5, [&] { if (++other == 3) dispatcher_.KillTimer(8); });
    ASSERT_TRUE(PumpUntil([&] { return first >= 3; }));
    // Restarting an id replaces its callback.
    dispatcher_.StartTimer(7, 5, [&] { ++second; });
    const int firstAtRestart = first;
    ASSERT_TRUE(PumpUntil([&] { return second >= 3 && other >= 3; }));
    EXPECT_EQ(first, firstAtRestart);
    dispatcher_.KillTimer(7);
    dispatcher_.KillTimer(99);  // no such timer: nothing happens
    const int secondAtKill = second;
    for (int i = 0; i < 10; ++i) dispatcher_.ProcessPending(10);  // no killed timer fires now
    EXPECT_EQ(second, secondAtKill);
    EXPECT_EQ(other, 3);
}

}  // namespace
