// The delivery-target and image dialogs on copies of their records: OK writes back what the
// controls show (the record unchanged when nothing was touched), Cancel writes nothing, and each
// check asks its question and keeps the dialog open.
#include <gtest/gtest.h>

#include "TargetTestHooks.h"
#include "ui/FtpDialog.h"
#include "ui/ImageDialog.h"
#include "ui/ImageEditDialog.h"
#include "ui/MultiSettingDialogs.h"
#include "ui/PopBeforeSmtpDialog.h"
#include "ui/SettingDialogs.h"
#include "ui/SmtpDialog.h"

namespace ocv::test {
namespace {

// Records with no field at its default, so a field the dialog drops or resets shows.
ImageSettings SampleImage() {
    ImageSettings i;
    i.imageFilename = "gate";
    i.enableAddNameCounter = i.enableAddNameTime = i.enableGrayScale = i.enableFrameImage = 1;
    i.imageFileFormat = IMAGE_FORMAT_PNG, i.resizeRate = 0.333f, i.rotate = 3;
    i.enablePrintDate = i.pngReduceType = 0;
    i.fontName.faceName = "DejaVu Sans", i.fontName.height = -18, i.fontName.textColor = 0x123456;
    i.fontName.horzPosition = TEXT_HORZ_RIGHT, i.frameImageFileName = "/srv/frame.png";
    i.frameTransparentColor = 0x00FF00, i.frameTransparentRange = 40;
    i.jpegQuality = 70, i.pngBitCount = 24, i.pngPaletteNo = 1, i.extra = 7;
    return i;
}

LocalSetting SampleLocal() { return {"/var/cam/ドア", 1, SampleImage()}; }

FtpInfo SampleFtp() {
    FtpInfo f;
    f.ftpServerAddress = "ftp.example.net", f.ftpServerPort = 2121;
    f.ftpUser = "cam", f.ftpPassword = "pw", f.ftpDirectory = "/up/door", f.ftpLoginRetryCount = 9;
    f.ftpPasvMode = f.ftpUseTls = f.acceptSelfSigned = 1, f.image = SampleImage();
    return f;
}

SmtpInfo SampleSmtp() {
    SmtpInfo s;
    s.smtpServerAddress = "mail.example.net", s.smtpServerPort = 587, s.mailFrom = "cam@example.net";
    s.mailTo[0] = "a@example.net", s.mailTo[1] = "b@example.net", s.mailTo[2] = "c@example.net";
    s.mailSubject = "Motion _$DATE$_", s.mailBody = "line one\r\nline two _$TIME$_\r\n";
    s.noAddImage = s.enablePop3BeforeSmtp = s.smtpSecurity = s.acceptSelfSignedCertificate = 1;
    s.pop3ServerAddress = "pop.example.net", s.pop3ServerPort = 995;
    s.pop3User = "pu", s.pop3Password = "pp", s.smtpUser = "su", s.smtpPassword = "sp";
    s.pop3BeforeSmtpSendTimeout = 1200, s.smtpAuthMethod = s.pop3Security = 2;
    s.image = SampleImage();
    return s;
}

TEST(TargetDialogs, RoundTrips) {
    CheckRoundTrip<LocalSetting>(
        SampleLocal(),
        Modal<LocalSetting>([](auto& l) { return RunLocalSettingDialog(nullptr, l); }),
        {{"directory and flag",
          {{"saveDirectory", "/srv/pics"}, {"dateFolder", false}},
          [](LocalSetting& l) {
              l.saveDirectoryName = "/srv/pics", l.enableMakeDateDirectory = 0;
          }}});
    CheckRoundTrip<FtpInfo>(
        SampleFtp(), Modal<FtpInfo>([](auto& f) { return RunFtpDialog(nullptr, f); }),
        {{"server, login, TLS off, directory",
          {{"server", "10.0.0.9"}, {"anonymous", true}, {"passive", false}, {"retry", 3},
           {"tls", false}, {"selfSigned", false}, {"directory", "/other"}},
          [](FtpInfo& f) {
              f.ftpServerAddress = "10.0.0.9", f.ftpAnonymous = 1, f.ftpLoginRetryCount = 3;
              f.ftpPasvMode = f.ftpUseTls = f.acceptSelfSigned = 0;
              f.ftpDirectory = "/other";
          }},
         {"port through the port dialog, default restored", {{"portButton", {}, {{"default", {}}}}},
          [](FtpInfo& f) { f.ftpServerPort = FtpInfo{}.ftpServerPort; }}});
    CheckRoundTrip<SmtpInfo>(
        SampleSmtp(), Modal<SmtpInfo>([](auto& s) { return RunSmtpDialog(nullptr, s); }),
        {{"server fields, body lines stored with CR LF",
          {{"mailFrom", "x@y.z"}, {"smtpAuthMethod", 0}, {"noAttachment", false}, {"body", "a\nb"}},
          [](SmtpInfo& s) {
              s.mailFrom = "x@y.z", s.smtpAuthMethod = s.noAddImage = 0, s.mailBody = "a\r\nb";
          }},
         {"recipient added, first deleted",
          {{"recipient", "new@example.net"}, {"add", {}}, {"recipients", 0}, {"delete", {}}},
          [](SmtpInfo& s) {
              s.mailTo[0] = "b@example.net", s.mailTo[1] = "c@example.net";
              s.mailTo[2] = "new@example.net";
          }},
         {"POP before SMTP settings",
          {{"popSettings", {}, {{"pop3Server", "p2"}, {"timeout", 50}, {"pop3Security", 1}}}},
          [](SmtpInfo& s) {
              s.pop3ServerAddress = "p2", s.pop3BeforeSmtpSendTimeout = 50, s.pop3Security = 1;
          }}});
    CheckRoundTrip<ImageSettings>(
        SampleImage(),
        Modal<ImageSettings>([](auto& i) { return RunImageDialog(nullptr, i, nullptr, "cam"); }),
        {{"naming, grey, size, rotation",
          {{"addDate", true}, {"grey", false}, {"resize", 50}, {"rotate", 1},
           {"format", IMAGE_FORMAT_GIF}},
          [](ImageSettings& i) {
              i.enableAddNameDate = 1, i.enableGrayScale = 0, i.resizeRate = 0.5f, i.rotate = 1;
              i.imageFileFormat = IMAGE_FORMAT_GIF;
          }},
         {"JPEG quality through its detail dialog",
          {{"format", IMAGE_FORMAT_JPEG}, {"detail", {}, {{"quality", 35}}}},
          [](ImageSettings& i) { i.imageFileFormat = IMAGE_FORMAT_JPEG, i.jpegQuality = 35; }},
         {"captions through the edit dialog", {{"edit", {},
            {{"printDate", true}, {"printName", false}, {"enableFrame", false},
             {"transparentRange", 99}}}},
          [](ImageSettings& i) {
              i.enablePrintDate = 1, i.enablePrintName = i.enableFrameImage = 0;
              i.frameTransparentRange = 99;
          }}});
}

TEST(TargetDialogs, PackageChoiceOnlyWhenAsked) {
    CFTPDialog none(FtpInfo{}, nullptr);
    EXPECT_TRUE(Child<QPushButton>(&none, "package")->isHidden());
    // Chosen and accepted, the choice comes back with the record as it was; cancelled after
    // choosing, the choice stays as it was.
    ModeChoice choice{.live = true}, kept{.motion = true};
    FtpInfo f = SampleFtp();
    SmtpInfo s = SampleSmtp();
    auto choose = [](std::vector<Edit> edits, bool ok) {
        return [=](QDialog* d) { Apply(d, {{"package", {}, edits}}), ok ? d->accept() : d->reject(); };
    };
    EXPECT_TRUE(WithModal(choose({{"live", false}, {"snapshot", true}}, true),
                          [&] { return RunFtpDialog(nullptr, f, &choice); }));
    EXPECT_EQ(choice, (ModeChoice{.snapshot = true}));
    EXPECT_TRUE(f == SampleFtp());
    EXPECT_FALSE(WithModal(choose({{"live", true}}, false),
                           [&] { return RunSmtpDialog(nullptr, s, &kept); }));
    EXPECT_EQ(kept, (ModeChoice{.motion = true}));
    ImageChoice grid{}, want{};
    grid[2][0] = want[0][1] = true;
    CMultiSettingImageDialog image(grid);
    Apply(&image, {{"m0t1", true}, {"m2t0", false}});
    image.accept();
    EXPECT_EQ(image.Choice(), want);
}

TEST(TargetDialogs, FileNameWithADotAsksWhatToDo) {
    // Typed, answer, closed, stored.
    const std::tuple<const char*, QMessageBox::StandardButton, bool, std::string> rows[] = {
        {"door.v2.jpg", QMessageBox::Yes, true, "door.v2"},
        {"door.v2.jpg", QMessageBox::No, true, "door.v2.jpg"},
        {"door.v2.jpg", QMessageBox::Cancel, false, "gate"}, {"door", QMessageBox::Yes, true, "door"}};
    for (const auto& [typed, answer, closed, stored] : rows) {
        SCOPED_TRACE(std::string(typed) + " " + std::to_string(answer));
        MessageRecorder messages(answer);
        CImageDialog dialog(SampleImage(), nullptr, nullptr);
        Apply(&dialog, {{"fileName", typed}});
        dialog.accept();
        const bool asked = std::string(typed).find('.') != std::string::npos;
        EXPECT_EQ(messages.texts,
                  asked ? std::vector{FileNameDotQuestion()} : std::vector<QString>{});
        EXPECT_TRUE(!asked ||
                    messages.offered[0] == (QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
        EXPECT_EQ(dialog.result() == QDialog::Accepted, closed);
        EXPECT_EQ(dialog.Value().imageFilename, stored);
    }
}

}  // namespace
}  // namespace ocv::test
