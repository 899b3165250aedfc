#pragma once
// The program's own object-identifier routines over MibTypes records.
#include "hostnet/MibTypes.h"

namespace vornalix::hostnet {

// Copies source into fresh zero-filled storage (4 octets per component). 0 when the
// allocation fails (errno is then ENOMEM and destination is left empty), else 1.
int CopyOid(AsnObjectIdentifier* destination, const AsnObjectIdentifier* source);

// Releases the component storage and sets count and storage to zero.
void FreeOid(AsnObjectIdentifier* oid);

// Compares the first n components, limited to the shorter of the two identifiers:
// 0 when all compared components are equal (also when none are), otherwise the
// difference of the first unequal pair (a's minus b's).
int CompareOidPrefix(const AsnObjectIdentifier* a, const AsnObjectIdentifier* b, std::uint32_t n);

// Releases a binding's name and whatever its value holds; the value becomes NULL.
void FreeVarBind(SnmpVarBind* binding);

} // namespace vornalix::hostnet
