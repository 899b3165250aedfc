#include "app/recover/MediaSenseCheck.h"

#include "common/Prompt.h"
#include "hostnet/MediaSenseGuard.h"
#include "hostnet/RestartPrompt.h"

namespace vornalix::app {

namespace {

constexpr std::uint32_t kKeyRead = 0x20019;

// Keys opened for reading only; every change is refused.
class ReadOnlyRegistry : public hostnet::Registry {
public:
    explicit ReadOnlyRegistry(hostnet::Registry& registry) : registry(registry) {}

    long OpenKey(hostnet::RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t,
                 hostnet::RegKey* result) override {
        return registry.OpenKey(root, subKey, options, kKeyRead, result);
    }
    long CreateKey(hostnet::RegKey, const std::string&, const std::string&, std::uint32_t, std::uint32_t,
                   hostnet::RegKey*) override {
        return hostnet::kErrorAccessDenied;
    }
    long QueryValue(hostnet::RegKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override {
        return registry.QueryValue(key, valueName, type, data, size);
    }
    long SetValue(hostnet::RegKey, const std::string&, std::uint32_t, const std::uint8_t*, std::uint32_t) override {
        return hostnet::kErrorAccessDenied;
    }
    long EnumKey(hostnet::RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) override {
        return registry.EnumKey(key, index, name, nameSize);
    }
    long DeleteKey(hostnet::RegKey, const std::string&) override { return hostnet::kErrorAccessDenied; }
    long CloseKey(hostnet::RegKey key) override { return registry.CloseKey(key); }

private:
    hostnet::Registry& registry;
};

// Declines the guard's offer to turn media sensing off: being asked is the answer.
class DecliningPrompt : public common::Prompt, public hostnet::RestartPrompt {
public:
    int MessageBox(const std::string&, unsigned) override { return common::IDNO; }
    void Show(const std::string&, int) override {}
};

} // namespace

bool MediaSensingOn(hostnet::Registry& registry, std::uint16_t osVersionWord) {
    ReadOnlyRegistry readOnly(registry);
    DecliningPrompt prompt;
    hostnet::MediaSenseGuard guard(readOnly, prompt, prompt, osVersionWord);
    constexpr int kDeclined = 3;
    return guard.DisableMediaSenseNt5() == kDeclined || guard.DisableMediaSenseMe() == kDeclined;
}

} // namespace vornalix::app
