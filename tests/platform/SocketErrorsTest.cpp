#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <set>

#include "platform/SocketErrors.h"

using namespace ocv;

TEST(SocketErrors, DistinctTableTextsAndWhatErrnoAndResolverResultsMapTo) {
    std::set<std::string> texts;
    for (int code = 10000; code < 11100; ++code) texts.insert(SocketErrorText(code));
    EXPECT_EQ(SocketErrorTableSize(), 42);
    EXPECT_EQ(texts.size(), 43u) << "42 codes with a text each, and the unknown one";
    const std::pair<int, const char*> rows[] = {
        {10022, "Invalid argument."},
        {10101, "Graceful shutdown in progress."},
        {0, "Unknown error code!"},
        {SocketErrorFromErrno(ECONNREFUSED), "Connection refused."},
        {SocketErrorFromErrno(ETIMEDOUT), "Connection timed out."},
        {SocketErrorFromErrno(EHOSTUNREACH), "No route to host."},
        // An errno without a counterpart must not borrow some other row's text.
        {SocketErrorFromErrno(ENOSTR), "Unknown error code!"},
        {SocketErrorFromErrno(ENOENT), "Unknown error code!"},
        {SocketErrorFromGai(EAI_NONAME), "Host not found."},
    };
    for (const auto& [code, text] : rows) EXPECT_STREQ(SocketErrorText(code), text) << code;
    EXPECT_EQ(SocketErrorFromGai(EAI_AGAIN), 11002);
    EXPECT_EQ(SocketErrorFromGai(EAI_FAIL), 11003);
}
