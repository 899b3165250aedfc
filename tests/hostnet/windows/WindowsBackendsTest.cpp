// The Windows backends against the system's own libraries (under Wine in the test runs). Without
// arguments: the registry and version word per system version, each in a child of this program
// started with that version. "--adapters": the adapter tables and IP helper look-ups against the
// adapters tests/hostnet/windows/adapters-test.sh sets up. "--restart": a restart of the session.
#include "WindowsProcess.h"
#include "common/DottedAddress.h"
#include "common/fake/ScriptedPrompt.h"
#include "hostnet/AdapterLease.h"
#include "hostnet/EmergencyAdapters.h"
#include "hostnet/InterfaceAddressTable.h"
#include "hostnet/MediaSenseGuard.h"
#include "hostnet/OsVersionWord.h"
#include "hostnet/Platform.h"
#include "hostnet/RestartComputer.h"
#include "hostnet/fake/FakeRestartPrompt.h"
#include "hostnet/windows/DirectAdapterPrivilege.h"
#include "hostnet/windows/WindowsIpHelper.h"
#include "hostnet/windows/WindowsRegistry.h"
#include "res/Resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace vornalix;
using namespace vornalix::hostnet;

namespace {

const std::string kSaveKey = kMediaSenseSaveKey;
const std::string kTransport0 = std::string(kNetTransClassKey) + "\\0000";
const std::string kTransport1 = std::string(kNetTransClassKey) + "\\0001";
const std::string kProgramDefaults = "Software\\Wine\\AppDefaults\\hostnet_windows_tests.exe";

// The registry as the tests read and prepare it, through the backend under test.
class Keys {
public:
    bool Exists(const std::string& path, RegKey root = kHKeyLocalMachine) {
        RegKey key = 0;
        if (registry.OpenKey(root, path, 0, kKeyAllAccess, &key) != kErrorSuccess)
            return false;
        registry.CloseKey(key);
        return true;
    }
    void Set(const std::string& path, std::uint32_t type, const void* data, std::uint32_t size,
             RegKey root = kHKeyLocalMachine, const std::string& name = kMediaSenseValue) {
        RegKey key = 0;
        ASSERT_EQ(registry.CreateKey(root, path, "", 0, kKeyAllAccess, &key), kErrorSuccess) << path;
        EXPECT_EQ(registry.SetValue(key, name, type, static_cast<const std::uint8_t*>(data), size), kErrorSuccess);
        registry.CloseKey(key);
    }
    void SetDword(const std::string& path, std::uint32_t value) { Set(path, kRegDword, &value, 4); }
    void SetText(const std::string& path, const std::string& text, RegKey root = kHKeyLocalMachine,
                 const std::string& name = kMediaSenseValue) {
        Set(path, kRegSz, text.c_str(), static_cast<std::uint32_t>(text.size() + 1), root, name);
    }
    // "dword:N", "sz:TEXT", or "" when the value cannot be read.
    std::string Value(const std::string& path) {
        RegKey key = 0;
        if (registry.OpenKey(kHKeyLocalMachine, path, 0, kKeyAllAccess, &key) != kErrorSuccess)
            return "";
        std::uint8_t data[64] = {};
        std::uint32_t type = 0;
        std::uint32_t size = sizeof data;
        const long status = registry.QueryValue(key, kMediaSenseValue, &type, data, &size);
        registry.CloseKey(key);
        if (status != kErrorSuccess)
            return "";
        if (type == kRegDword && size == 4)
            return "dword:" + std::to_string(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24);
        return type == kRegSz ? "sz:" + std::string(reinterpret_cast<const char*>(data))
                              : "type " + std::to_string(type);
    }
    // Deletes a key and its subkeys (one level, as the save key has).
    void Delete(const std::string& path, RegKey root = kHKeyLocalMachine) {
        RegKey key = 0;
        if (registry.OpenKey(root, path, 0, kKeyAllAccess, &key) != kErrorSuccess)
            return;
        std::vector<std::string> children;
        char name[256];
        std::uint32_t size = sizeof name;
        for (std::uint32_t i = 0; registry.EnumKey(key, i, name, &size) == kErrorSuccess; ++i, size = sizeof name)
            children.emplace_back(name, size);
        registry.CloseKey(key);
        for (const std::string& child : children)
            registry.DeleteKey(root, path + "\\" + child);
        registry.DeleteKey(root, path);
    }

