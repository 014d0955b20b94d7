#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <thread>

#include "platform/NamedEvent.h"

using namespace ocv;
using namespace std::chrono;

namespace {
bool PollReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}
}  // namespace

TEST(NamedEvent, CreateOpenSetResetAndPollableFd) {
    auto ev = NamedEvent::Create("TestEvtA");
    ASSERT_TRUE(ev);
    EXPECT_FALSE(ev->IsSet());
    EXPECT_FALSE(PollReadable(ev->Fd()));

    auto opened = NamedEvent::Open("TestEvtA");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened.get(), ev.get());

    opened->Set();
    EXPECT_TRUE(ev->IsSet());
    EXPECT_TRUE(PollReadable(ev->Fd()));
    // Manual reset: stays set after any number of tests and waits.
    EXPECT_TRUE(ev->Wait(0));
    EXPECT_TRUE(ev->Wait(10));
    ev->Set();  // a second Set must not need two Resets
    ev->Reset();
    EXPECT_FALSE(ev->IsSet());
    EXPECT_FALSE(PollReadable(ev->Fd()));
    ev->Reset();  // resetting a reset event is harmless
    EXPECT_FALSE(ev->IsSet());
}

TEST(NamedEvent, OpenFailsForUnknownOrDestroyedEvents) {
    EXPECT_FALSE(NamedEvent::Open("NoSuchEventAnywhere"));
    {
        auto ev = NamedEvent::Create("ShortLived");
        ASSERT_TRUE(NamedEvent::Open("ShortLived"));
    }
    EXPECT_FALSE(NamedEvent::Open("ShortLived"));
    // A name can be used again after its event is gone, and starts in the state asked for.
    auto again = NamedEvent::Create("ShortLived", true);
    EXPECT_TRUE(again->IsSet());
}

TEST(NamedEvent, CreateWithExistingNameReturnsThatEvent) {
    auto a = NamedEvent::Create("Shared", false);
    auto b = NamedEvent::Create("Shared", true);  // initial state ignored for an existing event
    EXPECT_EQ(a.get(), b.get());
    EXPECT_FALSE(a->IsSet());
}

TEST(NamedEvent, WaitTimesOutAndWakesOnSetFromAnotherThread) {
    auto ev = NamedEvent::Create("");
    auto t0 = steady_clock::now();
    EXPECT_FALSE(ev->Wait(100));
    EXPECT_GE(steady_clock::now() - t0, milliseconds(90));

    std::thread setter([ev] {
        std::this_thread::sleep_for(milliseconds(50));
        ev->Set();
    });
    t0 = steady_clock::now();
    EXPECT_TRUE(ev->Wait(10000));
    EXPECT_LT(steady_clock::now() - t0, seconds(5));
    setter.join();
}

TEST(NamedEvent, NamesCarryProcessThreadAndGrowingCounter) {
    std::string a = MakeEventName("TerminateEvt%d%d%04d");
    EXPECT_EQ(a.substr(a.size() - 4), "0000") << "the first name of a pattern is number 0";
    std::string b = MakeEventName("TerminateEvt%d%d%04d");
    std::string prefix =
        "TerminateEvt" + std::to_string(getpid()) + std::to_string(CurrentThreadId());
    ASSERT_EQ(a.rfind(prefix, 0), 0u) << a;
    ASSERT_EQ(b.rfind(prefix, 0), 0u) << b;
    std::string ca = a.substr(prefix.size()), cb = b.substr(prefix.size());
    EXPECT_TRUE(std::regex_match(ca, std::regex("[0-9]{4,}")));
    EXPECT_EQ(std::stoi(cb), std::stoi(ca) + 1);

    // Another thread's name carries that thread's id.
    std::string other;
    int otherTid = 0;
    std::thread t([&] {
        other = MakeEventName("MotionPauseEvt%d%d%04d");
        otherTid = CurrentThreadId();
    });
    t.join();
    EXPECT_NE(otherTid, CurrentThreadId());
    EXPECT_EQ(
        other.rfind("MotionPauseEvt" + std::to_string(getpid()) + std::to_string(otherTid), 0), 0u);
}

TEST(NamedEvent, ReplacingLeavesOldHoldersWithTheirEvent) {
    auto old = NamedEvent::Create("Replaced");
    old->Set();
    auto fresh = NamedEvent::CreateReplacing("Replaced");
    EXPECT_NE(old.get(), fresh.get());
    EXPECT_TRUE(old->IsSet()) << "threads that hold the old event still see it set";
    EXPECT_FALSE(fresh->IsSet());
    EXPECT_EQ(NamedEvent::Open("Replaced").get(), fresh.get());
    old.reset();  // the old one going away must not unregister the new one
    EXPECT_EQ(NamedEvent::Open("Replaced").get(), fresh.get());
}
