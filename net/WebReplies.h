#pragma once
// The fixed reply forms of the web server.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ocv {

class TcpSock;

// "HTTP/1.1 <code> <text>" with a text/plain body. `headOnly` leaves the body out (HEAD request).
// Socket errors propagate as WSAException.
void SendSimpleResponse(TcpSock& conn, int code, const std::string& statusText,
                        const std::string& body, bool headOnly = false);

// "HTTP/1.1 200 Document follows" with the bytes. False with the socket error's text.
bool SendDocument(TcpSock& conn, const void* bytes, size_t length, const char* contentType,
                  std::string& errorText);

// The header that opens a Motion-JPEG stream, and the header of one part.
std::string StreamHeader(const std::string& cameraName);
std::string StreamPartHeader(size_t jpegSize);

// The session number text: low byte in hex, second byte in hex, then "00" (the two high bytes
// of the value, which are zero).
std::string FormatSessionNumber(uint16_t value);
// A new session number from the system's cryptographic random source.
std::string MakeSessionNumber();

}  // namespace ocv
