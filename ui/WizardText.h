#pragma once
// The texts of the connection wizard, the camera-setting dialog and the format pages, in English
// and Japanese (the language of CurrentUiLanguage()).
#include <QString>

namespace ocv {

enum class W {
    WizardTitle,
    SelectDeviceTitle,
    ChoiceLocal,
    ChoiceNetwork,
    ChoiceFile,
    CameraName,
    VideoCaptureTitle,
    ChooseCamera,
    DeviceDetails,
    WmEncoderTitle,
    StreamUrl,
    NetDeviceTitle,
    ChooseNetType,
    FamilyPeer,
    FamilyPanasonic,
    FamilyAxis,
    FamilyVivotek,
    FamilyMegaChips,
    FamilyMjpegUrl,
    FamilyStream,
    FileFailed,
    SetupTitle,
    FileLoadTitle,
    FileName,
    Browse,
    Url,
    UrlHint,
    Quality,
    Password,
    ImageSize,
    Type,
    Camera,
    Size,
    FrameRate,
    FormatTitle,
    DevicePageTitle,
    CameraSettingTitle,
    DeviceName,
    ChangeCamera,
    Reconnect,
    FormatButton,
    CameraButton,
    SaveSetting,
    Close,
    BackButton,
    NextButton,
    FinishButton,
    CancelButton,
};

QString WizardText(W id);

// The information text of a network-camera family on the network page (device type 3..8).
QString FamilyInformation(int deviceType);

}  // namespace ocv
