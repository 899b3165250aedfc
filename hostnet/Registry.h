#pragma once
// The registry operations the media-sense guard uses, shaped like advapi32's ANSI calls so
// that a direct Windows backend is a thin wrapper. Results are Win32 error codes (0 success).
#include <cstdint>
#include <string>

namespace vornalix::hostnet {

// A key handle as advapi32 gives it (HKEY), carried as an integer.
using RegKey = std::uintptr_t;

constexpr RegKey kHKeyLocalMachine = 0x80000002;

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

class Registry {
public:
    virtual ~Registry() = default;
    // RegOpenKeyExA: opens an existing key.
    virtual long OpenKey(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                         RegKey* result) = 0;
    // RegCreateKeyExA (no security attributes, no disposition): opens the key, creating it and any
    // missing parents; a key created here gets className as its class string.
    virtual long CreateKey(RegKey root, const std::string& subKey, const std::string& className, std::uint32_t options,
                           std::uint32_t access, RegKey* result) = 0;
    // RegQueryValueExA: *size is the buffer's size on entry and the value's size on success;
    // a value larger than the buffer gives kErrorMoreData.
    virtual long QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* size) = 0;
    // RegSetValueExA.
    virtual long SetValue(RegKey key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t size) = 0;
    // RegEnumKeyExA: the name of subkey number index into name (*nameSize octets on entry,
    // characters without the terminator on success); kErrorMoreData when it does not fit,
    // kErrorNoMoreItems past the last subkey.
    virtual long EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) = 0;
    // RegDeleteKeyA.
    virtual long DeleteKey(RegKey root, const std::string& subKey) = 0;
    // RegCloseKey.
    virtual long CloseKey(RegKey key) = 0;
};

} // namespace vornalix::hostnet
