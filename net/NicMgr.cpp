#include "net/NicMgr.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace ocv {
namespace {

// The driver name the kernel links from /sys/class/net/<name>/device/driver, or "".
std::string DriverOf(const std::string& name) {
    std::error_code ec;
    auto link = std::filesystem::read_symlink("/sys/class/net/" + name + "/device/driver", ec);
    if (ec) return {};
    return link.filename().string();
}

}  // namespace

CNicMgr::CNicMgr(MessageBoxFn messageBox) : messageBox_(std::move(messageBox)) {}

CNicMgr::~CNicMgr() = default;

void CNicMgr::ShowBox(const std::string& text) const {
    if (messageBox_) messageBox_(text);
}

void CNicMgr::Enumerate() {
    adapters_.clear();

    struct if_nameindex* names = ::if_nameindex();
    if (names == nullptr) {
        int err = errno;
        const char* text = std::strerror(err);
        ShowBox(text && *text
                    ? std::string("Application Error ! if_nameindex() failed! [") + text + "]"
                    : std::string("Application Error ! if_nameindex() failed!"));
        return;
    }
    std::vector<Adapter> list;
    for (auto* p = names; p->if_index != 0 && p->if_name != nullptr; ++p) {
        Adapter a;
        a.name = p->if_name;
        a.index = p->if_index;
        list.push_back(std::move(a));
    }
    ::if_freenameindex(names);
    std::sort(list.begin(), list.end(),
              [](const Adapter& x, const Adapter& y) { return x.index < y.index; });

    struct ifaddrs* addrs = nullptr;
    if (::getifaddrs(&addrs) != 0) {
        int err = errno;
        const char* text = std::strerror(err);
        ShowBox(text && *text
                    ? std::string("Application Error ! getifaddrs() failed! [") + text + "]"
                    : std::string("Application Error ! getifaddrs() failed!"));
        return;
    }
    for (auto& a : list) {
        a.description = a.name;
        std::string driver = DriverOf(a.name);
        if (!driver.empty()) a.description += " (" + driver + ")";
        for (auto* ifa = addrs; ifa != nullptr; ifa = ifa->ifa_next) {
            if (ifa->ifa_addr == nullptr || ifa->ifa_name == nullptr || a.name != ifa->ifa_name)
                continue;
            if ((ifa->ifa_flags & IFF_LOOPBACK) != 0) a.loopback = true;
            if (ifa->ifa_addr->sa_family == AF_PACKET && !a.hasHardware) {
                const auto* ll = reinterpret_cast<const sockaddr_ll*>(ifa->ifa_addr);
                size_t n = std::min<size_t>(ll->sll_halen, sizeof a.hardware);
                std::memcpy(a.hardware, ll->sll_addr, n);
                a.hasHardware = true;
            } else if (ifa->ifa_addr->sa_family == AF_INET && a.ipv4.empty()) {
                const auto* sin = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr);
                char dotted[INET_ADDRSTRLEN] = {};
                if (::inet_ntop(AF_INET, &sin->sin_addr, dotted, sizeof dotted) != nullptr)
                    a.ipv4 = dotted;
            }
        }
    }
    // An adapter without an IPv4 address (an unconfigured or virtual device) cannot serve, so it
    // takes no position; the loopback adapter goes last so that it never is the default choice.
    std::erase_if(list, [](const Adapter& a) { return a.ipv4.empty(); });
    std::stable_partition(list.begin(), list.end(), [](const Adapter& a) { return !a.loopback; });
    ::freeifaddrs(addrs);
    adapters_ = std::move(list);
}

bool CNicMgr::InRange(int i) const {
    if (i >= 0 && i < GetCount()) return true;
    ShowBox(kNoDeviceMessage);
    return false;
}

std::string CNicMgr::GetDescription(int i) const {
    if (!InRange(i)) return {};
    return adapters_[static_cast<size_t>(i)].description;
}

std::string CNicMgr::GetMacAddress(int i) const {
    if (!InRange(i)) return {};
    const Adapter& a = adapters_[static_cast<size_t>(i)];
    if (!a.hasHardware) return {};
    std::string text;
    char group[4];
    for (uint8_t b : a.hardware) {
        std::snprintf(group, sizeof group, "%02X-", b);
        text += group;
    }
    text.pop_back();
    return text;
}

std::string CNicMgr::GetIpAddress(int i) const {
    if (!InRange(i)) return {};
    return adapters_[static_cast<size_t>(i)].ipv4;
}

int CNicMgr::IndexOfAddress(const std::string& ipv4) const {
    for (size_t i = 0; i < adapters_.size(); ++i)
        if (adapters_[i].ipv4 == ipv4) return static_cast<int>(i);
    return -1;
}

int AdapterPositionOf(const std::string& ipv4) {
    CNicMgr nics;
    nics.Enumerate();
    return nics.IndexOfAddress(ipv4);
}

std::vector<std::string> LocalIPv4Addresses() {
    std::vector<std::string> out;
    struct ifaddrs* addrs = nullptr;
    if (::getifaddrs(&addrs) != 0) return out;
    std::vector<std::pair<unsigned, std::string>> rows;
    for (auto* ifa = addrs; ifa != nullptr; ifa = ifa->ifa_next) {
        if (ifa->ifa_addr == nullptr || ifa->ifa_addr->sa_family != AF_INET) continue;
        if ((ifa->ifa_flags & IFF_UP) == 0) continue;
        char dotted[INET_ADDRSTRLEN] = {};
        const auto* sin = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr);
        if (::inet_ntop(AF_INET, &sin->sin_addr, dotted, sizeof dotted) == nullptr) continue;
        rows.emplace_back(::if_nametoindex(ifa->ifa_name), dotted);
    }
    ::freeifaddrs(addrs);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    for (auto& r : rows) out.push_back(std::move(r.second));
    return out;
}

}  // namespace ocv
