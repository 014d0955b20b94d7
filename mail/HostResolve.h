#pragma once
// IPv4 host resolution shared by the mail clients and the line socket.
#include <string>

namespace ocv {

// A host in dotted decimal is used as is; otherwise the name is looked up and the first IPv4
// address of the answer is written as "%u.%u.%u.%u". Returns 0, or the socket error code of the
// failed lookup.
int ResolveIPv4(const std::string& host, std::string& dotted);

}  // namespace ocv
