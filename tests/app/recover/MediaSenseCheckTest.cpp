// The media-sense check of vornalix-recover: the guard's test, read only.
#include "app/recover/MediaSenseCheck.h"
#include "hostnet/MediaSenseGuard.h"
#include "hostnet/fake/MemoryRegistry.h"

#include <gtest/gtest.h>

using namespace vornalix;
using hostnet::kMediaSenseValue;

namespace {

constexpr std::uint16_t kWindowsXp = 0x0501;
constexpr std::uint16_t kWindowsMe = 0x045A;
constexpr std::uint16_t kWindows10 = 0x0A00;
const std::string kParams = hostnet::kTcpipParametersKey;
const std::string kNetTrans = hostnet::kNetTransClassKey;

struct Case {
    const char* name;
    std::uint16_t version;
    void (*setUp)(hostnet::MemoryRegistry&);
    bool on;
};

const Case kCases[] = {
    {"Nt5NoKey", kWindowsXp, [](hostnet::MemoryRegistry&) {}, true},
    {"Nt5Absent", kWindowsXp, [](hostnet::MemoryRegistry& r) { r.AddKey(kParams); }, true},
    {"Nt5Zero", kWindowsXp, [](hostnet::MemoryRegistry& r) { r.SetDword(kParams, kMediaSenseValue, 0); }, true},
    {"Nt5One", kWindowsXp, [](hostnet::MemoryRegistry& r) { r.SetDword(kParams, kMediaSenseValue, 1); }, false},
    {"MeOneInstanceZero", kWindowsMe,
     [](hostnet::MemoryRegistry& r) {
         r.SetString(kNetTrans + "\\0000", kMediaSenseValue, "1");
         r.SetString(kNetTrans + "\\0001", kMediaSenseValue, "0");
     },
     true},
    {"MeAllOne", kWindowsMe,
     [](hostnet::MemoryRegistry& r) {
         r.SetString(kNetTrans + "\\0000", kMediaSenseValue, "1");
         r.AddKey(kNetTrans + "\\0001");
     },
     false},
    {"OtherVersionAbsent", kWindows10, [](hostnet::MemoryRegistry& r) { r.AddKey(kParams); }, false},
};

} // namespace

TEST(MediaSenseCheckTest, TellsWhetherSensingIsOnWithoutChangingAnything) {
    for (const Case& c : kCases) {
        hostnet::MemoryRegistry registry;
        c.setUp(registry);
        EXPECT_EQ(app::MediaSensingOn(registry, c.version), c.on) << c.name;
        EXPECT_TRUE(registry.changes.empty()) << c.name << ": " << registry.changes.front();
        EXPECT_EQ(registry.OpenHandles(), 0u) << c.name;
        EXPECT_FALSE(registry.HasKey(hostnet::kMediaSenseSaveKey)) << c.name;
    }
}
