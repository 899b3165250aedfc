#pragma once
// The binding to a MIB-II extension agent: load, initialise, answer queries, unload.
// The Windows backend wraps "inetmib1.dll"; the Linux backend answers from the kernel's
// tables; the fake serves scripted tables.
#include "hostnet/MibTypes.h"

#include <string>

namespace vornalix::hostnet {

class MibAgent {
public:
    virtual ~MibAgent() = default;
    // Loads the agent library by name; false leaves the agent unloaded.
    virtual bool Load(const std::string& libraryName) = 0;
    // Releases the library if one is held.
    virtual void Unload() = 0;
    // SnmpExtensionInit with the time reference; false when unloaded or the entry point is missing.
    virtual bool Init(std::uint32_t timeReference) = 0;
    // SnmpExtensionQuery. For GETNEXT the agent replaces each binding's name with the next
    // instance (releasing the old name) and fills its value. False when unloaded, when the
    // entry point is missing, or when the agent cannot answer.
    virtual bool Query(std::uint8_t requestType, SnmpVarBindList* bindings, std::int32_t* errorStatus,
                       std::int32_t* errorIndex) = 0;
};

} // namespace vornalix::hostnet
