#pragma once
// The error a TcpSock throws: a socket error code of the error table and its text.
// Thrown and caught by value; it never leaves the mail folder's own callers' catch blocks.
#include <exception>
#include <string>

namespace ocv {

class WSAException : public std::exception {
public:
    static constexpr size_t kMaxText = 255;

    explicit WSAException(int code);
    // A failure the table has no row for (TLS), with its own text.
    WSAException(int code, std::string text);

    int Code() const { return code_; }
    // The table's text for the code, or "Unknown error code!".
    const std::string& Text() const { return text_; }
    const char* what() const noexcept override { return text_.c_str(); }

private:
    int code_;
    std::string text_;
};

}  // namespace ocv
