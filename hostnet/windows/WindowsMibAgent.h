#pragma once
// A MIB-II extension agent library (inetmib1.dll) loaded at run time and handed the binding
// lists as they are.
#include "hostnet/MibAgent.h"

namespace vornalix::hostnet {

class WindowsMibAgent : public MibAgent {
public:
    WindowsMibAgent() = default;
    ~WindowsMibAgent() override;
    WindowsMibAgent(const WindowsMibAgent&) = delete;
    WindowsMibAgent& operator=(const WindowsMibAgent&) = delete;

    bool Load(const std::string& libraryName) override;
    void Unload() override;
    bool Init(std::uint32_t timeReference) override;
    bool Query(std::uint8_t requestType, SnmpVarBindList* bindings, std::int32_t* errorStatus,
               std::int32_t* errorIndex) override;

    // Whether a library is held (between Load and Unload).
    bool Loaded() const { return module != nullptr; }

private:
    void* module = nullptr; // HMODULE
};

} // namespace vornalix::hostnet
