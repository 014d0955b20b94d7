// One copy per user session: the lock ($XDG_RUNTIME_DIR/<program>.lock) is exclusive and freed
// with its holder, and a second start of the program exits at once, silently, with 0.
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

TEST(SingleInstanceTest, ASecondStartExitsAtOnceWhileTheFirstRuns) {
    TempDir dir_;
    const std::string runtime_ = dir_.File("runtime");
    ASSERT_EQ(::mkdir(runtime_.c_str(), 0700), 0);
    ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);  // for the lock taken here
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
    SingleInstance mine, other;
    std::string why = "unchanged";
    EXPECT_FALSE(mine.Acquire("ocuvane", &why));
    EXPECT_EQ(why, "") << "a lock held elsewhere is no error";
    EXPECT_TRUE(other.Acquire("another-program")) << "the lock is per program name";
    // Stopped once it is up (its signal handling is in place by then).
    ASSERT_TRUE(WaitFor(
        [&] { return Process::Read(dir_.File("log.txt")).find("Ocuvane started") != std::string::npos; },
        20000));
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(20000), 0) << first.Err();
    EXPECT_FALSE(Held(lock));
}

}  // namespace
