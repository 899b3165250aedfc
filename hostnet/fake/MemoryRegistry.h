#pragma once
// An in-memory registry with Windows' rules: case-insensitive names, parents created with
// their children, subkeys enumerated in alphabetical order, sized value reads. Failures can
// be scripted per key; every handle is counted so that tests can check that all were closed.
#include "hostnet/Registry.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vornalix::hostnet {

class MemoryRegistry : public Registry {
public:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };

    // Paths are under HKEY_LOCAL_MACHINE, separated by backslashes.
    void AddKey(const std::string& path, const std::string& className = "");
    void SetDword(const std::string& path, const std::string& name, std::uint32_t value);
    // A REG_SZ value: the text and its terminator.
    void SetString(const std::string& path, const std::string& name, const std::string& text);
    void SetRaw(const std::string& path, const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data);

    bool HasKey(const std::string& path) const;
    std::optional<Value> GetValue(const std::string& path, const std::string& name) const;
    std::optional<std::uint32_t> GetDword(const std::string& path, const std::string& name) const;
    std::optional<std::string> GetString(const std::string& path, const std::string& name) const;
    std::string ClassOf(const std::string& path) const;
    std::vector<std::string> Subkeys(const std::string& path) const;
    std::size_t OpenHandles() const { return handles.size(); }

    // Scripted failures (paths compared without regard to case).
    std::set<std::string> failCreate;   // CreateKey of these paths is refused
    std::set<std::string> failSetValue; // SetValue through keys at these paths is refused
    // Windows Me: deleting a key removes its subkeys too; NT refuses a key that has subkeys.
    bool deleteRemovesSubkeys = false;

    // "CreateKey <path>", "SetValue <path> <name>", "DeleteKey <path>": the changes, in order.
    std::vector<std::string> changes;

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

private:
    struct Key {
        std::string name; // as created
        std::string className;
        std::map<std::string, Value> values; // by lower-case name
    };
    static std::string Lower(const std::string& text);
    // The full lower-case path of subKey under the key a handle stands for; nullopt for a bad handle.
    std::optional<std::string> Resolve(RegKey root, const std::string& subKey) const;
    std::vector<std::string> ChildPaths(const std::string& lowerPath) const;
    RegKey NewHandle(const std::string& lowerPath);

    std::map<std::string, Key> keys; // by lower-case full path
    std::map<RegKey, std::string> handles;
    RegKey nextHandle = 0x1000;
};

} // namespace vornalix::hostnet
