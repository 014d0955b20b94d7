#include "CtrlFixture.h"

using namespace ocvtest;

namespace {

// 2026-12-07 is a Monday.
LocalTime At(int dayOfWeek, int hour, int minute, int second = 0) {
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return {.wYear = 2026, .wMonth = 12, .wDayOfWeek = u(dayOfWeek), .wDay = u(6 + dayOfWeek),
            .wHour = u(hour), .wMinute = u(minute), .wSecond = u(second)};
}

// A camera scheduled from 9:00 to 17:00 on Mondays, on a ten-minute Live interval, whose clock
// the test sets.
class ScheduleTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        auto& s = ctrl_->Param().schedule;
        s.enable = 1;
        s.execWeek = 0x02;  // Monday only
        s.startHour = 9;
        s.startMinute = s.endMinute = 0;
        s.endHour = 17;
        ctrl_->Param().vistrel.vistrelTimer = 600000;
        ctrl_->SetClock([this] { return now_; });
    }
    LocalTime now_;
};

}  // namespace

TEST_F(ScheduleTest, ChecksStartAndStopAtTheirMinutes) {
    struct Check {
        LocalTime at;
        bool running;
        int starts, stops;  // the log lines so far
    };
    struct Row {
        const char* what;
        bool connected, vistrel, allDayAtMidnight;
        std::vector<Check> checks;
    } rows[] = {
        {"Monday nine to five", true, true, false,
         {{At(2, 9, 0, 5), false, 0, 0},  // Tuesday
          {At(1, 8, 59, 55), false, 0, 0},
          {At(1, 9, 0, 3), true, 1, 0},
          {At(1, 9, 0, 13), true, 1, 0},  // the same minute does not start it again
          {At(1, 17, 0, 8), false, 1, 1},
          {At(1, 17, 0, 18), false, 1, 2}}},  // every match of the end minute logs
        {"start equal to the end: started and stopped in one check", true, true, true,
         {{At(0, 0, 0, 1), false, 1, 1}}},
        {"not connected: never starts but still stops", false, true, false,
         {{At(1, 9, 0), false, 0, 0}, {At(1, 17, 0), false, 0, 1}}},
        // No Vistrel or motion thread runs, so every check of the minute starts again.
        {"web server only", true, false, false,
         {{At(1, 9, 0, 1), false, 1, 0}, {At(1, 9, 0, 11), false, 2, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        auto& s = ctrl_->Param().schedule;
        if (row.allDayAtMidnight) s.execWeek = 0x7F, s.startHour = s.endHour = 0;
        ctrl_->Param().vistrel.enableVistrel = row.vistrel;
        if (row.connected) {
            ASSERT_EQ(ctrl_->ConnectCamera(), 1);
        }
        for (const Check& c : row.checks) {
            SCOPED_TRACE(std::to_string(c.at.wDayOfWeek) + " " + std::to_string(c.at.wHour) + ":" +
                         std::to_string(c.at.wMinute) + ":" + std::to_string(c.at.wSecond));
            now_ = c.at;
            ctrl_->CheckSchedule();
            PumpFor(50);
            EXPECT_EQ(ctrl_->IsVistrelRunning(), c.running);
            EXPECT_EQ(Count("Start capture by schedule."), c.starts);
            EXPECT_EQ(Count("Stop capture by schedule."), c.stops);
        }
        EXPECT_EQ(Count("[Live] Vistrel start!"), row.connected && row.vistrel ? 1 : 0);
        EXPECT_EQ(Count("ｽﾚｯﾄﾞを強制終了します"), 0);
        EXPECT_TRUE(ctrl_->State() & STATE_SCHEDULE) << "armed, and re-armed after a stop";
    }
}

TEST_F(ScheduleTest, TheConnectionArmsATenSecondTimerOnTheOwnerThread) {
    auto& s = ctrl_->Param().schedule;
    s.execWeek = 0x7F;
    now_ = At(3, 12, 30);
    s.startHour = 12;
    s.startMinute = 30;
    timers_.timerDivisor = 100;  // the loop runs it every 100 ms
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    ASSERT_EQ(timers_.requested.size(), 1u);
    EXPECT_EQ(timers_.requested.begin()->second, 10000u);
    ASSERT_TRUE(PumpUntil([&] { return ctrl_->IsVistrelRunning(); }, 3000));
    ctrl_->DisarmSchedule();
    EXPECT_FALSE(ctrl_->State() & STATE_SCHEDULE);
    ctrl_->StopCapture();
}
