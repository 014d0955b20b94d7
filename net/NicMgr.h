#pragma once
// The computer's network adapters that carry an IPv4 address, as one snapshot: their
// descriptions, hardware addresses and IPv4 addresses, in a stable order: the machine's order
// (kernel interface index) with the loopback adapter last, so position 0 is the first real
// adapter as on a computer with one network card. A position in this list is what the web
// server's "Nic Index" stores.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ocv {

class CNicMgr {
public:
    // Receives the texts this class would show in an error message box.
    using MessageBoxFn = std::function<void(const std::string& text)>;

    struct Adapter {
        std::string name;          // kernel interface name ("lo", "eth0", ...)
        unsigned index = 0;        // kernel interface index
        std::string description;   // name, and the driver when the kernel tells it
        uint8_t hardware[8] = {};  // physical address, zero-padded to eight bytes
        bool hasHardware = false;  // a link-level row was found for the adapter
        std::string ipv4;          // first IPv4 address of the adapter, dotted
        bool loopback = false;     // the kernel flags the adapter as loopback
    };

    explicit CNicMgr(MessageBoxFn messageBox = {});
    virtual ~CNicMgr();

    // Reads the adapter list again; on failure the count stays 0.
    void Enumerate();
    int GetCount() const { return static_cast<int>(adapters_.size()); }
    // "" when the adapter's row cannot be read; out of range also shows the message box.
    std::string GetDescription(int i) const;
    // Eight groups "XX-" joined, e.g. "00-11-22-33-44-55-00-00".
    std::string GetMacAddress(int i) const;
    // Dotted IPv4 address that belongs to the adapter at position i; "" when it has none.
    std::string GetIpAddress(int i) const;

    const std::vector<Adapter>& Adapters() const { return adapters_; }
    // Position of the adapter whose address is `ipv4`; -1 when none has it (no message box).
    int IndexOfAddress(const std::string& ipv4) const;

    static constexpr const char* kNoDeviceMessage = "指定されたネットワークデバイスは存在しません";

private:
    bool InRange(int i) const;
    void ShowBox(const std::string& text) const;

    MessageBoxFn messageBox_;
    std::vector<Adapter> adapters_;
};

// The position of the adapter that has the address `ipv4` in a fresh enumeration; -1 when none.
int AdapterPositionOf(const std::string& ipv4);

// Every IPv4 address of this machine's adapters that are up, in adapter order, loopback included.
std::vector<std::string> LocalIPv4Addresses();

}  // namespace ocv
