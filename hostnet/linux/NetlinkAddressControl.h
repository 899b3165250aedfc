#pragma once
// Adds and removes IPv4 addresses over rtnetlink in this process's network namespace (needs
// CAP_NET_ADMIN). Marks, strongest first: "proto" (the kernel keeps an address protocol of ours
// with the address, from Linux 6.1), "label" (the label IFNAME:vx, where it fits the kernel's 15
// characters), "stamp N" (the kernel's creation stamp of the address, read back once it is added;
// "stamp" alone before that, which identifies nothing). The bare interface name is never a mark:
// every address of the interface carries it.
#include "hostnet/LinkAddressControl.h"

namespace vornalix::hostnet {

class NetlinkAddressControl : public LinkAddressControl {
public:
    enum class Mark { Protocol, Label, Stamp };
    static constexpr unsigned char kProtocol = 0x56; // IFA_PROTO of our addresses

    // strongest: the strongest mark to use; the default is Protocol where the running kernel
    // keeps it, else Label.
    NetlinkAddressControl();
    explicit NetlinkAddressControl(Mark strongest);

    std::string PlannedMark(const std::string& interfaceName) override;
    int Add(const std::string& interfaceName, std::uint32_t address, int prefixLength, std::string* mark) override;
    int Remove(const std::string& interfaceName, std::uint32_t address, int prefixLength,
               const std::string& mark) override;

private:
    Mark strongest;
};

} // namespace vornalix::hostnet
