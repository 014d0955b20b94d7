// The FTP folder browser against pyftpdlib on loopback: the folders it lists, going down and up,
// the directory it hands back to the FTP dialog, and the message of a refused login. Also the
// listing parser on the line forms servers send.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DeliveryPeers.h"
#include "TargetTestHooks.h"
#include "delivery/FtpListing.h"
#include "ui/FtpBrowserDialog.h"
#include "ui/FtpDialog.h"

namespace ocv::test {
namespace {

namespace fs = std::filesystem;

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// One server for every case; the cases only read its folders.
class FtpBrowserTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new FtpServer;
        for (const char* dir : {"alpha", "beta/inner", "with space"})
            fs::create_directories(fs::path(server_->Root()) / dir);
        std::ofstream(fs::path(server_->Root()) / "file.txt") << "x";
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server_->Ready()) << server_->Log();
        endpoint_.host = "127.0.0.1";
        endpoint_.port = server_->Port();
        endpoint_.user = "camuser";
        endpoint_.password = "s3cret";
    }
    static inline FtpServer* server_ = nullptr;
    FtpEndpoint endpoint_;
};

TEST_F(FtpBrowserTest, ListsFoldersGoesDownAndUp) {
    MessageRecorder messages;
    // A start folder the server lacks falls back to the top.
    CFtpBrowserDialog browser(endpoint_, "/gone/away", nullptr);
    ASSERT_TRUE(browser.LoggedIn()) << server_->Log();
    auto* list = browser.findChild<QListWidget*>(QStringLiteral("folders"));
    ASSERT_NE(list, nullptr);
    struct Step {
        const char* activate;  // item to open, nullptr for the start
        std::string directory;
        QStringList items;
    } steps[] = {
        {nullptr, "/", {"alpha", "beta", "readonly", "with space"}},
        {"beta", "/beta", {"..", "inner"}},
        {"inner", "/beta/inner", {".."}},
        {"..", "/beta", {"..", "inner"}},
        {"..", "/", {"alpha", "beta", "readonly", "with space"}},
        {"with space", "/with space", {".."}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.directory);
        if (step.activate) {
            const auto found = list->findItems(QString::fromUtf8(step.activate), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1);
            emit list->itemActivated(found[0]);
        }
        EXPECT_EQ(browser.Directory(), step.directory);
        EXPECT_EQ(Items(list), step.items);
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(FtpBrowserTest, RefusedLoginShowsItsMessageOnce) {
    MessageRecorder messages;
    endpoint_.password = "wrong";
    CFtpBrowserDialog browser(endpoint_, "/alpha", nullptr);
    EXPECT_FALSE(browser.LoggedIn());
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0],
              QString::fromUtf8("FTPサーバにログインできません！\n入力したアドレス/ユーザID/"
                                "パスワードに間違いがないか確認してください"));
}

TEST_F(FtpBrowserTest, FtpDialogTakesTheChosenFolder) {
    FtpInfo ftp;
    ftp.ftpServerAddress = "127.0.0.1";
    ftp.ftpServerPort = endpoint_.port;
    ftp.ftpUser = "camuser";
    ftp.ftpPassword = "s3cret";
    ftp.ftpDirectory = "/beta";
    ftp.ftpPasvMode = 1;
    CFTPDialog dialog(ftp, nullptr);
    WithModal(
        [](QDialog* browser) {
            auto* list = browser->findChild<QListWidget*>(QStringLiteral("folders"));
            emit list->itemActivated(list->findItems(QStringLiteral("inner"), Qt::MatchExactly)[0]);
            browser->accept();
        },
        [&] {
            dialog.findChild<QPushButton*>(QStringLiteral("browse"))->click();
            return true;
        });
    dialog.accept();
    EXPECT_EQ(dialog.Value().ftpDirectory, "/beta/inner");
}

TEST(FtpListing, FoldersOfTheLineForms) {
    struct Row {
        const char* name;
        const char* listing;
        std::vector<std::string> folders;
    } rows[] = {
        {"unix",
         "drwxr-xr-x   2 owner    group        4096 Dec 08 04:00 alpha\r\n"
         "-rw-r--r--   1 owner    group           1 Dec 08 04:00 file.txt\r\n"
         "drwxr-xr-x   2 owner    group        4096 Jan  1  2025 two  words\r\n"
         "lrwxrwxrwx   1 owner    group           5 Dec 08 04:00 link -> alpha\r\n",
         {"alpha", "two  words"}},
        {"dots and duplicates",
         "drwxr-xr-x 2 o g 0 Dec 8 04:00 .\ndrwxr-xr-x 2 o g 0 Dec 8 04:00 ..\n"
         "drwxr-xr-x 2 o g 0 Dec 8 04:00 b\ndrwxr-xr-x 2 o g 0 Dec 8 04:00 b\n",
         {"b"}},
        {"ms-dos",
         "12-08-26  04:00AM       <DIR>          Pictures\r\n"
         "12-08-26  04:00AM                 1234 readme.txt\r\n",
         {"Pictures"}},
        {"short and odd lines", "d\ndrwx 2 o\n\n\r\ntotal 8\n<DIR>\n12-08-26 <DIR>\n", {}},
        {"control character or slash in a name",
         "drwxr-xr-x 2 o g 0 Dec 8 04:00 a\x01z\ndrwxr-xr-x 2 o g 0 Dec 8 04:00 a/b\n",
         {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ParseFtpFolders(row.listing), row.folders) << row.name;
    }
}

TEST(FtpListing, ParentAndChild) {
    const char* rows[][2] = {{"/", "/"}, {"/a", "/"}, {"/a/b", "/a"}, {"/a/b/", "/a"}, {"", "/"}};
    for (const auto& [dir, parent] : rows) EXPECT_EQ(FtpParentDirectory(dir), parent) << dir;
    EXPECT_EQ(FtpChildDirectory("/a", "b c"), "/a/b c");
    EXPECT_EQ(FtpChildDirectory("", "a"), "/a");
}

}  // namespace
}  // namespace ocv::test
