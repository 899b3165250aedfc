#pragma once
// Linux has no registry: every key is absent and none can be created. The guard never asks
// on Linux (its version word is 0), so this only keeps the factory whole.
#include "hostnet/Registry.h"

namespace vornalix::hostnet {

class LinuxRegistry : public Registry {
public:
    long OpenKey(RegKey, const std::string&, std::uint32_t, std::uint32_t, RegKey*) override {
        return kErrorFileNotFound;
    }
    long CreateKey(RegKey, const std::string&, const std::string&, std::uint32_t, std::uint32_t, RegKey*) override {
        return kErrorAccessDenied;
    }
    long QueryValue(RegKey, const std::string&, std::uint32_t*, std::uint8_t*, std::uint32_t*) override {
        return kErrorInvalidHandle;
    }
    long SetValue(RegKey, const std::string&, std::uint32_t, const std::uint8_t*, std::uint32_t) override {
        return kErrorInvalidHandle;
    }
    long EnumKey(RegKey, std::uint32_t, char*, std::uint32_t*) override { return kErrorInvalidHandle; }
    long DeleteKey(RegKey, const std::string&) override { return kErrorFileNotFound; }
    long CloseKey(RegKey) override { return kErrorInvalidHandle; }
};

} // namespace vornalix::hostnet
