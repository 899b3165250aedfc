#include "hostnet/OidRoutines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vornalix::hostnet {

int CopyOid(AsnObjectIdentifier* destination, const AsnObjectIdentifier* source) {
    destination->idLength = 0;
    destination->ids = nullptr;
    auto* ids = static_cast<std::uint32_t*>(MibAlloc(sizeof(std::uint32_t) * source->idLength));
    if (ids == nullptr) {
        errno = ENOMEM;
        return 0;
    }
    if (source->idLength != 0)
        std::memcpy(ids, source->ids, sizeof(std::uint32_t) * source->idLength);
    destination->ids = ids;
    destination->idLength = source->idLength;
    return 1;
}

void FreeOid(AsnObjectIdentifier* oid) {
    MibFree(oid->ids);
    oid->ids = nullptr;
    oid->idLength = 0;
}

int CompareOidPrefix(const AsnObjectIdentifier* a, const AsnObjectIdentifier* b, std::uint32_t n) {
    const std::uint32_t count = std::min({n, a->idLength, b->idLength});
    for (std::uint32_t i = 0; i < count; ++i)
        if (a->ids[i] != b->ids[i])
            return static_cast<int>(a->ids[i] - b->ids[i]);
    return 0;
}

void FreeVarBind(SnmpVarBind* binding) {
    FreeOid(&binding->name);
    switch (binding->value.asnType) {
    case kAsnObjectIdentifier:
        FreeOid(&binding->value.asnValue.object);
        break;
    case kAsnOctetString:
    case kAsnSequence:
    case kAsnIpAddress:
    case kAsnOpaque:
        if (binding->value.asnValue.string.dynamic)
            MibFree(binding->value.asnValue.string.stream);
        binding->value.asnValue.string = {};
        break;
    default:
        break;
    }
    binding->value.asnType = kAsnNull;
}

} // namespace vornalix::hostnet
