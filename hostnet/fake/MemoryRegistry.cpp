#include "hostnet/fake/MemoryRegistry.h"

#include <algorithm>
#include <cstring>

namespace vornalix::hostnet {

std::string MemoryRegistry::Lower(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::optional<std::string> MemoryRegistry::Resolve(RegKey root, const std::string& subKey) const {
    std::string base;
    if (root != kHKeyLocalMachine) {
        auto handle = handles.find(root);
        if (handle == handles.end())
            return std::nullopt;
        base = handle->second;
    }
    std::string path = Lower(subKey);
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    if (base.empty())
        return path;
    return path.empty() ? base : base + "\\" + path;
}

std::vector<std::string> MemoryRegistry::ChildPaths(const std::string& lowerPath) const {
    std::vector<std::string> children;
    const std::string prefix = lowerPath + "\\";
    for (auto it = keys.lower_bound(prefix); it != keys.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
        if (it->first.find('\\', prefix.size()) == std::string::npos)
            children.push_back(it->first);
    return children;
}

RegKey MemoryRegistry::NewHandle(const std::string& lowerPath) {
    const RegKey handle = nextHandle++;
    handles[handle] = lowerPath;
    return handle;
}

void MemoryRegistry::AddKey(const std::string& path, const std::string& className) {
    std::string partial;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string name = path.substr(start, end - start);
        partial = partial.empty() ? Lower(name) : partial + "\\" + Lower(name);
        if (keys.count(partial) == 0)
            keys[partial] = Key{name, end == path.size() ? className : "", {}};
        start = end + 1;
    }
}

void MemoryRegistry::SetDword(const std::string& path, const std::string& name, std::uint32_t value) {
    SetRaw(path, name, kRegDword,
           {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void MemoryRegistry::SetString(const std::string& path, const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    SetRaw(path, name, kRegSz, std::move(data));
}

void MemoryRegistry::SetRaw(const std::string& path, const std::string& name, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
    AddKey(path);
    keys[Lower(path)].values[Lower(name)] = Value{type, std::move(data)};
}

bool MemoryRegistry::HasKey(const std::string& path) const {
    return keys.count(Lower(path)) != 0;
}

std::optional<MemoryRegistry::Value> MemoryRegistry::GetValue(const std::string& path, const std::string& name) const {
    auto key = keys.find(Lower(path));
    if (key == keys.end())
        return std::nullopt;
    auto value = key->second.values.find(Lower(name));
    if (value == key->second.values.end())
        return std::nullopt;
    return value->second;
}

std::optional<std::uint32_t> MemoryRegistry::GetDword(const std::string& path, const std::string& name) const {
    auto value = GetValue(path, name);
    if (!value || value->type != kRegDword || value->data.size() != 4)
        return std::nullopt;
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | std::uint32_t(value->data[3]) << 24;
}

std::optional<std::string> MemoryRegistry::GetString(const std::string& path, const std::string& name) const {
    auto value = GetValue(path, name);
    if (!value || value->type != kRegSz)
        return std::nullopt;
    std::string text(value->data.begin(), value->data.end());
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

std::string MemoryRegistry::ClassOf(const std::string& path) const {
    auto key = keys.find(Lower(path));
    return key == keys.end() ? std::string() : key->second.className;
}

std::vector<std::string> MemoryRegistry::Subkeys(const std::string& path) const {
    std::vector<std::string> names;
    for (const auto& child : ChildPaths(Lower(path)))
        names.push_back(keys.at(child).name);
    return names;
}

long MemoryRegistry::OpenKey(RegKey root, const std::string& subKey, std::uint32_t, std::uint32_t, RegKey* result) {
    auto path = Resolve(root, subKey);
    if (!path)
        return kErrorInvalidHandle;
    if (keys.count(*path) == 0)
        return kErrorFileNotFound;
    *result = NewHandle(*path);
    return kErrorSuccess;
}

long MemoryRegistry::CreateKey(RegKey root, const std::string& subKey, const std::string& className, std::uint32_t,
                               std::uint32_t, RegKey* result) {
    auto path = Resolve(root, subKey);
    if (!path)
        return kErrorInvalidHandle;
    if (std::any_of(failCreate.begin(), failCreate.end(), [&](const std::string& p) { return Lower(p) == *path; }))
        return kErrorAccessDenied;
    if (keys.count(*path) == 0) {
        // Keep the caller's spelling of the names it creates.
        std::string spelled = subKey;
        if (root != kHKeyLocalMachine) {
            std::string base = handles.at(root);
            spelled = base + "\\" + subKey;
        }
        AddKey(spelled, className);
        changes.push_back("CreateKey " + spelled);
    }
    *result = NewHandle(*path);
    return kErrorSuccess;
}

long MemoryRegistry::QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) {
    auto handle = handles.find(key);
    if (handle == handles.end())
        return kErrorInvalidHandle;
    auto& values = keys[handle->second].values;
    auto value = values.find(Lower(valueName));
    if (value == values.end())
        return kErrorFileNotFound;
    const auto length = static_cast<std::uint32_t>(value->second.data.size());
    if (type != nullptr)
        *type = value->second.type;
    if (data == nullptr) {
        *size = length;
        return kErrorSuccess;
    }
    if (*size < length) {
        *size = length;
        return kErrorMoreData;
    }
    std::memcpy(data, value->second.data.data(), length);
    *size = length;
    return kErrorSuccess;
}

long MemoryRegistry::SetValue(RegKey key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) {
    auto handle = handles.find(key);
    if (handle == handles.end())
        return kErrorInvalidHandle;
    for (const auto& p : failSetValue)
        if (Lower(p) == handle->second)
            return kErrorAccessDenied;
    keys[handle->second].values[Lower(valueName)] = Value{type, std::vector<std::uint8_t>(data, data + size)};
    changes.push_back("SetValue " + handle->second + " " + valueName);
    return kErrorSuccess;
}

long MemoryRegistry::EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) {
    auto handle = handles.find(key);
    if (handle == handles.end())
        return kErrorInvalidHandle;
    const auto children = ChildPaths(handle->second);
    if (index >= children.size())
        return kErrorNoMoreItems;
    const std::string& childName = keys.at(children[index]).name;
    if (childName.size() + 1 > *nameSize)
        return kErrorMoreData;
    std::memcpy(name, childName.c_str(), childName.size() + 1);
    *nameSize = static_cast<std::uint32_t>(childName.size());
    return kErrorSuccess;
}

long MemoryRegistry::DeleteKey(RegKey root, const std::string& subKey) {
    auto path = Resolve(root, subKey);
    if (!path)
        return kErrorInvalidHandle;
    if (keys.count(*path) == 0)
        return kErrorFileNotFound;
    if (!ChildPaths(*path).empty() && !deleteRemovesSubkeys)
        return kErrorAccessDenied;
    const std::string prefix = *path + "\\";
    for (auto it = keys.begin(); it != keys.end();) {
        if (it->first == *path || it->first.compare(0, prefix.size(), prefix) == 0)
            it = keys.erase(it);
        else
            ++it;
    }
    changes.push_back("DeleteKey " + subKey);
    return kErrorSuccess;
}

long MemoryRegistry::CloseKey(RegKey key) {
    return handles.erase(key) != 0 ? kErrorSuccess : kErrorInvalidHandle;
}

} // namespace vornalix::hostnet
