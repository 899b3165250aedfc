#include "app/adapter-helper/AdapterHelper.h"

#include "common/DottedAddress.h"
#include "common/OfferedAddress.h"
#include "hostnet/LinkLocalAddress.h"
#include "hostnet/linux/ArpProbe.h"
#include "hostnet/linux/NetlinkTables.h"

#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace vornalix::app {

namespace helper = hostnet::helper;
using helper::Reason;

namespace {

bool IsWireless(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists("/sys/class/net/" + name + "/wireless", error) ||
           std::filesystem::exists("/sys/class/net/" + name + "/phy80211", error);
}

// The first address a boot loader can reach (first octet 1 to 223).
const hostnet::AddressRecord* UsableAddress(const hostnet::NetlinkTables& tables, std::uint32_t index) {
    for (const hostnet::AddressRecord& record : tables.addresses) {
        const auto firstOctet = reinterpret_cast<const std::uint8_t*>(&record.address)[0];
        if (record.index == index && firstOctet >= 1 && firstOctet <= 223)
            return &record;
    }
    return nullptr;
}

bool HasAnyAddress(const hostnet::NetlinkTables& tables, std::uint32_t index) {
    for (const hostnet::AddressRecord& record : tables.addresses)
        if (record.index == index)
            return true;
    return false;
}

std::string LinkName(const hostnet::NetlinkTables& tables, std::uint32_t index) {
    for (const hostnet::LinkRecord& link : tables.links)
        if (link.index == index)
            return link.name;
    return std::to_string(index);
}

// A UDP socket on the port, bound to the device before the port so that only a server on the same
// device is in the way; -errno when it cannot be had.
int OpenUdp(std::uint32_t address, int port, const std::string& device, bool broadcast) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -errno;
    const int on = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = address;
    const bool opened =
        setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, device.c_str(), static_cast<socklen_t>(device.size() + 1)) == 0 &&
        (!broadcast || (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
                        setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0)) &&
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    if (opened)
        return fd;
    const int error = errno;
    close(fd);
    return -error;
}

} // namespace

AdapterHelper::AdapterHelper(int control, int signalFd)
    : control(control), signalFd(signalFd), journal(hostnet::HoldJournal::kDirectory),
      hold(runner, addresses, journal) {}

