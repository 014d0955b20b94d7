#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <thread>

#include "platform/NamedEvent.h"

using namespace ocv;

// The event's state as IsSet, its descriptor and a wait see it, which all agree.
void ExpectSet(NamedEvent& ev, bool set) {
    pollfd p{ev.Fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0) == 1 && (p.revents & POLLIN), set);
    EXPECT_EQ(ev.IsSet(), set);
    EXPECT_EQ(ev.Wait(10), set) << "a manual-reset event stays set after a wait";
}

TEST(NamedEvent, CreateOpenSetResetAndPollableFd) {
    auto ev = NamedEvent::Create("TestEvtA");
    ASSERT_TRUE(ev);
    ExpectSet(*ev, false);
    auto opened = NamedEvent::Open("TestEvtA");
    ASSERT_EQ(opened.get(), ev.get());
    opened->Set();
    ExpectSet(*ev, true);
    ExpectSet(*ev, true);
    ev->Set();  // a second Set must not need two Resets
    ev->Reset();
    ev->Reset();  // resetting a reset event is harmless
    ExpectSet(*ev, false);
    std::thread setter([ev] { ev->Set(); });
    EXPECT_TRUE(ev->Wait(10000)) << "a Set from another thread wakes the waiter";
    setter.join();
}

TEST(NamedEvent, LifetimeOfNames) {
    EXPECT_FALSE(NamedEvent::Open("NoSuchEventAnywhere"));
    ASSERT_TRUE(NamedEvent::Create("ShortLived"));  // gone at once with its last holder
    EXPECT_FALSE(NamedEvent::Open("ShortLived"));
    // A name can be used again after its event is gone, and starts in the state asked for.
    EXPECT_TRUE(NamedEvent::Create("ShortLived", true)->IsSet());

    auto a = NamedEvent::Create("Shared", false);
    auto b = NamedEvent::Create("Shared", true);  // initial state ignored for an existing event
    EXPECT_EQ(a.get(), b.get());
    EXPECT_FALSE(a->IsSet());

    auto old = NamedEvent::Create("Replaced");
    old->Set();
    auto fresh = NamedEvent::CreateReplacing("Replaced");
    EXPECT_NE(old.get(), fresh.get());
    EXPECT_TRUE(old->IsSet()) << "threads that hold the old event still see it set";
    EXPECT_FALSE(fresh->IsSet());
    old.reset();  // the old one going away must not unregister the new one
    EXPECT_EQ(NamedEvent::Open("Replaced").get(), fresh.get());
}

TEST(NamedEvent, NamesCarryProcessThreadAndGrowingCounter) {
    // Each thread's names carry the process id, that thread's id and a counter from 0000 up.
    auto prefix = [](const char* name) {
        return name + std::to_string(getpid()) + std::to_string(CurrentThreadId());
    };
    EXPECT_EQ(MakeEventName("TerminateEvt%d%d%04d"), prefix("TerminateEvt") + "0000");
    EXPECT_EQ(MakeEventName("TerminateEvt%d%d%04d"), prefix("TerminateEvt") + "0001");
    std::string other, want;
    std::thread([&] { other = MakeEventName("Evt%d%d%04d"), want = prefix("Evt"); }).join();
    EXPECT_EQ(other.rfind(want, 0), 0u) << other;
    EXPECT_NE(want, prefix("Evt"));
}
