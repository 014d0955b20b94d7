#include "mail/WSAException.h"

#include "platform/SocketErrors.h"

namespace ocv {

WSAException::WSAException(int code) : code_(code), text_(SocketErrorText(code)) {
    if (text_.size() > kMaxText) text_.resize(kMaxText);
}

WSAException::WSAException(int code, std::string text) : code_(code), text_(std::move(text)) {
    if (text_.size() > kMaxText) text_.resize(kMaxText);
}

}  // namespace ocv
