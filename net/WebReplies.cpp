#include "net/WebReplies.h"

#include <sys/random.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>

#include "mail/TcpSock.h"

namespace ocv {

void SendSimpleResponse(TcpSock& conn, int code, const std::string& statusText,
                        const std::string& body, bool headOnly) {
    char head[256];
    std::snprintf(head, sizeof head,
                  "HTTP/1.1 %d %s\r\nMIME-Version: 1.0\r\nServer: Ocuvane\r\nContent-Type: "
                  "text/plain\r\nContent-Length: %d\r\n\r\n",
                  code, statusText.c_str(), static_cast<int>(body.size()));
    std::string reply = head;
    if (!headOnly) reply += body;
    conn.Send(reply);
}

bool SendDocument(TcpSock& conn, const void* bytes, size_t length, const char* contentType,
                  std::string& errorText) {
    char head[256];
    std::snprintf(head, sizeof head,
                  "HTTP/1.1 200 Document follows\r\nMIME-Version: 1.0\r\nServer: "
                  "Ocuvane\r\nContent-Type: %s\r\nContent-Length: %ld\r\n\r\n",
                  contentType, static_cast<long>(length));
    try {
        conn.Send(head);
        conn.Send(bytes, static_cast<int>(length));
    } catch (const WSAException& e) {
        errorText = e.Text();
        return false;
    }
    return true;
}

std::string StreamHeader(const std::string& cameraName) {
    return "HTTP/1.1 200  Document follows\r\nMIME-Version: 1.0\r\nServer: Ocuvane\r\n"
           "Camera-Name: " +
           cameraName + "\r\nContent-Type: multipart/x-mixed-replace; boundary=--myboundary\r\n";
}

std::string StreamPartHeader(size_t jpegSize) {
    char head[128];
    std::snprintf(head, sizeof head,
                  "\r\n--myboundary\r\nContent-Length: %ld\r\nContent-type: image/jpeg\r\n\r\n",
                  static_cast<long>(jpegSize));
    return head;
}

std::string FormatSessionNumber(uint16_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x%x00", value & 0xFFu, (value >> 8) & 0xFFu);
    return text;
}

std::string MakeSessionNumber() {
    uint16_t value = 0;
    ssize_t n;
    do {
        n = ::getrandom(&value, sizeof value, 0);
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(sizeof value)) {
        // No kernel random source: the system's random device through the standard library.
        std::random_device device;
        value = static_cast<uint16_t>(device());
    }
    return FormatSessionNumber(value);
}

}  // namespace ocv
