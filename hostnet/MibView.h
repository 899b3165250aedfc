#pragma once
// A MIB view held as sorted (object identifier, value) pairs, answering GETNEXT the way an
// extension agent does. The Linux agent and the fake agent fill one from their tables.
#include "hostnet/MibTypes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vornalix::hostnet {

using Oid = std::vector<std::uint32_t>;

// The entries of the two MIB-II tables the agents serve: ifEntry and ipAddrEntry.
inline const Oid kIfEntry = {1, 3, 6, 1, 2, 1, 2, 2, 1};
inline const Oid kIpAddrEntry = {1, 3, 6, 1, 2, 1, 4, 20, 1};

// The identifier of a table column: the entry followed by the column number.
inline Oid Column(const Oid& entry, std::uint32_t column) {
    Oid oid = entry;
    oid.push_back(column);
    return oid;
}

struct MibValue {
    std::uint8_t asnType = kAsnNull;
    std::int32_t number = 0; // INTEGER and the unsigned types
    std::string octets;      // OCTET STRING, IpAddress, Opaque
};

class MibView {
public:
    // Sets the value of one instance (column identifier followed by the instance's index).
    void Set(const Oid& name, const MibValue& value);
    void SetInteger(const Oid& column, const Oid& index, std::int32_t number, std::uint8_t type = kAsnInteger32);
    void SetOctets(const Oid& column, const Oid& index, const std::string& octets, std::uint8_t type = kAsnOctetString);
    bool Contains(const Oid& name) const { return entries.count(name) != 0; }
    void Clear() { entries.clear(); }
    std::size_t Size() const { return entries.size(); }

    // GETNEXT over the list: every binding gets the name and value of the instance that follows
    // its name. A binding with no successor leaves the list as it was for that binding and makes
    // the call report noSuchName with its 1-based position; the result is then false.
    bool GetNext(SnmpVarBindList* bindings, std::int32_t* errorStatus, std::int32_t* errorIndex) const;

private:
    std::map<Oid, MibValue> entries;
};

} // namespace vornalix::hostnet
