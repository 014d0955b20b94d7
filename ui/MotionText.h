#pragma once
// The texts of the motion dialogs and the recording-profile dialog, English and Japanese, in the
// interface language of ui/UiText.h.
#include <QString>

namespace ocv {

enum class MT {
    // "MOTION mode setting"
    MotionTitle,
    Preview,
    LevelSettings,
    Sensitivity,
    Threshold,
    LevelMeter,
    Default,
    CaptureMethod,
    MethodSingle,
    MethodPanorama,
    MethodSeries,
    Detail,
    Timeout,
    ActivateRecording,
    Record,
    SecondsAfterDetection,
    AlarmSettings,
    SetAlarm,
    SoundFile,
    TestSound,
    EnableScope,
    ScopeSettings,
    OutlineExtraction,
    OutlineActivate,
    OutlineLevel,
    SoundFilter,
    StatusDetected,
    StatusWatching,
    NoPreview,
    NeedSoundFile,
    SoundUnreadable,
    NeedCamera,
    // "Detail"
    LiveShotTitle,
    ConstantInterval,
    Time,
    Minutes,
    Seconds,
    Interval,
    // "Timeout"
    TimeoutTitle,
    CaptureImage,
    SecondsAfterDetect,
    ChooseWithin,
    TimeoutGroup,
    AfterCapture,
    Milliseconds,
    // "scope settings"
    ScopeTitle,
    ScopeHint,
    ScopeInvalid,
    // "profile preference"
    ProfileTitle,
    SystemProfile,
    CustomProfile,
    ProfileFilter,
    Count_
};

QString MTr(MT id);

}  // namespace ocv
