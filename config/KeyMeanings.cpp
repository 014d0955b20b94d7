#include "config/KeyMeanings.h"

namespace ocv {
namespace {

constexpr KeyMeaning kMeanings[] = {
    // System: log.
    {"Log", "Debug Mode", "When 1, debug-level lines are written to the log as well."},
    {"Log", "Delete",
     "When 1, the log file is deleted once at start-up, right after the system settings are "
     "read."},
    {"Log", "LogFile Path",
     "Directory of the log file log.txt; empty means the program directory."},
    // System: mail-command checker.
    {"MailCommand", "Enable",
     "When 1, the mail-command checker runs: it polls the POP3 mailbox below for command mails."},
    {"MailCommand", "Enable Sender Check",
     "When 1, commands are accepted only from \"From Address\" (exact, case-sensitive match)."},
    {"MailCommand", "Enable Reply", "When 1, a reply mail is sent after each command."},
    {"MailCommand", "Check Time", "Pause between two polls of the mailbox, in seconds."},
    {"MailCommand", "From Address",
     "The one sender address allowed to send commands while \"Enable Sender Check\" is 1."},
    {"MailCommand", "SMTP Address", "SMTP server (host name or address) for the reply mails."},
    {"MailCommand", "SMTP Port", "Port of the reply SMTP server."},
    {"MailCommand", "POP3 Address", "POP3 server polled for command mails."},
    {"MailCommand", "POP3 Port", "Port of the POP3 server."},
    {"MailCommand", "POP3 User", "User name of the POP3 login."},
    {"MailCommand", "POP3 Password", "Password of the POP3 login, stored as plain text."},
    {"MailCommand", "Mail Address", "Sender address of the reply mails."},
    {"MailCommand", "SMTP Security",
     "Encryption of the reply SMTP connection: 0 none, 1 STARTTLS, 2 TLS from the first byte "
     "(usually port 465)."},
    {"MailCommand", "SMTP User",
     "User name for SMTP authentication of the replies; empty: no authentication."},
    {"MailCommand", "SMTP Password", "Password for SMTP authentication, stored as plain text."},
    {"MailCommand", "SMTP Auth Method",
     "SMTP authentication mechanism: 0 the one the server offers, 1 PLAIN, 2 LOGIN."},
    {"MailCommand", "POP3 Security",
     "Encryption of the POP3 connection: 0 none, 1 STLS, 2 POP3S, TLS from the first byte "
     "(usually port 995)."},
    {"MailCommand", "Accept Self-Signed Certificate",
     "When 1, the checker's TLS connections also accept a server certificate that no authority "
     "known to the system signed (self-signed); host name and validity dates are still checked."},

    // Camera name.
    {"OcvParam", "name", "Name of the camera, shown in its window and used in its log lines."},

    // Interval capture.
    {"Live", "Enable Vistrel", "When 1, starting capture starts the interval capture."},
    {"Live", "Vistrel Timer",
     "Interval between two interval pictures in milliseconds, counted from the end of one "
     "delivery to the start of the next; 0 takes a picture every 500 ms."},
    {"Live", "Enable Local", "When 1, interval pictures are saved to the Live/Local directory."},
    {"Live", "Enable SMTP", "When 1, interval pictures are sent by e-mail (Live/SMTP)."},
    {"Live", "Enable FTP", "When 1, interval pictures are uploaded by FTP (Live/FTP)."},

    // Motion capture.
    {"Motion", "Enable MotionCapture", "When 1, starting capture starts motion detection."},
    {"Motion", "Motion Capture Reception",
     "Per-pixel sensitivity: a pixel counts as changed when its brightness differs from the "
     "previous picture by more than this (brightness 0-255)."},
    {"Motion", "Motion Capture Threshold",
     "Share of changed pixels, in %, at or above which motion is detected."},
    {"Motion", "Motion Capture Mode",
     "What is captured on motion: 0 a single picture, 1 a 3 x 3 panorama, 2 a series."},
    {"Motion", "Motion Capture Timeout", "Wait between detection and capture, in seconds."},
    {"Motion", "Motion Capture TimeoutMM",
     "Milliseconds added to \"Motion Capture Timeout\"."},
    {"Motion", "Motion Next Capture Timeout",
     "Pause after a capture before motion is watched again, in seconds."},
    {"Motion", "Motion Next Capture TimeoutMM",
     "Milliseconds added to \"Motion Next Capture Timeout\"."},
    {"Motion", "Motion Capture Enable Sound", "When 1, the alarm sound plays on detection."},
    {"Motion", "Motion Capture Sound Filename", "The alarm sound, a WAV file."},
    {"Motion", "Enable Range",
     "When 1, only the rectangle \"Range Left\" .. \"Range Bottom\" is watched."},
    {"Motion", "Range Left", "Left edge of the watched rectangle, in picture pixels (inclusive)."},
    {"Motion", "Range Top",
     "Top edge of the watched rectangle, in picture pixels from the top (inclusive)."},
    {"Motion", "Range Right", "Right edge of the watched rectangle, in picture pixels (inclusive)."},
    {"Motion", "Range Bottom",
     "Bottom edge of the watched rectangle, in picture pixels from the top (inclusive)."},
    {"Motion", "Enable Outline",
     "When 1, outline pictures are compared instead of the pictures themselves."},
    {"Motion", "Outline Level",
     "Outline sensitivity: higher finds more edges (the outline step uses 255 minus this)."},
    {"Motion", "Live Shot Time", "Length of a series (mode 2), in seconds."},
    {"Motion", "Live Shot Interval", "Time between the pictures of a series (mode 2), in seconds."},
    {"Motion", "Enable Recording",
     "When 1, a detection also starts a recording (the Recording section)."},
    {"Motion", "Recording StartTime Before",
     "Seconds of pictures from before the detection that the recording starts with."},
    {"Motion", "Enable Local", "When 1, motion pictures are saved to the Motion/Local directory."},
    {"Motion", "Enable SMTP", "When 1, motion pictures are sent by e-mail (Motion/SMTP)."},
    {"Motion", "Enable FTP", "When 1, motion pictures are uploaded by FTP (Motion/FTP)."},

    // Snapshot.
    {"SnapShot", "Enable SMTP",
     "When 1, snapshots are also sent by e-mail (SnapShot/SMTP); they always go to "
     "SnapShot/Local."},
    {"SnapShot", "Enable FTP", "When 1, snapshots are also uploaded by FTP (SnapShot/FTP)."},

    // Weekly schedule.
    {"Schedule", "Enable",
     "When 1, the schedule starts and stops capture by itself (checked every 10 s)."},
    {"Schedule", "Exec Week",
     "Weekdays the schedule applies on, as a bit mask: 1 Sunday, 2 Monday, 4 Tuesday, "
     "8 Wednesday, 16 Thursday, 32 Friday, 64 Saturday (127 every day)."},
    {"Schedule", "Start Hour", "Start time, hour (0-23)."},
    {"Schedule", "Start Minute", "Start time, minute (0-59)."},
    {"Schedule", "End Hour", "End time, hour (0-23)."},
    {"Schedule", "End Minute", "End time, minute (0-59)."},

    // Web server.
    {"WebServer", "Nic Index",
     "Network interface the web server listens on: its position, from 0, among the interfaces "
     "that have an IPv4 address (in the machine's order, loopback last)."},
    {"WebServer", "Port", "TCP port of the web server."},
    {"WebServer", "Enable UPnP",
     "When 1, the port is also mapped on the Internet gateway by UPnP."},
    {"WebServer", "Enable",
     "When 1, starting capture starts the web server with the live view for browsers."},
    {"WebServer", "MaxFrame", "Frames per second limit of one Motion-JPEG stream."},
    {"WebServer", "MaxUser", "Number of Motion-JPEG streams served at the same time."},
    {"WebServer", "Enable Password", "When 1, browsers must give \"Password\"."},
    {"WebServer", "Password", "Password of the browser pages, stored as plain text."},
    {"WebServer", "i-mode Enable",
     "When 1, the small still-picture pages for mobile phones are served (the web server runs "
     "for them alone too)."},
    {"WebServer", "i-mode Enable Password", "When 1, the phone pages ask for \"i-mode Password\"."},
    {"WebServer", "i-mode Password", "Password of the phone pages, stored as plain text."},
    {"WebServer", "i-mode Size W", "Width of the phone picture, in pixels."},
    {"WebServer", "i-mode Size H", "Height of the phone picture, in pixels."},
    {"WebServer", "i-mode Quality", "JPEG quality of the phone picture, 1-100."},

    // Recording.
    {"Recording", "RecordingTime", "Length of a recording, in seconds."},
    {"Recording", "FrameRate",
     "Frames per second taken for a recording and played back by the video file (also the "
     "sampling rate of the pictures kept before a motion detection)."},
    {"Recording", "EnableWMV",
     "When 1, the uncompressed AVI is converted to Windows Media and then deleted."},
    {"Recording", "WMVProfileType",
     "Windows Media profile: 0 a built-in profile chosen by \"WMVSystemProfileIndex\", any "
     "other value the profile file \"WMVCustomProfilePath\"."},
    {"Recording", "WMVSystemProfileIndex", "Number of the built-in Windows Media profile."},
    {"Recording", "WMVCustomProfilePath", "Windows Media profile file (.prx) used when "
                                          "\"WMVProfileType\" is not 0."},

    // Device information.
    {"DeviceInfo", "Device Type",
     "Kind of camera: 1 local capture device, 2 Windows Media stream, 3 another instance of "
     "this program, 4 Panasonic, 5 Axis, 6 Vivotek, 7 MegaChips-family network camera."},
    {"DeviceInfo", "Device Name",
     "Where the pictures come from: the camera's base URL (user and password may be part of "
     "it), the stream URL or the capture device's name."},
    {"DeviceInfo", "Frame Rate", "Frames per second asked of a local capture device."},
    {"DeviceInfo", "Frame Width", "Picture width asked of the camera, in pixels."},
    {"DeviceInfo", "Frame Height", "Picture height asked of the camera, in pixels."},
    {"DeviceInfo", "Quality", "Picture quality choice of a Vivotek server (0 is the first)."},
    {"DeviceInfo", "SubType", "Model family of the camera within its kind (0 is the first)."},
    {"DeviceInfo", "CameraNo",
     "Which camera of a multi-camera server or of several same-named capture devices, from 0."},
    {"DeviceInfo", "Size", "Picture size choice of a Vivotek server (0 is the first)."},
    {"DeviceInfo", "Password", "Password of the camera, stored as plain text."},

    // Camera window.
    {"ConditionSetting", "AutoCapture",
     "When 1, capture starts by itself once the camera is connected at start-up."},
    {"ConditionSetting", "Foreground", "When 1, the camera window stays on top."},
    {"ConditionSetting", "Show",
     "Window state at start-up: 0 as in \"LastShow\", 2 desktop mode, 3 hidden, any other "
     "value shown."},
    {"ConditionSetting", "LastShow",
     "Window state when last saved: 1 shown, 2 desktop mode, 3 hidden (written at each save)."},
    {"ConditionSetting", "Left", "Left edge of the camera window, screen pixels."},
    {"ConditionSetting", "Right", "Right edge of the camera window, screen pixels."},
    {"ConditionSetting", "Top", "Top edge of the camera window, screen pixels."},
    {"ConditionSetting", "Bottom", "Bottom edge of the camera window, screen pixels."},
    {"ConditionSetting", "Transparent", "When 1, the camera window is see-through."},
    {"ConditionSetting", "TransparentParam",
     "Opacity of the see-through window, in %."},

    // Local directory target.
    {"Local", "Save Directory Name", "Directory the files are written to."},
    {"Local", "Enable Make Date Directory",
     "When 1, files go into a subdirectory named after the capture date (YYYYMMDD)."},

    // FTP target.
    {"FTP", "FTP Server Address", "FTP server (host name or address)."},
    {"FTP", "FTP Server Port", "Port of the FTP server."},
    {"FTP", "FTP User", "User name of the FTP login."},
    {"FTP", "FTP Password", "Password of the FTP login, stored as plain text."},
    {"FTP", "FTP Directory", "Directory on the server the files are uploaded to."},
    {"FTP", "FTP Login Retry Count",
     "Login attempts, 2 s apart; 0 and 1 both mean a single attempt."},
    {"FTP", "FTP Pasv Mode", "When 1, data connections are passive (PASV)."},
    {"FTP", "FTP Anonymous",
     "When 1, the login is anonymous and \"FTP User\" and \"FTP Password\" are not used."},
    {"FTP", "FTP Use TLS",
     "When 1, the session is encrypted with explicit TLS (AUTH TLS) and fails when the server "
     "does not offer it."},
    {"FTP", "Accept Self-Signed Certificate",
     "When 1, TLS also accepts a server certificate that no authority known to the system "
     "signed (self-signed); host name and validity dates are still checked."},

    // E-mail target.
    {"SMTP", "SMTP Server Address", "SMTP server (host name or address)."},
    {"SMTP", "SMTP Server Port", "Port of the SMTP server."},
    {"SMTP", "Mail From", "Sender address."},
    {"SMTP", "Mail To1",
     "Recipient 1; an empty entry is skipped, one entry may list several addresses separated "
     "by \";\"."},
    {"SMTP", "Mail To2", "Recipient 2, as \"Mail To1\"."},
    {"SMTP", "Mail To3", "Recipient 3, as \"Mail To1\"."},
    {"SMTP", "Mail To4", "Recipient 4, as \"Mail To1\"."},
    {"SMTP", "Mail To5", "Recipient 5, as \"Mail To1\"."},
    {"SMTP", "Mail To6", "Recipient 6, as \"Mail To1\"."},
    {"SMTP", "Mail To7", "Recipient 7, as \"Mail To1\"."},
    {"SMTP", "Mail To8", "Recipient 8, as \"Mail To1\"."},
    {"SMTP", "Mail To9", "Recipient 9, as \"Mail To1\"."},
    {"SMTP", "Mail To10", "Recipient 10, as \"Mail To1\"."},
    {"SMTP", "Mail Subject", "Subject of the mail."},
    {"SMTP", "MailBody",
     "Text of the mail, an element holding CDATA rather than a meta, lines ending in CR LF; "
     "placeholders such as `_$LOCALFILENAME$_`, `_$FTPFILENAME$_`, `_$MAILFILENAME$_` "
     "and `_$DATE$_` are filled in."},
    {"SMTP", "No Add Image", "When 1, only the text is sent, without the picture."},
    {"SMTP", "Enable POP3 before SMTP",
     "When 1, a POP3 login is made before sending (POP before SMTP)."},
    {"SMTP", "POP3 Server Address", "POP3 server of that login."},
    {"SMTP", "POP3 Server Port", "Port of that POP3 server."},
    {"SMTP", "POP3 User", "User name of that POP3 login."},
    {"SMTP", "POP3 Password", "Password of that POP3 login, stored as plain text."},
    {"SMTP", "POP3 before SMTP Send Timeout",
     "Wait between the POP3 login and the SMTP connection, in ms (0: no wait)."},
    {"SMTP", "SMTP Security",
     "Encryption of the SMTP connection: 0 none, 1 STARTTLS, 2 TLS from the first byte "
     "(usually port 465)."},
    {"SMTP", "SMTP User", "User name for SMTP authentication; empty: no authentication."},
    {"SMTP", "SMTP Password", "Password for SMTP authentication, stored as plain text."},
    {"SMTP", "SMTP Auth Method",
     "SMTP authentication mechanism: 0 the one the server offers, 1 PLAIN, 2 LOGIN."},
    {"SMTP", "POP3 Security",
     "Encryption of the POP-before-SMTP connection: 0 none, 1 STLS, 2 POP3S, TLS from the "
     "first byte (usually port 995)."},
    {"SMTP", "Accept Self-Signed Certificate",
     "When 1, TLS also accepts a server certificate that no authority known to the system "
     "signed (self-signed); host name and validity dates are still checked."},

    // Image settings of a target.
    {"Image", "Image Filename",
     "Base of the file name; the date, time and counter parts and the extension are appended."},
    {"Image", "Image File Format", "File format: BMP, JPEG, PNG or GIF."},
    {"Image", "Resize Rate", "Scale factor applied first (1.00 unchanged)."},
    {"Image", "Rotate", "Clockwise rotation in quarter turns: 0 none, 1 = 90°, 2 = 180°, 3 = 270°."},
    {"Image", "Enable Gray Scale", "When 1, the picture is turned grey."},
    {"Image", "Enable Print Date", "When 1, the capture date is printed on the picture."},
    {"Image", "Enable Print Time", "When 1, the capture time is printed on the picture."},
    {"Image", "Enable Print Name", "When 1, the camera name is printed on the picture."},
    {"Image", "Enable Add Name Counter",
     "When 1, a four-digit counter is appended to the file name."},
    {"Image", "Enable Add Name Date",
     "When 1, the capture date (YYYYMMDD) is appended to the file name."},
    {"Image", "Enable Add Name Time",
     "When 1, the capture time (hhmmss) is appended to the file name."},
    {"Image", "JPEG Quality", "JPEG quality, 0-100."},
    {"Image", "PNG Bit Count",
     "Colour depth of PNG files: 8 (palette) or 24; other values make the save fail."},
    {"Image", "PNG Palette NO",
     "Palette of 8-bit PNG and GIF files: 0 uniform 6 x 6 x 6, 1 8 x 8 x 4, other values all "
     "black."},
    {"Image", "PNG Reduce Type",
     "Colour reduction of 8-bit PNG and GIF files: 0 nearest colour, any other value "
     "dithering."},
    {"Image", "Enable Frame Image",
     "When 1, the frame picture \"Frame Image File Name\" is laid over the picture."},
    {"Image", "Frame Image File Name",
     "The frame picture (BMP, JPEG, PNG, GIF, TIFF), scaled to the picture's size."},
    {"Image", "Frame Transparent Color",
     "Colour of the frame picture that is see-through, as 0xBBGGRR (red in the low byte)."},
    {"Image", "Frame Transparent Range",
     "How far a frame pixel's colour may be from \"Frame Transparent Color\" and still be "
     "see-through."},

    // Caption style (date/time and camera name).
    {"Font", "Height",
     "Text size in pixels: negative the character height, positive the cell height, 0 a "
     "default size."},
    {"Font", "Width", "Average character width in pixels; 0 keeps the face's proportions."},
    {"Font", "Escapement", "Angle of the text line in tenths of a degree; kept, not drawn."},
    {"Font", "Orientation", "Angle of each character in tenths of a degree; kept, not drawn."},
    {"Font", "Weight", "Stroke weight 0-1000: 400 normal, 600 and above bold."},
    {"Font", "Italic", "When 1, the text is italic."},
    {"Font", "Underline", "When 1, the text is underlined."},
    {"Font", "StrikeOut", "When 1, the text is struck through."},
    {"Font", "CharSet",
     "Character set: 128 (Shift-JIS) prefers a Japanese face when \"FaceName\" is not found."},
    {"Font", "OutPrecision", "Font matching precision; kept, not used."},
    {"Font", "ClipPrecision", "Clipping precision; kept, not used."},
    {"Font", "Quality", "Rendering quality: 3 draws without antialiasing, any other value smooth."},
    {"Font", "PitchAndFamily", "Pitch and family of the face; kept, not used."},
    {"Font", "FaceName",
     "Name of the font face, looked up with fontconfig; a Japanese face fills in characters it "
     "lacks."},
    {"Font", "Text Color", "Text colour as 0xBBGGRR (red in the low byte)."},
    {"Font", "Text Bk Color",
     "Background colour behind the text as 0xBBGGRR (red in the low byte), when \"Transparent "
     "Text\" is 0."},
    {"Font", "Transparent Text", "When 1, the text is drawn without a background."},
    {"Font", "Vert Position", "Vertical place of the text: 0 top, 1 centre, 2 bottom."},
    {"Font", "Horz Position", "Horizontal place of the text: 0 left, 1 centre, 2 right."},
};

}  // namespace

std::span<const KeyMeaning> KeyMeanings() { return kMeanings; }

const KeyMeaning* FindKeyMeaning(std::string_view block, std::string_view key) {
    for (const KeyMeaning& m : kMeanings)
        if (block == m.block && key == m.key) return &m;
    return nullptr;
}

bool IsFlagMeaning(std::string_view meaning) { return meaning.starts_with("When 1, "); }

}  // namespace ocv
