#include "hostnet/fake/FakeMibAgent.h"

#include <algorithm>
#include <cstdio>

namespace vornalix::hostnet {

void FakeMibAgent::AddInterface(std::uint32_t index, const std::string& description, std::int32_t type) {
    view.SetInteger(Column(kIfEntry, 1), {index}, static_cast<std::int32_t>(index));
    view.SetOctets(Column(kIfEntry, 2), {index}, description);
    view.SetInteger(Column(kIfEntry, 3), {index}, type);
}

void FakeMibAgent::AddAddress(const std::string& address, std::uint32_t interfaceIndex) {
    unsigned octets[4] = {};
    std::sscanf(address.c_str(), "%u.%u.%u.%u", &octets[0], &octets[1], &octets[2], &octets[3]);
    const Oid index{octets[0], octets[1], octets[2], octets[3]};
    const char stored[4] = {static_cast<char>(octets[0]), static_cast<char>(octets[1]), static_cast<char>(octets[2]),
                            static_cast<char>(octets[3])};
    view.SetOctets(Column(kIpAddrEntry, 1), index, std::string(stored, 4), kAsnIpAddress);
    view.SetInteger(Column(kIpAddrEntry, 2), index, static_cast<std::int32_t>(interfaceIndex));
}

bool FakeMibAgent::Load(const std::string& libraryName) {
    calls.push_back("Load " + libraryName);
    loaded = !failLoad;
    return loaded;
}

void FakeMibAgent::Unload() {
    calls.push_back("Unload");
    loaded = false;
}

bool FakeMibAgent::Init(std::uint32_t) {
    calls.push_back("Init");
    return loaded;
}

bool FakeMibAgent::Query(std::uint8_t requestType, SnmpVarBindList* bindings, std::int32_t* errorStatus,
                         std::int32_t* errorIndex) {
    calls.push_back("Query");
    if (!loaded || requestType != kSnmpPduGetNext)
        return false;
    return view.GetNext(bindings, errorStatus, errorIndex);
}

int FakeMibAgent::QueryCount() const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), "Query"));
}

} // namespace vornalix::hostnet
