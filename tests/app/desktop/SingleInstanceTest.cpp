// One copy per user session: the lock is exclusive, freed with its holder, and a second start
// of the program exits at once, silently, with 0.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

#include "DesktopFixture.h"
#include "app/desktop/SingleInstance.h"

using namespace ocv;
using namespace ocvtest;

namespace {

// Whether some process holds the lock at `path` (a fresh open file description cannot take it).
bool Held(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime_ = dir_.File("runtime");
        ASSERT_EQ(::mkdir(runtime_.c_str(), 0700), 0);
        ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    }
    TempDir dir_;
    std::string runtime_;
};

TEST_F(SingleInstanceTest, TheLockIsExclusiveAndFreedWithItsHolder) {
    auto first = std::make_unique<SingleInstance>();
    ASSERT_TRUE(first->Acquire("ocuvane"));
    EXPECT_EQ(first->Path(), runtime_ + "/ocuvane.lock");
    EXPECT_TRUE(Held(first->Path()));
    std::string why = "unchanged";
    SingleInstance second, other, third;
    EXPECT_FALSE(second.Acquire("ocuvane", &why));
    EXPECT_EQ(why, "") << "a lock held elsewhere is no error";
    EXPECT_TRUE(other.Acquire("another-program")) << "the lock is per program name";
    first.reset();
    EXPECT_FALSE(Held(runtime_ + "/ocuvane.lock"));
    EXPECT_TRUE(third.Acquire("ocuvane"));
}

TEST_F(SingleInstanceTest, ASecondStartExitsAtOnceWhileTheFirstRuns) {
    const std::vector<std::string> env{"XDG_RUNTIME_DIR=" + runtime_, "QT_QPA_PLATFORM=offscreen"};
    const std::string lock = runtime_ + "/ocuvane.lock";
    // The first copy has no camera: it waits in "Add camera" for as long as the test likes.
    Process first({kOcuvane, "--dir", dir_.Path()}, dir_.File("first.out"), dir_.File("first.err"),
                  env);
    ASSERT_TRUE(WaitFor([&] { return Held(lock); }, 20000)) << Process::Read(dir_.File("first.err"));
    Process second({kOcuvane, "--dir", dir_.Path()}, dir_.File("second.out"),
                   dir_.File("second.err"), env);
    EXPECT_EQ(second.Wait(10000), 0);
    EXPECT_EQ(second.Out() + second.Err(), "");
    EXPECT_EQ(first.Wait(0), -1) << "the first copy still runs";
    // Stopped once it is up (its signal handling is in place by then).
    ASSERT_TRUE(WaitFor(
        [&] { return Process::Read(dir_.File("log.txt")).find("Ocuvane started") != std::string::npos; },
        20000));
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(20000), 0) << first.Err();
    EXPECT_FALSE(Held(lock));
}

}  // namespace
