// The Qt dispatcher: posts from worker threads arrive in order on the GUI thread, also while a
// wait on the GUI thread keeps the queue moving; timers repeat, restart and stop.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <QThread>

#include "DesktopFixture.h"
#include "app/desktop/QtDispatcher.h"

using namespace ocv;
using namespace ocvtest;

namespace {

class QtDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }
    // Runs the dispatcher until `done` holds, at most `rounds` waits of 20 ms.
    bool PumpUntil(const std::function<bool()>& done, int rounds = 500) {
        for (int i = 0; i < rounds && !done(); ++i) dispatcher_.ProcessPending(20);
        return done();
    }
    QtDispatcher dispatcher_;
};

TEST_F(QtDispatcherTest, PostsFromWorkersArriveInOrderOnTheGuiThread) {
    struct Row {
        int threads;
        int postsEach;
    };
    for (const Row& row : {Row{1, 2000}, Row{4, 500}, Row{8, 250}}) {
        SCOPED_TRACE(row.threads);
        std::vector<std::vector<int>> seen(static_cast<size_t>(row.threads));
        std::atomic<int> offThread{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < row.threads; ++t)
            workers.emplace_back([&, t] {
                for (int k = 0; k < row.postsEach; ++k)
                    dispatcher_.Post([&, t, k] {
                        if (!dispatcher_.IsOwnerThread()) ++offThread;
                        seen[static_cast<size_t>(t)].push_back(k);
                    });
            });
        for (auto& w : workers) w.join();
        const size_t total = static_cast<size_t>(row.threads * row.postsEach);
        ASSERT_TRUE(PumpUntil([&] {
            size_t n = 0;
            for (auto& s : seen) n += s.size();
            return n == total;
        }));
        EXPECT_EQ(offThread.load(), 0);
        for (auto& s : seen) {
            ASSERT_EQ(s.size(), static_cast<size_t>(row.postsEach));
            for (int k = 0; k < row.postsEach; ++k) ASSERT_EQ(s[static_cast<size_t>(k)], k);
        }
    }
}

TEST_F(QtDispatcherTest, AWaitInsideAPostedTaskKeepsTheQueueMoving) {
    // A task on the GUI thread waits for a worker's answer, as a stop waits for its threads:
    // the answer arrives through the same queue while the task waits in ProcessPending.
    std::atomic<bool> answered{false};
    int waits = 0;
    bool outerDone = false;
    dispatcher_.Post([&] {
        std::thread worker([&] {
            for (int i = 0; i < 100; ++i) dispatcher_.Post([] {});
            dispatcher_.Post([&] { answered = true; });
        });
        while (!answered && waits < 500) {
            dispatcher_.ProcessPending(20);
            ++waits;
        }
        worker.join();
        outerDone = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return outerDone; }));
    EXPECT_TRUE(answered.load());
    EXPECT_LT(waits, 500);
}

TEST_F(QtDispatcherTest, TimersRepeatRestartAndStop) {
    int first = 0, second = 0, other = 0;
    dispatcher_.StartTimer(7, 5, [&] { ++first; });
    dispatcher_.StartTimer(8, 5, [&] {
        // A timer can kill itself from its own callback.
        if (++other == 3) dispatcher_.KillTimer(8);
    });
    ASSERT_TRUE(PumpUntil([&] { return first >= 3; }));
    // Restarting an id replaces its callback.
    dispatcher_.StartTimer(7, 5, [&] { ++second; });
    const int firstAtRestart = first;
    ASSERT_TRUE(PumpUntil([&] { return second >= 3 && other >= 3; }));
    EXPECT_EQ(first, firstAtRestart);
    dispatcher_.KillTimer(7);
    dispatcher_.KillTimer(99);  // no such timer: nothing happens
    const int secondAtKill = second;
    // Posted markers pass while no killed timer fires any more.
    int markers = 0;
    for (int i = 0; i < 10; ++i) {
        dispatcher_.Post([&] { ++markers; });
        dispatcher_.ProcessPending(10);
    }
    EXPECT_EQ(markers, 10);
    EXPECT_EQ(second, secondAtKill);
    EXPECT_EQ(other, 3);
}

}  // namespace
