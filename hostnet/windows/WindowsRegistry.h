#pragma once
// The registry through advapi32's ANSI calls; a RegKey is the HKEY itself.
#include "hostnet/Registry.h"

namespace vornalix::hostnet {

class WindowsRegistry : public Registry {
public:
    long OpenKey(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                 RegKey* result) override;
    long CreateKey(RegKey root, const std::string& subKey, const std::string& className, std::uint32_t options,
                   std::uint32_t access, RegKey* result) override;
    long QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) override;
    long DeleteKey(RegKey root, const std::string& subKey) override;
    long CloseKey(RegKey key) override;
};

} // namespace vornalix::hostnet
