#include "CtrlFixture.h"

using namespace ocvtest;

namespace {

// 2026-12-07 is a Monday.
LocalTime At(int dayOfWeek, int hour, int minute, int second = 0) {
    LocalTime t;
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = static_cast<uint16_t>(6 + dayOfWeek);
    t.wDayOfWeek = static_cast<uint16_t>(dayOfWeek);
    t.wHour = static_cast<uint16_t>(hour);
    t.wMinute = static_cast<uint16_t>(minute);
    t.wSecond = static_cast<uint16_t>(second);
    return t;
}

class ScheduleTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        auto& s = ctrl_->Param().schedule;
        s.enable = 1;
        s.execWeek = 0x02;  // Monday only
        s.startHour = 9;
        s.startMinute = 0;
        s.endHour = 17;
        s.endMinute = 0;
        ctrl_->Param().vistrel.vistrelTimer = 600000;
        ctrl_->SetClock([this] { return now_; });
    }
    void CheckAt(const LocalTime& t) {
        now_ = t;
        ctrl_->CheckSchedule();
        PumpFor(50);
    }
    LocalTime now_;
};

}  // namespace

TEST_F(ScheduleTest, MondayNineToFiveOnlyOnMonday) {
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    EXPECT_TRUE(ctrl_->State() & STATE_SCHEDULE);
    // Checks one after the other; the counts are of the log lines so far.
    struct Step {
        LocalTime at;
        bool running;
        int starts, stops;
    } steps[] = {
        {At(2, 9, 0, 5), false, 0, 0},  // Tuesday
        {At(1, 8, 59, 55), false, 0, 0},
        {At(1, 9, 0, 3), true, 1, 0},
        {At(1, 9, 0, 13), true, 1, 0},  // the same minute does not start it again
        {At(1, 9, 0, 23), true, 1, 0},
        {At(1, 16, 59, 58), true, 1, 0},
        {At(1, 17, 0, 8), false, 1, 1},
        {At(1, 17, 0, 18), false, 1, 2},  // every match of the end minute logs, nothing to stop
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.at.wDayOfWeek) + " " + std::to_string(s.at.wHour) + ":" +
                     std::to_string(s.at.wMinute) + ":" + std::to_string(s.at.wSecond));
        CheckAt(s.at);
        EXPECT_EQ(ctrl_->IsVistrelRunning(), s.running);
        EXPECT_EQ(Count("Start capture by schedule."), s.starts);
        EXPECT_EQ(Count("Stop capture by schedule."), s.stops);
    }
    EXPECT_EQ(Count("[Live] Vistrel start!"), 1);
    EXPECT_TRUE(ctrl_->State() & STATE_SCHEDULE) << "re-armed after the stop";
    EXPECT_EQ(Count("ｽﾚｯﾄﾞを強制終了します"), 0);
}

TEST_F(ScheduleTest, StartEqualToEndStartsAndStopsInOneCheck) {
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    auto& s = ctrl_->Param().schedule;
    s.execWeek = 0x7F;
    s.startHour = s.endHour = 0;
    s.startMinute = s.endMinute = 0;  // midnight
    CheckAt(At(0, 0, 0, 1));
    EXPECT_EQ(Count("Start capture by schedule."), 1);
    EXPECT_EQ(Count("Stop capture by schedule."), 1);
    EXPECT_EQ(Count("[Live] Vistrel start!"), 1);
    EXPECT_FALSE(ctrl_->IsVistrelRunning());
}

TEST_F(ScheduleTest, NotConnectedNeverStartsButStillStops) {
    CheckAt(At(1, 9, 0));
    EXPECT_EQ(Count("Start capture by schedule."), 0);
    CheckAt(At(1, 17, 0));
    EXPECT_EQ(Count("Stop capture by schedule."), 1);
}

TEST_F(ScheduleTest, WebServerOnlyCameraLogsAStartAtEveryMatch) {
    ASSERT_EQ(ctrl_->ConnectCamera(), 1);
    ctrl_->Param().vistrel.enableVistrel = 0;
    CheckAt(At(1, 9, 0, 1));
    CheckAt(At(1, 9, 0, 11));
    EXPECT_EQ(Count("Start capture by schedule."), 2)
        << "no Vistrel or motion thread runs, so every check of the minute starts again";
    EXPECT_EQ(Count("開始する処理が何もありません！"), 2);
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