    WindowsRegistry registry;
};

// What a child reports: "word 0501 disable-nt5 0 disable-me 1 boxes 1 restart 2".
std::string GuardChild(const std::string& action) {
    common::ScriptedPrompt prompt; // every question answered with its first button: Yes
    FakeRestartPrompt restartPrompt;
    WindowsRegistry registry;
    MediaSenseGuard guard(registry, prompt, restartPrompt);
    const bool disable = action == "disable";
    const int nt5 = disable ? guard.DisableMediaSenseNt5() : guard.RestoreMediaSenseNt5();
    const int me = disable ? guard.DisableMediaSenseMe() : guard.RestoreMediaSenseMe();
    char line[160];
    std::snprintf(line, sizeof line, "word %04x %s-nt5 %d %s-me %d boxes %zu restart %d", OsVersionWord(),
                  action.c_str(), nt5, action.c_str(), me, prompt.Count(),
                  restartPrompt.shown.empty() ? 0 : restartPrompt.shown.back().mode);
    return line;
}

// Runs this program as a child that the system shows as the version (nt40, winme, win2k, winxp).
std::string InVersion(const std::string& version, const std::string& action) {
    Keys keys;
    keys.SetText(kProgramDefaults, version, test::kHKeyCurrentUser, "Version");
    std::string output;
    const int status = test::RunProgram("\"" + test::OwnProgram() + "\" --guard " + action, output);
    keys.Delete(kProgramDefaults, test::kHKeyCurrentUser);
    EXPECT_EQ(status, 0) << output;
    return output.substr(0, output.find_first_of("\r\n"));
}

struct VersionCase {
    const char* name;
    const char* word;
    bool nt5;
    bool me;
};

TEST(MediaSenseGuardRegistry, EachVersionChangesItsOwnPathAndRestoresIt) {
    const VersionCase cases[] = {
        {"nt40", "0400", false, false},
        {"winme", "045a", false, true},
        {"win2k", "0500", true, false},
        {"winxp", "0501", true, false},
    };
    Keys keys;
    for (const VersionCase& version : cases) {
        SCOPED_TRACE(version.name);
        keys.Delete(kSaveKey);
        keys.SetDword(kTcpipParametersKey, 0);
        keys.SetText(kTransport0, "0");
        keys.SetText(kTransport1, "1");

        // Disable: one question (answered Yes), then the prompt offering the restart.
        const std::string disabled = InVersion(version.name, "disable");
        const std::string word = std::string("word ") + version.word;
        if (!version.nt5 && !version.me) {
            EXPECT_EQ(disabled, word + " disable-nt5 1 disable-me 1 boxes 0 restart 0");
        } else {
            EXPECT_EQ(disabled, word + (version.nt5 ? " disable-nt5 0 disable-me 1" : " disable-nt5 1 disable-me 0") +
                                    " boxes 1 restart " + std::to_string(RestartPrompt::RestartNowOrLater));
        }
        EXPECT_EQ(keys.Value(kTcpipParametersKey), version.nt5 ? "dword:1" : "dword:0");
        EXPECT_EQ(keys.Value(kTransport0), version.me ? "sz:1" : "sz:0");
        EXPECT_EQ(keys.Value(kTransport1), "sz:1");
        EXPECT_EQ(keys.Exists(kSaveKey), version.nt5 || version.me);
        if (version.nt5) {
            EXPECT_EQ(test::KeyClass(kHKeyLocalMachine, kSaveKey), kSaveKeyClass);
        }
        EXPECT_EQ(keys.Exists(kSaveKey + "\\0000"), version.me);
        EXPECT_FALSE(keys.Exists(kSaveKey + "\\0001")); // it was "1" already
        if (version.me) {
            EXPECT_EQ(test::KeyClass(kHKeyLocalMachine, kSaveKey + "\\0000"), kSaveKeyClass);
        }

        const std::string restored = InVersion(version.name, "restore");
        if (!version.nt5 && !version.me) {
            EXPECT_EQ(restored, word + " restore-nt5 1 restore-me 1 boxes 0 restart 0");
        } else {
            EXPECT_EQ(restored, word + " restore-nt5 1 restore-me 1 boxes 1 restart " +
                                    std::to_string(RestartPrompt::RestartNowOrLater));
        }
        EXPECT_EQ(keys.Value(kTcpipParametersKey), "dword:0");
        EXPECT_EQ(keys.Value(kTransport0), "sz:0");
        EXPECT_EQ(keys.Value(kTransport1), "sz:1");
        EXPECT_FALSE(keys.Exists(kSaveKey));
    }
    keys.Delete(kNetTransClassKey);
}

// The adapters adapters-test.sh gives this program's network namespace.
constexpr const char* kFirstAddress = "192.168.77.1";
constexpr const char* kSecondAddress = "10.9.8.7";

std::uint32_t Parse(const char* text) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(text, "%u.%u.%u.%u", &a, &b, &c, &d);
    const std::uint8_t octets[4] = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b),
                                    static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(d)};
    std::uint32_t address = 0;
    std::memcpy(&address, octets, 4);
    return address;
}

