#pragma once
// The PC's Ethernet adapters and their IPv4 addresses, read from the MIB-II ipAddrTable and
// ifTable of an extension agent and joined on the interface index.
#include "hostnet/AdapterEntry.h"
#include "hostnet/MibAgent.h"

#include <cstdint>

namespace vornalix::hostnet {

// MIB-II columns, 10 components each.
extern const AsnObjectIdentifier kIpAdEntAddr;
extern const AsnObjectIdentifier kIpAdEntIfIndex;
extern const AsnObjectIdentifier kIfIndex;
extern const AsnObjectIdentifier kIfDescr;
extern const AsnObjectIdentifier kIfType;

constexpr int kMaxTableRows = 256;
constexpr std::uint32_t kIfTypeEthernetCsmacd = 6;

struct AddressRow {
    std::uint32_t address; // network order
    std::uint32_t interfaceIndex;
};

struct InterfaceRow {
    std::uint32_t interfaceIndex;
    char description[256];
    std::uint32_t interfaceType;
};

// Fills table with up to capacity entries: one per Ethernet interface (type 6) that has an
// address whose first octet is 1 to 223, in ascending order of interface index. Returns the
// count; -1 (writing nothing) when capacity is 0 or less; 0 when nothing qualifies or a table
// is empty or unreadable. Shows no message.
int ListInterfaceAddresses(MibAgent& agent, AdapterEntry* table, int capacity);
// The same over the platform's agent.
int ListInterfaceAddresses(AdapterEntry* table, int capacity);

// GETNEXT walks over the two tables: rows until the first binding leaves its column, the agent
// fails, or capacity rows are stored. Return the row count.
int WalkAddressTable(MibAgent& agent, AddressRow* rows, int capacity);
int WalkInterfaceTable(MibAgent& agent, InterfaceRow* rows, int capacity);

} // namespace vornalix::hostnet
