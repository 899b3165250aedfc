#include "hostnet/InterfaceAddressTable.h"

#include "hostnet/OidRoutines.h"
#include "hostnet/Platform.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace vornalix::hostnet {

namespace {

std::uint32_t ipAdEntAddrIds[] = {1, 3, 6, 1, 2, 1, 4, 20, 1, 1};
std::uint32_t ipAdEntIfIndexIds[] = {1, 3, 6, 1, 2, 1, 4, 20, 1, 2};
std::uint32_t ifIndexIds[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 1};
std::uint32_t ifDescrIds[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 2};
std::uint32_t ifTypeIds[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 3};

constexpr std::uint32_t kColumnLength = 10;

bool IsOctets(const AsnAny& value) {
    return value.asnType == kAsnOctetString || value.asnType == kAsnIpAddress || value.asnType == kAsnOpaque;
}

// An integer column's value; other types read as 0.
std::uint32_t IntegerOf(const AsnAny& value) {
    switch (value.asnType) {
    case kAsnInteger32:
    case kAsnCounter32:
    case kAsnGauge32:
    case kAsnTimeticks:
        return value.asnValue.unsigned32;
    default:
        return 0;
    }
}

// The first four octets of an address value, as stored; a value that is no address (not an
// octet string, or shorter than four octets) reads as 0.0.0.0, which the join passes over.
std::uint32_t AddressOf(const AsnAny& value) {
    std::uint32_t address = 0;
    if (IsOctets(value) && value.asnValue.string.stream != nullptr && value.asnValue.string.length >= 4)
        std::memcpy(&address, value.asnValue.string.stream, 4);
    return address;
}

// The octets up to the first zero, at most 255 of them, and a terminating zero.
void DescriptionOf(const AsnAny& value, char (&description)[256]) {
    std::size_t length = 0;
    if (IsOctets(value) && value.asnValue.string.stream != nullptr) {
        const auto* stream = value.asnValue.string.stream;
        const std::size_t limit = std::min<std::size_t>(value.asnValue.string.length, sizeof description - 1);
        while (length < limit && stream[length] != 0)
            ++length;
        std::memcpy(description, stream, length);
    }
    description[length] = '\0';
}

// Walks the columns with GETNEXT, storing one row per answer through store(bindings).
template <std::size_t N, typename Store>
int Walk(MibAgent& agent, const std::array<const AsnObjectIdentifier*, N>& columns, int capacity, Store store) {
    std::array<SnmpVarBind, N> bindings{};
    for (std::size_t i = 0; i < N; ++i) {
        CopyOid(&bindings[i].name, columns[i]);
        bindings[i].value.asnType = kAsnNull;
    }
    SnmpVarBindList list{bindings.data(), static_cast<std::uint32_t>(N)};
    int count = 0;
    while (count < capacity) {
        std::int32_t errorStatus = 0;
        std::int32_t errorIndex = 0;
        if (!agent.Query(kSnmpPduGetNext, &list, &errorStatus, &errorIndex))
            break;
        if (CompareOidPrefix(&bindings[0].name, columns[0], kColumnLength) != 0)
            break;
        store(bindings, count);
        ++count;
    }
    for (auto& binding : bindings)
        FreeVarBind(&binding);
    return count;
}

std::uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

const AsnObjectIdentifier kIpAdEntAddr{kColumnLength, ipAdEntAddrIds};
const AsnObjectIdentifier kIpAdEntIfIndex{kColumnLength, ipAdEntIfIndexIds};
const AsnObjectIdentifier kIfIndex{kColumnLength, ifIndexIds};
const AsnObjectIdentifier kIfDescr{kColumnLength, ifDescrIds};
const AsnObjectIdentifier kIfType{kColumnLength, ifTypeIds};

int WalkAddressTable(MibAgent& agent, AddressRow* rows, int capacity) {
    const std::array<const AsnObjectIdentifier*, 2> columns{&kIpAdEntAddr, &kIpAdEntIfIndex};
    return Walk(agent, columns, capacity, [rows](const std::array<SnmpVarBind, 2>& b, int row) {
        rows[row].address = AddressOf(b[0].value);
        rows[row].interfaceIndex = IntegerOf(b[1].value);
    });
}

int WalkInterfaceTable(MibAgent& agent, InterfaceRow* rows, int capacity) {
    const std::array<const AsnObjectIdentifier*, 3> columns{&kIfIndex, &kIfDescr, &kIfType};
    return Walk(agent, columns, capacity, [rows](const std::array<SnmpVarBind, 3>& b, int row) {
        rows[row].interfaceIndex = IntegerOf(b[0].value);
        DescriptionOf(b[1].value, rows[row].description);
        rows[row].interfaceType = IntegerOf(b[2].value);
    });
}

int ListInterfaceAddresses(MibAgent& agent, AdapterEntry* table, int capacity) {
    agent.Load("inetmib1.dll");
    if (capacity <= 0) {
        agent.Unload();
        return -1;
    }
    agent.Init(TickCount());

    auto addresses = std::make_unique<std::array<AddressRow, kMaxTableRows>>();
    auto interfaces = std::make_unique<std::array<InterfaceRow, kMaxTableRows>>();
    const auto byIndex = [](const auto& a, const auto& b) { return a.interfaceIndex < b.interfaceIndex; };

    const int addressCount = WalkAddressTable(agent, addresses->data(), kMaxTableRows);
    std::stable_sort(addresses->begin(), addresses->begin() + addressCount, byIndex);
    const int interfaceCount = WalkInterfaceTable(agent, interfaces->data(), kMaxTableRows);
    std::stable_sort(interfaces->begin(), interfaces->begin() + interfaceCount, byIndex);
    if (addressCount == 0 || interfaceCount == 0) {
        agent.Unload();
        return 0;
    }

    int count = 0;
    int position = 0;
    for (int i = 0; i < interfaceCount && count < capacity; ++i) {
        const InterfaceRow& row = (*interfaces)[i];
        if (row.interfaceType != kIfTypeEthernetCsmacd)
            continue;
        for (int a = position; a < addressCount; ++a) {
            const AddressRow& candidate = (*addresses)[a];
            const auto firstOctet = reinterpret_cast<const std::uint8_t*>(&candidate.address)[0];
            if (candidate.interfaceIndex != row.interfaceIndex || firstOctet < 1 || firstOctet > 223)
                continue;
            AdapterEntry& entry = table[count++];
            std::memcpy(entry.description, row.description, sizeof entry.description);
            entry.address = candidate.address;
            position = a + 1;
            break;
        }
    }
    agent.Unload();
    return count;
}

int ListInterfaceAddresses(AdapterEntry* table, int capacity) {
    std::unique_ptr<MibAgent> agent = CreateMibAgent();
    return ListInterfaceAddresses(*agent, table, capacity);
}

} // namespace vornalix::hostnet