TEST(Adapters, TheAgentsTablesAndTheIpHelperNameTheSameAdapters) {
    // The IP helper first: the agent library brings the IP helper in as its own import, which may stay.
    ASSERT_FALSE(test::ModuleLoaded("iphlpapi.dll"));
    const std::uint32_t first = FindAdapterByAddress(kFirstAddress);
    const std::uint32_t second = FindAdapterBySubnet("10.9.8");
    EXPECT_FALSE(test::ModuleLoaded("iphlpapi.dll")) << "the IP helper stays loaded";
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(FindAdapterByAddress("192.168.77.2"), 0u);
    EXPECT_EQ(FindAdapterBySubnet("192.168.7"), 0u);

    ASSERT_FALSE(test::ModuleLoaded("inetmib1.dll"));
    AdapterEntry table[8] = {};
    const int count = ListInterfaceAddresses(table, 8);
    EXPECT_FALSE(test::ModuleLoaded("inetmib1.dll")) << "the agent stays loaded";
    // The two addressed veths, not the one without an address nor the loopback adapter.
    ASSERT_EQ(count, 2);
    std::vector<std::string> addresses{common::FormatDottedAddress(table[0].address),
                                       common::FormatDottedAddress(table[1].address)};
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(addresses, (std::vector<std::string>{kSecondAddress, kFirstAddress}));
    EXPECT_STRNE(table[0].description, table[1].description);

    // The emergency list joins the two tables on the ifIndex column's values: each adapter has the
    // index the IP helper gives its address.
    const EmergencyAdapterList list = ListEmergencyAdapters(8);
    EXPECT_EQ(list.shortage, AdapterShortage::None);
    ASSERT_EQ(list.adapters.size(), 2u);
    for (const EmergencyAdapter& adapter : list.adapters) {
        const std::string address = common::FormatDottedAddress(adapter.entry.address);
        SCOPED_TRACE(address);
        EXPECT_EQ(adapter.interfaceIndex, address == kFirstAddress ? first : second);
        EXPECT_FALSE(adapter.temporaryAddress);
        EXPECT_EQ(adapter.interfaceName, adapter.entry.description);
        // Wine describes an adapter by its system name.
        EXPECT_STREQ(adapter.entry.description, address == kFirstAddress ? "vxa" : "vxb");
        const auto found = FindEmergencyAdapter(adapter.interfaceName);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->entry.address, adapter.entry.address);
    }
    EXPECT_LT(list.adapters[0].interfaceIndex, list.adapters[1].interfaceIndex);
    EXPECT_FALSE(FindEmergencyAdapter("no such adapter").has_value());
}

