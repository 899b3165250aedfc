#pragma once
// The records of the SNMP extension-agent interface: object identifiers, typed values,
// variable bindings and binding lists, laid out as the agent library's own (UINT lengths,
// BOOL flags), so that a Windows agent can be handed them as they are. Storage for names and
// values that the program hands to an agent, and that an agent hands back, comes from
// MibAlloc (zero-filled) and goes back with MibFree.
#include <cstddef>
#include <cstdint>

namespace vornalix::hostnet {

// ASN.1 / SNMP value types.
enum AsnType : std::uint8_t {
    kAsnInteger32 = 0x02,
    kAsnOctetString = 0x04,
    kAsnNull = 0x05,
    kAsnObjectIdentifier = 0x06,
    kAsnSequence = 0x30,
    kAsnIpAddress = 0x40,
    kAsnCounter32 = 0x41,
    kAsnGauge32 = 0x42,
    kAsnTimeticks = 0x43,
    kAsnOpaque = 0x44,
};

constexpr std::uint8_t kSnmpPduGetNext = 0xA1;
// Error status an agent reports for a binding that has no successor.
constexpr std::int32_t kSnmpErrorNoSuchName = 2;

// The library packs its records on 4 octets: on 64-bit systems a pointer after a 4-octet field
// is not padded to 8.
#pragma pack(push, 4)

struct AsnObjectIdentifier {
    std::uint32_t idLength;
    std::uint32_t* ids;
};

struct AsnOctetString {
    std::uint8_t* stream;
    std::uint32_t length;
    std::int32_t dynamic; // non-zero: stream was allocated with MibAlloc and belongs to the binding
};

struct AsnAny {
    std::uint8_t asnType;
    union {
        std::int32_t number;
        std::uint32_t unsigned32;
        AsnOctetString string; // OCTET STRING, IpAddress, Opaque, SEQUENCE
        AsnObjectIdentifier object;
    } asnValue;
};

struct SnmpVarBind {
    AsnObjectIdentifier name;
    AsnAny value;
};

struct SnmpVarBindList {
    SnmpVarBind* list;
    std::uint32_t len;
};

#pragma pack(pop)

static_assert(sizeof(void*) != 8 ||
                  (sizeof(AsnObjectIdentifier) == 12 && sizeof(AsnOctetString) == 16 && sizeof(AsnAny) == 20 &&
                   offsetof(AsnAny, asnValue) == 4 && sizeof(SnmpVarBind) == 32 && offsetof(SnmpVarBind, value) == 12 &&
                   sizeof(SnmpVarBindList) == 12 && offsetof(SnmpVarBindList, len) == 8),
              "agent records keep the 64-bit library's layout");

// The global-heap calls of the interface: zero-filled allocation (never nullptr for size 0 while
// memory lasts) and release. The platform's: an agent library frees what it is handed with its own
// heap calls.
void* MibAlloc(std::size_t size);
void MibFree(void* p);

} // namespace vornalix::hostnet
