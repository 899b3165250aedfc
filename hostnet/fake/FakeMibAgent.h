#pragma once
// A MIB agent serving scripted tables, recording every call.
#include "hostnet/MibAgent.h"
#include "hostnet/MibView.h"

#include <string>
#include <vector>

namespace vornalix::hostnet {

class FakeMibAgent : public MibAgent {
public:
    // Adds an ifTable row (ifIndex, ifDescr, ifType).
    void AddInterface(std::uint32_t index, const std::string& description, std::int32_t type);
    // Adds an ipAddrTable row (ipAdEntAddr, ipAdEntIfIndex); address given as "a.b.c.d".
    void AddAddress(const std::string& address, std::uint32_t interfaceIndex);
    // The scripted view itself, for rows the helpers cannot express.
    MibView& View() { return view; }

    // When set, loading fails (as with a missing library): Init and Query then return false.
    bool failLoad = false;

    bool Load(const std::string& libraryName) override;
    void Unload() override;
    bool Init(std::uint32_t timeReference) override;
    bool Query(std::uint8_t requestType, SnmpVarBindList* bindings, std::int32_t* errorStatus,
               std::int32_t* errorIndex) override;

    // "Load inetmib1.dll", "Init", "Query", "Unload", in order.
    std::vector<std::string> calls;
    int QueryCount() const;

private:
    MibView view;
    bool loaded = false;
};

} // namespace vornalix::hostnet
