#include "hostnet/windows/WindowsMibAgent.h"

#include <snmp.h>
#include <windows.h>

#include <cstddef>

namespace vornalix::hostnet {

namespace {

// The program's records are the library's own, field by field.
static_assert(sizeof(AsnObjectIdentifier) == sizeof(::AsnObjectIdentifier) &&
              offsetof(AsnObjectIdentifier, ids) == offsetof(::AsnObjectIdentifier, ids));
static_assert(sizeof(AsnOctetString) == sizeof(::AsnOctetString) &&
              offsetof(AsnOctetString, length) == offsetof(::AsnOctetString, length) &&
              offsetof(AsnOctetString, dynamic) == offsetof(::AsnOctetString, dynamic));
static_assert(sizeof(AsnAny) == sizeof(::AsnAny) && offsetof(AsnAny, asnValue) == offsetof(::AsnAny, asnValue));
static_assert(sizeof(SnmpVarBind) == sizeof(::SnmpVarBind) &&
              offsetof(SnmpVarBind, value) == offsetof(::SnmpVarBind, value));
static_assert(sizeof(SnmpVarBindList) == sizeof(::SnmpVarBindList) &&
              offsetof(SnmpVarBindList, len) == offsetof(::SnmpVarBindList, len));
static_assert(kSnmpPduGetNext == SNMP_PDU_GETNEXT && kSnmpErrorNoSuchName == SNMP_ERRORSTATUS_NOSUCHNAME);

using InitCall = BOOL(WINAPI*)(DWORD, HANDLE*, ::AsnObjectIdentifier*);
using QueryCall = BOOL(WINAPI*)(BYTE, ::SnmpVarBindList*, AsnInteger32*, AsnInteger32*);

template <typename Call> Call EntryPoint(void* module, const char* name) {
    // Through the generic function type, which converts to any other without a warning.
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(module), name)));
}

} // namespace

WindowsMibAgent::~WindowsMibAgent() {
    Unload();
}

bool WindowsMibAgent::Load(const std::string& libraryName) {
    Unload();
    module = LoadLibraryA(libraryName.c_str());
    return module != nullptr;
}

void WindowsMibAgent::Unload() {
    if (module != nullptr)
        FreeLibrary(static_cast<HMODULE>(module));
    module = nullptr;
}

bool WindowsMibAgent::Init(std::uint32_t timeReference) {
    if (module == nullptr)
        return false;
    const auto call = EntryPoint<InitCall>(module, "SnmpExtensionInit");
    if (call == nullptr)
        return false;
    HANDLE trapEvent = nullptr;
    ::AsnObjectIdentifier firstRegion{};
    return call(timeReference, &trapEvent, &firstRegion);
}

bool WindowsMibAgent::Query(std::uint8_t requestType, SnmpVarBindList* bindings, std::int32_t* errorStatus,
                            std::int32_t* errorIndex) {
    if (module == nullptr)
        return false;
    const auto call = EntryPoint<QueryCall>(module, "SnmpExtensionQuery");
    if (call == nullptr)
        return false;
    AsnInteger32 status = 0;
    AsnInteger32 index = 0;
    const BOOL answered = call(requestType, reinterpret_cast<::SnmpVarBindList*>(bindings), &status, &index);
    *errorStatus = status;
    *errorIndex = index;
    return answered;
}

} // namespace vornalix::hostnet