int AdapterHelper::Run() {
    hostnet::RestoreLeftoverChanges(journal, runner, addresses);
    std::string pending;
    for (;;) {
        pollfd ready[2] = {{control, POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (poll(ready, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (ready[1].revents != 0)
            break;
        if (ready[0].revents == 0)
            continue;
        // Descriptors the caller might attach are dropped by the kernel: nothing is taken from it but text.
        char buffer[256];
        const ssize_t n = read(control, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            break; // the caller is gone, whatever the reason
        pending.append(buffer, static_cast<std::size_t>(n));
        Next next = Next::Serve;
        for (std::size_t end; next == Next::Serve && (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            next = Handle(line);
        }
        if (next == Next::Serve && pending.size() > helper::kMaxLine) {
            Refuse(Reason::BadRequest, {});
            next = Next::Stop;
        }
        if (next == Next::Stop)
            break;
    }
    End();
    return journal.Lines().empty() ? 0 : 1;
}

AdapterHelper::Next AdapterHelper::Handle(const std::string& line) {
    const auto request = helper::ParseRequest(line);
    if (!request) {
        Refuse(Reason::BadRequest, {});
        return Next::Stop;
    }
    if (request->kind == helper::Request::Kind::End) {
        End();
        return helper::SendLine(control, helper::kEnded) ? Next::Serve : Next::Stop;
    }
    if (held)
        return Refuse(Reason::Busy, {}) ? Next::Serve : Next::Stop;
    return Hold(*request) ? Next::Serve : Next::Stop;
}

bool AdapterHelper::Hold(const helper::Request& request) {
    const std::string& name = request.interfaceName;
    hostnet::NetlinkTables tables;
    tables.Read();
    const hostnet::LinkRecord* link = nullptr;
    for (const hostnet::LinkRecord& candidate : tables.links)
        if (candidate.name == name)
            link = &candidate;
    if (link == nullptr)
        return Refuse(Reason::NoSuchAdapter, {name});
    const bool loopback = (link->flags & IFF_LOOPBACK) != 0;
    if (!loopback && link->master != 0)
        return Refuse(Reason::Enslaved, {name, LinkName(tables, link->master)});
    // Wired Ethernet: hardware, or a veth pair's end (tests, the demo); not a bridge, bond, VLAN, tap or Wi-Fi.
    if (!loopback &&
        (link->arpType != ARPHRD_ETHER || !(link->kind.empty() || link->kind == "veth") || IsWireless(name)))
        return Refuse(Reason::NotEthernet, {name});

    helper::Held held{};
    if (request.address != 0) {
        const hostnet::AddressRecord* named = nullptr;
        for (const hostnet::AddressRecord& record : tables.addresses)
            if (record.index == link->index && record.address == request.address)
                named = &record;
        if (named == nullptr)
            return Refuse(Reason::AddressNotOnAdapter, {name, common::FormatDottedAddress(request.address)});
        held.address = named->address;
        held.prefixLength = named->prefixLength;
    } else if (const hostnet::AddressRecord* usable = UsableAddress(tables, link->index)) {
        held.address = usable->address;
        held.prefixLength = usable->prefixLength;
    } else {
        // Only an Ethernet adapter with no IPv4 address at all gets a link-local one, probed on its link.
        if (loopback || HasAnyAddress(tables, link->index))
            return Refuse(Reason::NoFreeAddress, {name});
        held.address = hostnet::ChooseLinkLocalAddress(link->hardwareAddress, [&name](const auto& candidates) {
            return hostnet::ArpProbe().Probe(name, candidates).outcome != hostnet::ProbeOutcome::InUse;
        });
        if (held.address == 0)
            return Refuse(Reason::NoFreeAddress, {name});
        held.prefixLength = hostnet::kLinkLocalPrefixLength;
        held.temporary = true;
    }
    held.offered = common::OfferedAddress(held.address);

    const bool changeHost = request.kind == helper::Request::Kind::Hold;
    if (changeHost && !hold.Begin(name, link->index, held.temporary ? held.address : 0, nullptr)) {
        switch (hold.Failure()) {
        case hostnet::HoldFailure::NetworkManagerRefused:
            return Refuse(Reason::NetworkManagerRefused, {name});
        case hostnet::HoldFailure::NetworkdRefused:
            return Refuse(Reason::NetworkdRefused, {name});
        case hostnet::HoldFailure::AddressFailed:
            return Refuse(Reason::AddressFailed,
                          {common::FormatDottedAddress(held.address), name, std::to_string(hold.FailureError())});
        case hostnet::HoldFailure::RecordFailed:
        case hostnet::HoldFailure::None:
            break;
        }
        return Refuse(Reason::RecordFailed, {journal.Directory()});
    }
    this->held = true;
    held.manager = hold.Manager() == hostnet::LinkManager::NetworkManager ? helper::Manager::NetworkManager
                   : hold.Manager() == hostnet::LinkManager::Networkd     ? helper::Manager::Networkd
                                                                          : helper::Manager::None;

    const int boot = OpenUdp(INADDR_ANY, 67, name, true);
    const int tftp = boot < 0 ? -1 : OpenUdp(held.address, 69, name, false);
    if (boot < 0 || tftp < 0) {
        const int error = boot < 0 ? -boot : -tftp;
        const std::string port = boot < 0 ? "67" : "69";
        if (boot >= 0)
            close(boot);
        End();
        if (error == EADDRINUSE)
            return Refuse(Reason::PortInUse, {port});
        return Refuse(Reason::BindFailed, {port, std::to_string(error)});
    }
    held.bootSocket = boot;
    held.tftpSocket = tftp;
    const bool sent = helper::SendLine(control, helper::FormatHeld(held), {boot, tftp});
    close(boot);
    close(tftp);
    return sent;
}

bool AdapterHelper::Refuse(Reason reason, std::vector<std::string> words) {
    return helper::SendLine(control, helper::FormatRefusal({reason, std::move(words)}));
}

void AdapterHelper::End() {
    hold.End();
    held = false;
}

} // namespace vornalix::app
