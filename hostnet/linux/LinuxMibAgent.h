#pragma once
// A MIB-II agent answering from the kernel's own tables: ipAddrTable from the IPv4
// addresses, ifTable from the links (rtnetlink) and sysfs (descriptions).
#include "hostnet/MibAgent.h"
#include "hostnet/MibView.h"
#include "hostnet/linux/InterfaceDescription.h"
#include "hostnet/linux/NetlinkTables.h"

namespace vornalix::hostnet {

class LinuxMibAgent : public MibAgent {
public:
    explicit LinuxMibAgent(InterfaceDescription description = InterfaceDescription());

    bool Load(const std::string& libraryName) override;
    void Unload() override;
    // Takes a snapshot of the kernel's tables, which later queries answer from.
    bool Init(std::uint32_t timeReference) override;
    bool Query(std::uint8_t requestType, SnmpVarBindList* bindings, std::int32_t* errorStatus,
               std::int32_t* errorIndex) override;

    // ifType for an ARPHRD_* link type: Ethernet (and Wi-Fi, which Linux shows as Ethernet) 6,
    // loopback 24, PPP 23, others as MIB-II numbers them, 1 (other) when it has no number.
    static std::int32_t InterfaceType(std::uint16_t arpType);
    // Fills a view from the tables.
    static void BuildView(const NetlinkTables& tables, const InterfaceDescription& description, MibView& view);

private:
    InterfaceDescription description;
    MibView view;
    bool loaded = false;
    bool initialised = false;
};

} // namespace vornalix::hostnet
