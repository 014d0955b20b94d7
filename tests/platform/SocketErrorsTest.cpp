#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <set>
#include <string>

#include "platform/SocketErrors.h"

using namespace ocv;

TEST(SocketErrors, TableHoldsFortyTwoDistinctCodesWithTexts) {
    EXPECT_EQ(SocketErrorTableSize(), 42);
    std::set<std::string> texts;
    int known = 0;
    for (int code = 10000; code < 11100; ++code) {
        std::string t = SocketErrorText(code);
        if (t != "Unknown error code!") {
            ++known;
            texts.insert(t);
        }
    }
    EXPECT_EQ(known, 42);
    EXPECT_EQ(texts.size(), 42u);
    EXPECT_STREQ(SocketErrorText(10022), "Invalid argument.");
    EXPECT_STREQ(SocketErrorText(10060), "Connection timed out.");
    EXPECT_STREQ(SocketErrorText(11001), "Host not found.");
    EXPECT_STREQ(SocketErrorText(10101), "Graceful shutdown in progress.");
    EXPECT_STREQ(SocketErrorText(0), "Unknown error code!");
}

TEST(SocketErrors, ErrnoValuesMapToTheirTableTexts) {
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(ECONNREFUSED)), "Connection refused.");
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(ECONNRESET)), "Connection reset by peer.");
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(ETIMEDOUT)), "Connection timed out.");
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(EAGAIN)),
                 "Resource temporarily unavailable.");
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(EADDRINUSE)), "Address already in use.");
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(EHOSTUNREACH)), "No route to host.");
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(EACCES)), "Permission denied.");
    // An errno without a counterpart must not borrow some other row's text.
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(ENOSTR)), "Unknown error code!");
    EXPECT_STREQ(SocketErrorText(SocketErrorFromErrno(ENOENT)), "Unknown error code!");
}

TEST(SocketErrors, ResolverResultsMapToHostErrors) {
    EXPECT_EQ(SocketErrorFromGai(EAI_NONAME), 11001);
    EXPECT_EQ(SocketErrorFromGai(EAI_AGAIN), 11002);
    EXPECT_EQ(SocketErrorFromGai(EAI_FAIL), 11003);
    EXPECT_STREQ(SocketErrorText(SocketErrorFromGai(EAI_NONAME)), "Host not found.");
}