TEST(Adapters, ThePrivilegeStepChecksTheAddressOnTheAdapter) {
    const EmergencyAdapterList list = ListEmergencyAdapters(8);
    ASSERT_EQ(list.adapters.size(), 2u);
    const EmergencyAdapter& adapter = common::FormatDottedAddress(list.adapters[0].entry.address) == kFirstAddress
                                          ? list.adapters[0]
                                          : list.adapters[1];
    const auto privilege = SharedAdapterPrivilege();
    HeldAdapter held;
    std::string failure;
    ASSERT_TRUE(privilege->Hold(adapter.interfaceName, Parse(kFirstAddress), "", held, failure)) << failure;
    EXPECT_EQ(common::FormatDottedAddress(held.address), kFirstAddress);
    EXPECT_EQ(common::FormatDottedAddress(held.offered), "192.168.77.2");
    EXPECT_EQ(held.bootSocket, -1); // the servers open their ports themselves
    EXPECT_EQ(held.tftpSocket, -1);
    EXPECT_FALSE(privilege->Lost());
    privilege->End();

    EXPECT_FALSE(privilege->Open(adapter.interfaceName, Parse(kSecondAddress), "", held, failure));
    EXPECT_EQ(failure, res::FormatString(res::StringId::AddressNotOnAdapter, {adapter.interfaceName, kSecondAddress}));
    EXPECT_FALSE(privilege->Hold("no such adapter", Parse(kFirstAddress), "", held, failure));
    EXPECT_EQ(failure, res::FormatString(res::StringId::AdapterGone, {"no such adapter"}));
}

TEST(Adapters, LeaseCallsTheLibraryRefusesAreFailures) {
    const std::uint32_t index = FindAdapterByAddress(kFirstAddress);
    ASSERT_NE(index, 0u);
    WindowsIpHelper library;
    ASSERT_TRUE(library.Load());
    std::vector<IpAdapterIndexMap> table;
    ASSERT_EQ(library.GetInterfaceInfo(table), kNoError);
    const auto entry =
        std::find_if(table.begin(), table.end(), [index](const IpAdapterIndexMap& e) { return e.Index == index; });
    ASSERT_NE(entry, table.end()) << "the interface table lacks the adapter of " << kFirstAddress;
    // The library's own refusal (Wine's stubs): the adapter's lease is not changed.
    EXPECT_EQ(library.IpReleaseAddress(*entry), kErrorNotSupported);
    EXPECT_EQ(library.IpRenewAddress(*entry), kErrorNotSupported);
    library.Unload();

    EXPECT_EQ(ReleaseAdapterLease(index), 0);
    EXPECT_EQ(RenewAdapterLease(index), 0);
    // No interface has index 0xFFFF: nothing to release, which succeeds.
    EXPECT_EQ(ReleaseAdapterLease(0xFFFF), 1);
}

std::string restartMarker;

TEST(Restart, TheSessionRestartsAfterThePrivilegeStep) {
    ASSERT_FALSE(restartMarker.empty());
    ASSERT_FALSE(std::filesystem::exists(restartMarker));
    Keys keys;
    keys.SetText("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                 "cmd.exe /c echo restarted>\"" + restartMarker + "\"", kHKeyLocalMachine, "VornalixRestartMarker");
    ASSERT_TRUE(IsMajorVersion5(OsVersionWord()) || IsWindowsMe(OsVersionWord())) << OsVersionWord();
    RestartComputer();
    // The restart ends this program too; until then it waits for the restarted session's first step.
    for (int i = 0; i < 300 && !std::filesystem::exists(restartMarker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(std::filesystem::exists(restartMarker));
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--guard") == 0) {
        std::printf("%s\n", GuardChild(argv[2]).c_str());
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--adapters") == 0) {
        GTEST_FLAG_SET(filter, "Adapters.*");
    } else if (argc == 3 && std::strcmp(argv[1], "--restart") == 0) {
        restartMarker = argv[2];
        GTEST_FLAG_SET(filter, "Restart.*");
    } else if (argc == 1 && GTEST_FLAG_GET(filter) == "*") {
        // The others need a setting of their own (their scripts give it).
        GTEST_FLAG_SET(filter, "-Adapters.*:Restart.*");
    }
    return RUN_ALL_TESTS();
}
