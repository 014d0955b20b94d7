// The delivery-target and image dialogs on copies of their records: OK writes back what the
// controls show (the record unchanged when nothing was touched), Cancel writes nothing, and each
// check asks its question and keeps the dialog open.
#include <gtest/gtest.h>

#include <memory>

#include "TargetTestHooks.h"
#include "ui/FtpDialog.h"
#include "ui/ImageDialog.h"
#include "ui/ImageEditDialog.h"
#include "ui/ImageFormatDialogs.h"
#include "ui/LocalSettingDialog.h"
#include "ui/MultiSettingDialogs.h"
#include "ui/PopBeforeSmtpDialog.h"
#include "ui/PortDialog.h"
#include "ui/SettingDialogs.h"
#include "ui/SmtpDialog.h"

namespace ocv::test {
namespace {

// Records with no field at its default, so a field the dialog drops or resets shows.
ImageSettings SampleImage() {
    ImageSettings i;
    i.imageFilename = "gate";
    i.enableAddNameCounter = 1;
    i.enableAddNameTime = 1;
    i.imageFileFormat = IMAGE_FORMAT_PNG;
    i.resizeRate = 0.333f;
    i.rotate = 3;
    i.enableGrayScale = 1;
    i.enablePrintDate = 0;
    i.fontName.faceName = "DejaVu Sans";
    i.fontName.height = -18;
    i.fontName.textColor = 0x123456;
    i.fontName.horzPosition = TEXT_HORZ_RIGHT;
    i.enableFrameImage = 1;
    i.frameImageFileName = "/srv/frame.png";
    i.frameTransparentColor = 0x00FF00;
    i.frameTransparentRange = 40;
    i.jpegQuality = 70;
    i.pngBitCount = 24;
    i.pngPaletteNo = 1;
    i.pngReduceType = 0;
    i.extra = 7;
    return i;
}

LocalSetting SampleLocal() {
    LocalSetting l;
    l.saveDirectoryName = "/var/cam/ドア";
    l.enableMakeDateDirectory = 1;
    l.image = SampleImage();
    return l;
}

FtpInfo SampleFtp() {
    FtpInfo f;
    f.ftpServerAddress = "ftp.example.net";
    f.ftpServerPort = 2121;
    f.ftpUser = "cam";
    f.ftpPassword = "pw";
    f.ftpDirectory = "/up/door";
    f.ftpLoginRetryCount = 9;
    f.ftpPasvMode = 1;
    f.ftpUseTls = 1;
    f.acceptSelfSigned = 1;
    f.image = SampleImage();
    return f;
}

SmtpInfo SampleSmtp() {
    SmtpInfo s;
    s.smtpServerAddress = "mail.example.net";
    s.smtpServerPort = 587;
    s.mailFrom = "cam@example.net";
    s.mailTo[0] = "a@example.net";
    s.mailTo[1] = "b@example.net";
    s.mailTo[2] = "c@example.net";
    s.mailSubject = "Motion _$DATE$_";
    s.mailBody = "line one\r\nline two _$TIME$_\r\n";
    s.noAddImage = 1;
    s.enablePop3BeforeSmtp = 1;
    s.pop3ServerAddress = "pop.example.net";
    s.pop3ServerPort = 995;
    s.pop3User = "pu";
    s.pop3Password = "pp";
    s.pop3BeforeSmtpSendTimeout = 1200;
    s.smtpSecurity = 1;
    s.smtpUser = "su";
    s.smtpPassword = "sp";
    s.smtpAuthMethod = 2;
    s.pop3Security = 2;
    s.acceptSelfSignedCertificate = 1;
    s.image = SampleImage();
    return s;
}

// A Run... entry point on the record, with `act` on the dialog it opens.
template <class Rec, class Run>
DialogRun<Rec> Modal(Run run) {
    return [run](Rec& rec, const std::function<void(QDialog*)>& act) {
        return WithModal(act, [&] { return run(rec); });
    };
}

TEST(TargetDialogs, RoundTrips) {
    CheckRoundTrip<LocalSetting>(
        SampleLocal(),
        Modal<LocalSetting>([](auto& l) { return RunLocalSettingDialog(nullptr, l); }),
        {{"directory and flag",
          {{"saveDirectory", "/srv/pics"}, {"dateFolder", false}},
          [](LocalSetting& l) {
              l.saveDirectoryName = "/srv/pics";
              l.enableMakeDateDirectory = 0;
          }},
         {"directory cut to its capacity",
          {{"saveDirectory", QString(400, QLatin1Char('x'))}},
          [](LocalSetting& l) {
              l.saveDirectoryName = std::string(LocalSetting::kSaveDirectoryCapacity - 1, 'x');
          }}});
    CheckRoundTrip<FtpInfo>(
        SampleFtp(), Modal<FtpInfo>([](auto& f) { return RunFtpDialog(nullptr, f); }),
        {{"server and login",
          {{"server", "10.0.0.9"}, {"anonymous", true}, {"passive", false}, {"retry", 3}},
          [](FtpInfo& f) {
              f.ftpServerAddress = "10.0.0.9";
              f.ftpAnonymous = 1;
              f.ftpPasvMode = 0;
              f.ftpLoginRetryCount = 3;
          }},
         {"TLS off, directory",
          {{"tls", false}, {"selfSigned", false}, {"directory", "/other"}},
          [](FtpInfo& f) {
              f.ftpUseTls = 0;
              f.acceptSelfSigned = 0;
              f.ftpDirectory = "/other";
          }},
         {"port through the port dialog, default restored",
          {{"portButton", {}, {{"default", {}}}}},
          [](FtpInfo& f) { f.ftpServerPort = FtpInfo{}.ftpServerPort; }}});
    CheckRoundTrip<SmtpInfo>(
        SampleSmtp(), Modal<SmtpInfo>([](auto& s) { return RunSmtpDialog(nullptr, s); }),
        {{"server fields",
          {{"mailFrom", "x@y.z"},
           {"smtpSecurity", 2},
           {"smtpAuthMethod", 0},
           {"noAttachment", false}},
          [](SmtpInfo& s) {
              s.mailFrom = "x@y.z";
              s.smtpSecurity = 2;
              s.smtpAuthMethod = 0;
              s.noAddImage = 0;
          }},
         {"recipient added, first deleted",
          {{"recipient", "new@example.net"}, {"add", {}}, {"recipients", 0}, {"delete", {}}},
          [](SmtpInfo& s) {
              s.mailTo[0] = "b@example.net";
              s.mailTo[1] = "c@example.net";
              s.mailTo[2] = "new@example.net";
          }},
         {"body lines stored with CR LF",
          {{"body", "a\nb"}},
          [](SmtpInfo& s) { s.mailBody = "a\r\nb"; }},
         {"POP before SMTP settings",
          {{"popSettings", {}, {{"pop3Server", "p2"}, {"timeout", 50}, {"pop3Security", 1}}}},
          [](SmtpInfo& s) {
              s.pop3ServerAddress = "p2";
              s.pop3BeforeSmtpSendTimeout = 50;
              s.pop3Security = 1;
          }}});
    CheckRoundTrip<ImageSettings>(
        SampleImage(),
        Modal<ImageSettings>([](auto& i) { return RunImageDialog(nullptr, i, nullptr, "cam"); }),
        {{"naming, grey, size, rotation",
          {{"addDate", true},
           {"grey", false},
           {"resize", 50},
           {"rotate", 1},
           {"format", IMAGE_FORMAT_GIF}},
          [](ImageSettings& i) {
              i.enableAddNameDate = 1;
              i.enableGrayScale = 0;
              i.resizeRate = 0.5f;
              i.rotate = 1;
              i.imageFileFormat = IMAGE_FORMAT_GIF;
          }},
         {"JPEG quality through its detail dialog",
          {{"format", IMAGE_FORMAT_JPEG}, {"detail", {}, {{"quality", 35}}}},
          [](ImageSettings& i) {
              i.imageFileFormat = IMAGE_FORMAT_JPEG;
              i.jpegQuality = 35;
          }},
         {"captions through the edit dialog",
          {{"edit",
            {},
            {{"printDate", true},
             {"printName", false},
             {"enableFrame", false},
             {"transparentRange", 99}}}},
          [](ImageSettings& i) {
              i.enablePrintDate = 1;
              i.enablePrintName = 0;
              i.enableFrameImage = 0;
              i.frameTransparentRange = 99;
          }}});
}

TEST(TargetDialogs, SmtpRecipientListHoldsAtMostTheCapacity) {
    CSMTPDialog dialog(SmtpInfo{}, nullptr);
    auto* add = Child<QPushButton>(&dialog, "add");
    for (size_t i = 0; i < SmtpInfo::kRecipientCount + 2; ++i)
        Apply(&dialog, {{"recipient", QStringLiteral("r%1@example.net").arg(i)}, {"add", {}}});
    EXPECT_EQ(Child<QListWidget>(&dialog, "recipients")->count(),
              static_cast<int>(SmtpInfo::kRecipientCount));
    EXPECT_FALSE(add->isEnabled());
    dialog.accept();
    EXPECT_EQ(dialog.Value().mailTo.back(), "r9@example.net");
}

TEST(TargetDialogs, ReservationWordGoesToTheCaretOfTheLastField) {
    struct Row {
        bool subjectLast;
        int caret;
        std::string subject;
        std::string body;
    } rows[] = {
        {true, 2, "ab_$FTPFILENAME$_cd", "xy"},
        {false, 1, "abcd", "x_$FTPFILENAME$_y"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.subjectLast);
        SmtpInfo s;
        s.mailSubject = "abcd";
        s.mailBody = "xy";
        CSMTPDialog dialog(s, nullptr);
        if (row.subjectLast) {
            Child<QLineEdit>(&dialog, "subject")->setCursorPosition(row.caret);
        } else {
            auto* body = Child<QPlainTextEdit>(&dialog, "body");
            QTextCursor c = body->textCursor();
            c.setPosition(row.caret);
            body->setTextCursor(c);
        }
        Apply(&dialog, {{"insertions", {}, {{"words", 1}}}});
        dialog.accept();
        EXPECT_EQ(dialog.Value().mailSubject, row.subject);
        EXPECT_EQ(dialog.Value().mailBody, row.body);
    }
}

TEST(TargetDialogs, PackageChoiceOnlyWhenAsked) {
    CFTPDialog none(FtpInfo{}, nullptr);
    EXPECT_TRUE(Child<QPushButton>(&none, "package")->isHidden());

    ModeChoice choice{.live = true};
    FtpInfo f = SampleFtp();
    EXPECT_TRUE(WithModal(
        [](QDialog* d) {
            Apply(d, {{"package", {}, {{"live", false}, {"snapshot", true}}}});
            d->accept();
        },
        [&] { return RunFtpDialog(nullptr, f, &choice); }));
    EXPECT_EQ(choice, (ModeChoice{.snapshot = true}));
    EXPECT_TRUE(f == SampleFtp());

    // Cancelled after choosing: the choice stays as it was.
    ModeChoice kept{.motion = true};
    SmtpInfo s = SampleSmtp();
    EXPECT_FALSE(WithModal(
        [](QDialog* d) {
            Apply(d, {{"package", {}, {{"live", true}}}});
            d->reject();
        },
        [&] { return RunSmtpDialog(nullptr, s, &kept); }));
    EXPECT_EQ(kept, (ModeChoice{.motion = true}));

    ImageChoice grid{};
    grid[2][0] = true;
    CMultiSettingImageDialog image(grid);
    Apply(&image, {{"m0t1", true}, {"m2t0", false}});
    image.accept();
    ImageChoice want{};
    want[0][1] = true;
    EXPECT_EQ(image.Choice(), want);
}

TEST(TargetDialogs, FileNameWithADotAsksWhatToDo) {
    struct Row {
        const char* typed;
        QMessageBox::StandardButton answer;
        bool asked;
        bool closed;
        std::string stored;
    } rows[] = {
        {"door.v2.jpg", QMessageBox::Yes, true, true, "door.v2"},
        {"door.v2.jpg", QMessageBox::No, true, true, "door.v2.jpg"},
        {"door.v2.jpg", QMessageBox::Cancel, true, false, "gate"},
        {"door", QMessageBox::Yes, false, true, "door"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.typed) + " " + std::to_string(row.answer));
        MessageRecorder messages(row.answer);
        CImageDialog dialog(SampleImage(), nullptr, nullptr);
        Child<QLineEdit>(&dialog, "fileName")->setText(QString::fromLatin1(row.typed));
        dialog.accept();
        ASSERT_EQ(messages.texts.size(), row.asked ? 1u : 0u);
        if (row.asked) {
            EXPECT_EQ(messages.texts[0], FileNameDotQuestion());
            EXPECT_EQ(messages.offered[0],
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        }
        EXPECT_EQ(dialog.result() == QDialog::Accepted, row.closed);
        EXPECT_EQ(dialog.Value().imageFilename, row.stored);
    }
}

TEST(TargetDialogs, PngDetailsTouchOnlyTheirFields) {
    struct Row {
        const char* name;
        int32_t bits;
        std::vector<Edit> edits;
        int32_t wantBits, wantPalette, wantReduce;
    } rows[] = {
        {"untouched odd bit count stays", 16, {}, 16, 1, 0},
        {"24 bits", 8, {{"png24", true}}, 24, 1, 0},
        {"256 colours with dither, other palette",
         24,
         {{"png8", true}, {"detail", {}, {{"palette", 0}, {"dither", true}}}},
         8,
         0,
         1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ImageSettings in = SampleImage();
        in.pngBitCount = row.bits;
        CFormatPngDialog dialog(in);
        Apply(&dialog, row.edits);
        dialog.accept();
        ImageSettings want = in;
        want.pngBitCount = row.wantBits;
        want.pngPaletteNo = row.wantPalette;
        want.pngReduceType = row.wantReduce;
        EXPECT_TRUE(dialog.Value() == want);
    }
}

TEST(TargetDialogs, FontAndColoursOfACaption) {
    ImageSettings in = SampleImage();
    CImageEditDialog dialog(in, nullptr);
    auto* page = static_cast<CImageEditNamePage*>(Child<QWidget>(&dialog, "namePage"));
    ASSERT_NE(page, nullptr);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(24);
    font.setWeight(QFont::Bold);
    font.setItalic(true);
    page->SetFont(font);
    page->SetTextColor(0x0000FF);
    dialog.accept();
    ImageSettings want = in;
    want.fontName.faceName = "DejaVu Serif";
    want.fontName.height = -24;
    want.fontName.weight = 700;
    want.fontName.italic = 1;
    want.fontName.textColor = 0x0000FF;
    EXPECT_TRUE(dialog.Value() == want);
    // And back: the style gives the font it was made from.
    const QFont again = FontOfStyle(want.fontName);
    EXPECT_EQ(again.family(), font.family());
    EXPECT_EQ(again.pixelSize(), 24);
    EXPECT_EQ(again.weight(), QFont::Bold);
    EXPECT_TRUE(again.italic());
}

TEST(TargetDialogs, KeysAndSize) {
    const ModeChoice modes{};
    const ImageChoice grid{};
    CheckKeysAndSize({
        {"local", [] { return std::make_unique<CLocalSettingDialog>(SampleLocal()); }},
        {"ftp", [&] { return std::make_unique<CFTPDialog>(SampleFtp(), &modes); }},
        {"smtp", [&] { return std::make_unique<CSMTPDialog>(SampleSmtp(), &modes); }},
        {"pop", [] { return std::make_unique<CPOPbeforeSMTPDialog>(SampleSmtp()); }},
        {"port", [] { return std::make_unique<CPortDialog>(21, 21, "FTP", "FTP Server Port"); }},
        {"image", [&] { return std::make_unique<CImageDialog>(SampleImage(), nullptr, &grid); }},
        {"jpeg", [] { return std::make_unique<CFormatJpegDialog>(SampleImage()); }},
        {"png", [] { return std::make_unique<CFormatPngDialog>(SampleImage()); }},
        {"png8", [] { return std::make_unique<CFormatPng8Dialog>(SampleImage()); }},
        {"edit", [] { return std::make_unique<CImageEditDialog>(SampleImage(), nullptr); }},
        {"image package", [&] { return std::make_unique<CMultiSettingImageDialog>(grid); }},
        {"ftp package", [&] { return std::make_unique<CMultiSettingFtpDialog>(modes); }},
    });
}

}  // namespace
}  // namespace ocv::test
