// SSDP answers (a datagram of at most 2048 bytes) through the header parser, and description
// documents through the control-URL lookup.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/SsdpSearcher.h"
#include "net/UPnP.h"
#include "net/UPnPAction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    std::string location, st;
    ocv::ParseSsdpAnswer(text, size < 2048 ? size : 2048, location, st);
    if (location.find('\n') != std::string::npos || st.find('\n') != std::string::npos)
        __builtin_trap();
    std::string doc(text, size);
    ocv::ControlUrlFromDescription(doc, "http://10.0.0.1:5000/rootDesc.xml", ocv::kWanIpService);
    std::string content;
    ocv::XmlTextContent(doc, content);
    return 0;
}
