#pragma once
// The stored fields of every record, listed once in the order in which they are written, each
// with its key, its kind and, for text, its capacity. A visitor receives the calls:
//   Int(key, int32_t&), Byte(key, uint8_t&), Float(key, float&), Text(key, std::string&, cap),
//   Format(key, int32_t&) for "Image File Format", Body(std::string&) for the mail body element.
// Sub-sections are not listed here; the section operations handle them.
// Used by the section load/save code and by ClearOcvParam; the record may be const for saving.
#include "config/ImageSettings.h"
#include "config/OcvParam.h"
#include "config/SystemInfo.h"
#include "foundation/DeviceInfo.h"

namespace ocv::fields {

inline const char* const kMailToKeys[SmtpInfo::kRecipientCount] = {
    "Mail To1", "Mail To2", "Mail To3", "Mail To4", "Mail To5",
    "Mail To6", "Mail To7", "Mail To8", "Mail To9", "Mail To10",
};

template <class R, class V>
void TextStyleFields(R& r, V& v) {
    v.Int("Height", r.height);
    v.Int("Width", r.width);
    v.Int("Escapement", r.escapement);
    v.Int("Orientation", r.orientation);
    v.Int("Weight", r.weight);
    v.Byte("Italic", r.italic);
    v.Byte("Underline", r.underline);
    v.Byte("StrikeOut", r.strikeOut);
    v.Byte("CharSet", r.charSet);
    v.Byte("OutPrecision", r.outPrecision);
    v.Byte("ClipPrecision", r.clipPrecision);
    v.Byte("Quality", r.quality);
    v.Byte("PitchAndFamily", r.pitchAndFamily);
    v.Text("FaceName", r.faceName, TextStyle::kFaceNameCapacity);
    v.Int("Text Color", r.textColor);
    v.Int("Text Bk Color", r.textBkColor);
    v.Int("Transparent Text", r.transparentText);
    v.Int("Vert Position", r.vertPosition);
    v.Int("Horz Position", r.horzPosition);
}

template <class R, class V>
void ImageSettingsFields(R& r, V& v) {
    v.Text("Image Filename", r.imageFilename, ImageSettings::kFilenameCapacity);
    v.Format("Image File Format", r.imageFileFormat);
    v.Float("Resize Rate", r.resizeRate);
    v.Int("Rotate", r.rotate);
    v.Int("Enable Gray Scale", r.enableGrayScale);
    v.Int("Enable Print Date", r.enablePrintDate);
    v.Int("Enable Print Time", r.enablePrintTime);
    v.Int("Enable Print Name", r.enablePrintName);
    v.Int("Enable Add Name Counter", r.enableAddNameCounter);
    v.Int("Enable Add Name Date", r.enableAddNameDate);
    v.Int("Enable Add Name Time", r.enableAddNameTime);
    v.Int("JPEG Quality", r.jpegQuality);
    v.Int("PNG Bit Count", r.pngBitCount);
    v.Int("PNG Palette NO", r.pngPaletteNo);
    v.Int("PNG Reduce Type", r.pngReduceType);
    v.Int("Enable Frame Image", r.enableFrameImage);
    v.Text("Frame Image File Name", r.frameImageFileName,
           ImageSettings::kFrameImageFileNameCapacity);
    v.Int("Frame Transparent Color", r.frameTransparentColor);
    v.Int("Frame Transparent Range", r.frameTransparentRange);
}

template <class R, class V>
void LocalSettingFields(R& r, V& v) {
    v.Text("Save Directory Name", r.saveDirectoryName, LocalSetting::kSaveDirectoryCapacity);
    v.Int("Enable Make Date Directory", r.enableMakeDateDirectory);
}

template <class R, class V>
void FtpInfoFields(R& r, V& v) {
    v.Text("FTP Server Address", r.ftpServerAddress, FtpInfo::kAddressCapacity);
    v.Int("FTP Server Port", r.ftpServerPort);
    v.Text("FTP User", r.ftpUser, FtpInfo::kUserCapacity);
    v.Text("FTP Password", r.ftpPassword, FtpInfo::kPasswordCapacity);
    v.Text("FTP Directory", r.ftpDirectory, FtpInfo::kDirectoryCapacity);
    v.Int("FTP Login Retry Count", r.ftpLoginRetryCount);
    v.Int("FTP Pasv Mode", r.ftpPasvMode);
    v.Int("FTP Anonymous", r.ftpAnonymous);
    v.Int("FTP Use TLS", r.ftpUseTls);
    v.Int("Accept Self-Signed Certificate", r.acceptSelfSigned);
}

template <class R, class V>
void SmtpInfoFields(R& r, V& v) {
    v.Text("SMTP Server Address", r.smtpServerAddress, SmtpInfo::kAddressCapacity);
    v.Int("SMTP Server Port", r.smtpServerPort);
    v.Text("Mail From", r.mailFrom, SmtpInfo::kAddressCapacity);
    for (size_t i = 0; i < SmtpInfo::kRecipientCount; ++i)
        v.Text(kMailToKeys[i], r.mailTo[i], SmtpInfo::kAddressCapacity);
    v.Text("Mail Subject", r.mailSubject, SmtpInfo::kSubjectCapacity);
    v.Body(r.mailBody);
    v.Int("No Add Image", r.noAddImage);
    v.Int("Enable POP3 before SMTP", r.enablePop3BeforeSmtp);
    v.Text("POP3 Server Address", r.pop3ServerAddress, SmtpInfo::kAddressCapacity);
    v.Int("POP3 Server Port", r.pop3ServerPort);
    v.Text("POP3 User", r.pop3User, SmtpInfo::kUserCapacity);
    v.Text("POP3 Password", r.pop3Password, SmtpInfo::kPasswordCapacity);
    v.Int("POP3 before SMTP Send Timeout", r.pop3BeforeSmtpSendTimeout);
    v.Int("SMTP Security", r.smtpSecurity);
    v.Text("SMTP User", r.smtpUser, SmtpInfo::kUserCapacity);
    v.Text("SMTP Password", r.smtpPassword, SmtpInfo::kPasswordCapacity);
    v.Int("SMTP Auth Method", r.smtpAuthMethod);
    v.Int("POP3 Security", r.pop3Security);
    v.Int("Accept Self-Signed Certificate", r.acceptSelfSignedCertificate);
}

template <class R, class V>
void VistrelFields(R& r, V& v) {
    v.Int("Enable Vistrel", r.enableVistrel);
    v.Int("Vistrel Timer", r.vistrelTimer);
    v.Int("Enable Local", r.enableLocal);
    v.Int("Enable SMTP", r.enableSmtp);
    v.Int("Enable FTP", r.enableFtp);
}

template <class R, class V>
void MotionFields(R& r, V& v) {
    v.Int("Enable MotionCapture", r.enableMotionCapture);
    v.Int("Motion Capture Reception", r.motionCaptureReception);
    v.Float("Motion Capture Threshold", r.motionCaptureThreshold);
    v.Int("Motion Capture Mode", r.motionCaptureMode);
    v.Int("Motion Capture Timeout", r.motionCaptureTimeout);
    v.Int("Motion Capture TimeoutMM", r.motionCaptureTimeoutMM);
    v.Int("Motion Next Capture Timeout", r.motionNextCaptureTimeout);
    v.Int("Motion Next Capture TimeoutMM", r.motionNextCaptureTimeoutMM);
    v.Int("Motion Capture Enable Sound", r.motionCaptureEnableSound);
    v.Text("Motion Capture Sound Filename", r.motionCaptureSoundFilename,
           MotionCapSetting::kSoundFilenameCapacity);
    v.Int("Enable Range", r.enableRange);
    v.Int("Range Left", r.rangeLeft);
    v.Int("Range Top", r.rangeTop);
    v.Int("Range Right", r.rangeRight);
    v.Int("Range Bottom", r.rangeBottom);
    v.Int("Enable Outline", r.enableOutline);
    v.Int("Outline Level", r.outlineLevel);
    v.Int("Live Shot Time", r.liveShotTime);
    v.Int("Live Shot Interval", r.liveShotInterval);
    v.Int("Enable Recording", r.enableRecording);
    v.Int("Recording StartTime Before", r.recordingStartTimeBefore);
    v.Int("Enable Local", r.enableLocal);
    v.Int("Enable SMTP", r.enableSmtp);
    v.Int("Enable FTP", r.enableFtp);
}

template <class R, class V>
void SnapShotFields(R& r, V& v) {
    v.Int("Enable SMTP", r.enableSmtp);
    v.Int("Enable FTP", r.enableFtp);
}

template <class R, class V>
void RecordingFields(R& r, V& v) {
    v.Int("RecordingTime", r.recordingTime);
    v.Int("FrameRate", r.frameRate);
    v.Int("EnableWMV", r.enableWMV);
    v.Int("WMVProfileType", r.wmvProfileType);
    v.Int("WMVSystemProfileIndex", r.wmvSystemProfileIndex);
    v.Text("WMVCustomProfilePath", r.wmvCustomProfilePath,
           RecordingInfo::kCustomProfilePathCapacity);
}

template <class R, class V>
void ScheduleFields(R& r, V& v) {
    v.Int("Enable", r.enable);
    v.Int("Exec Week", r.execWeek);
    v.Int("Start Hour", r.startHour);
    v.Int("Start Minute", r.startMinute);
    v.Int("End Hour", r.endHour);
    v.Int("End Minute", r.endMinute);
}

template <class R, class V>
void WebServerFields(R& r, V& v) {
    v.Int("Nic Index", r.nicIndex);
    v.Int("Port", r.port);
    v.Int("Enable UPnP", r.enableUPnP);
    v.Int("Enable", r.enable);
    v.Int("MaxFrame", r.maxFrame);
    v.Int("MaxUser", r.maxUser);
    v.Int("Enable Password", r.enablePassword);
    v.Text("Password", r.password, WebServerSetting::kPasswordCapacity);
    v.Int("i-mode Enable", r.imodeEnable);
    v.Int("i-mode Enable Password", r.imodeEnablePassword);
    v.Text("i-mode Password", r.imodePassword, WebServerSetting::kPasswordCapacity);
    v.Int("i-mode Size W", r.imodeSizeW);
    v.Int("i-mode Size H", r.imodeSizeH);
    v.Int("i-mode Quality", r.imodeQuality);
}

template <class R, class V>
void DeviceInfoFields(R& r, V& v) {
    v.Int("Device Type", r.deviceType);
    v.Text("Device Name", r.deviceName, DeviceInfo::kNameCapacity);
    v.Int("Frame Rate", r.frameRate);
    v.Int("Frame Width", r.frameWidth);
    v.Int("Frame Height", r.frameHeight);
    v.Int("Quality", r.quality);
    v.Int("SubType", r.subType);
    v.Int("CameraNo", r.cameraNo);
    v.Int("Size", r.size);
    v.Text("Password", r.password, DeviceInfo::kPasswordCapacity);
}

template <class R, class V>
void ConditionFields(R& r, V& v) {
    v.Int("AutoCapture", r.autoCapture);
    v.Int("Foreground", r.foreground);
    v.Int("Show", r.show);
    v.Int("LastShow", r.lastShow);
    v.Int("Left", r.left);
    v.Int("Right", r.right);
    v.Int("Top", r.top);
    v.Int("Bottom", r.bottom);
    v.Int("Transparent", r.transparent);
    v.Int("TransparentParam", r.transparentParam);
}

template <class R, class V>
void SystemLogFields(R& r, V& v) {
    v.Int("Debug Mode", r.debugMode);
    v.Int("Delete", r.deleteLog);
    v.Text("LogFile Path", r.logFilePath, SystemInfo::kPathCapacity);
}

template <class R, class V>
void SystemMailFields(R& r, V& v) {
    v.Int("Enable", r.mailCommandEnable);
    v.Int("Enable Sender Check", r.enableSenderCheck);
    v.Int("Enable Reply", r.enableReply);
    v.Int("Check Time", r.checkTime);
    v.Text("From Address", r.fromAddress, SystemInfo::kTextCapacity);
    v.Text("SMTP Address", r.smtpAddress, SystemInfo::kTextCapacity);
    v.Int("SMTP Port", r.smtpPort);
    v.Text("POP3 Address", r.pop3Address, SystemInfo::kTextCapacity);
    v.Int("POP3 Port", r.pop3Port);
    v.Text("POP3 User", r.pop3User, SystemInfo::kTextCapacity);
    v.Text("POP3 Password", r.pop3Password, SystemInfo::kTextCapacity);
    v.Text("Mail Address", r.mailAddress, SystemInfo::kTextCapacity);
    v.Int("SMTP Security", r.smtpSecurity);
    v.Text("SMTP User", r.smtpUser, SystemInfo::kTextCapacity);
    v.Text("SMTP Password", r.smtpPassword, SystemInfo::kTextCapacity);
    v.Int("SMTP Auth Method", r.smtpAuthMethod);
    v.Int("POP3 Security", r.pop3Security);
    v.Int("Accept Self-Signed Certificate", r.acceptSelfSignedCertificate);
}

}  // namespace ocv::fields
