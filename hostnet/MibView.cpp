#include "hostnet/MibView.h"

#include "hostnet/OidRoutines.h"

#include <cstring>

namespace vornalix::hostnet {

namespace {

// Fills a binding from a view entry with freshly allocated storage; false when memory runs out.
bool Fill(SnmpVarBind* binding, const Oid& name, const MibValue& value) {
    auto* ids = static_cast<std::uint32_t*>(MibAlloc(sizeof(std::uint32_t) * name.size()));
    if (ids == nullptr)
        return false;
    std::uint8_t* stream = nullptr;
    const bool isString = value.asnType == kAsnOctetString || value.asnType == kAsnIpAddress ||
                          value.asnType == kAsnOpaque || value.asnType == kAsnSequence;
    if (isString) {
        stream = static_cast<std::uint8_t*>(MibAlloc(value.octets.size()));
        if (stream == nullptr) {
            MibFree(ids);
            return false;
        }
        std::memcpy(stream, value.octets.data(), value.octets.size());
    }
    FreeVarBind(binding);
    if (!name.empty())
        std::memcpy(ids, name.data(), sizeof(std::uint32_t) * name.size());
    binding->name = {static_cast<std::uint32_t>(name.size()), ids};
    binding->value.asnType = value.asnType;
    if (isString)
        binding->value.asnValue.string = {stream, static_cast<std::uint32_t>(value.octets.size()), 1};
    else
        binding->value.asnValue.number = value.number;
    return true;
}

} // namespace

void MibView::Set(const Oid& name, const MibValue& value) {
    entries[name] = value;
}

void MibView::SetInteger(const Oid& column, const Oid& index, std::int32_t number, std::uint8_t type) {
    Oid name = column;
    name.insert(name.end(), index.begin(), index.end());
    MibValue value;
    value.asnType = type;
    value.number = number;
    entries[name] = value;
}

void MibView::SetOctets(const Oid& column, const Oid& index, const std::string& octets, std::uint8_t type) {
    Oid name = column;
    name.insert(name.end(), index.begin(), index.end());
    MibValue value;
    value.asnType = type;
    value.octets = octets;
    entries[name] = value;
}

bool MibView::GetNext(SnmpVarBindList* bindings, std::int32_t* errorStatus, std::int32_t* errorIndex) const {
    *errorStatus = 0;
    *errorIndex = 0;
    for (std::uint32_t i = 0; i < bindings->len; ++i) {
        SnmpVarBind* binding = &bindings->list[i];
        const Oid current(binding->name.ids, binding->name.ids + binding->name.idLength);
        auto next = entries.upper_bound(current);
        if (next == entries.end() || !Fill(binding, next->first, next->second)) {
            *errorStatus = kSnmpErrorNoSuchName;
            *errorIndex = static_cast<std::int32_t>(i + 1);
            return false;
        }
    }
    return true;
}

} // namespace vornalix::hostnet
