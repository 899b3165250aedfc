#include "hostnet/windows/WindowsRegistry.h"

#include <windows.h>

#include <vector>

namespace vornalix::hostnet {

namespace {

HKEY Handle(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

static_assert(sizeof(RegKey) == sizeof(HKEY));

} // namespace

long WindowsRegistry::OpenKey(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                              RegKey* result) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(Handle(root), subKey.c_str(), options, access, &opened);
    if (status == ERROR_SUCCESS)
        *result = reinterpret_cast<RegKey>(opened);
    return status;
}

long WindowsRegistry::CreateKey(RegKey root, const std::string& subKey, const std::string& className,
                                std::uint32_t options, std::uint32_t access, RegKey* result) {
    std::vector<char> classText(className.begin(), className.end());
    classText.push_back('\0');
    HKEY created = nullptr;
    const LONG status =
        RegCreateKeyExA(Handle(root), subKey.c_str(), 0, classText.data(), options, access, nullptr, &created, nullptr);
    if (status == ERROR_SUCCESS)
        *result = reinterpret_cast<RegKey>(created);
    return status;
}

long WindowsRegistry::QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                 std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD valueSize = *size;
    const LONG status = RegQueryValueExA(Handle(key), valueName.c_str(), nullptr, &valueType, data, &valueSize);
    if (type != nullptr)
        *type = valueType;
    *size = valueSize;
    return status;
}

long WindowsRegistry::SetValue(RegKey key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                               std::uint32_t size) {
    return RegSetValueExA(Handle(key), valueName.c_str(), 0, type, data, size);
}

long WindowsRegistry::EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) {
    DWORD size = *nameSize;
    const LONG status = RegEnumKeyExA(Handle(key), index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS)
        *nameSize = size;
    return status;
}

long WindowsRegistry::DeleteKey(RegKey root, const std::string& subKey) {
    return RegDeleteKeyA(Handle(root), subKey.c_str());
}

long WindowsRegistry::CloseKey(RegKey key) {
    return RegCloseKey(Handle(key));
}

} // namespace vornalix::hostnet
