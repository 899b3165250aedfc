#include "hostnet/MediaSenseGuard.h"

#include "res/Resources.h"

#include <cstring>

namespace vornalix::hostnet {

namespace {

std::string Under(const char* parent, const std::string& name) {
    return std::string(parent) + "\\" + name;
}

std::uint32_t LittleEndian(const std::uint8_t (&data)[4]) {
    return data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

} // namespace

MediaSenseGuard::MediaSenseGuard(Registry& registry, common::Prompt& prompt, RestartPrompt& restartPrompt,
                                 std::uint16_t osVersionWord)
    : registry(registry), prompt(prompt), restartPrompt(restartPrompt), osVersionWord(osVersionWord) {}

bool MediaSenseGuard::AskConsent(res::StringId messageId) {
    const int answer = prompt.MessageBox(res::LoadString(messageId), common::MB_YESNO | common::MB_ICONEXCLAMATION);
    return answer == common::IDYES || answer == common::IDOK;
}

void MediaSenseGuard::ShowRestartPrompt(int mode, res::StringId messageId) {
    restartPrompt.Show(res::LoadString(messageId), mode);
}

bool MediaSenseGuard::WriteDword(RegKey key, std::uint32_t value) {
    const std::uint8_t data[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                  static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return registry.SetValue(key, kMediaSenseValue, kRegDword, data, sizeof data) == kErrorSuccess;
}

bool MediaSenseGuard::CreateAndClose(const std::string& path, const std::string& className) {
    RegKey key = 0;
    if (registry.CreateKey(kHKeyLocalMachine, path, className, 0, kKeyAllAccess, &key) != kErrorSuccess)
        return false;
    registry.CloseKey(key);
    return true;
}

int MediaSenseGuard::FinishDisable(bool written) {
    // Without the save key the change would never be undone: that counts as a failure too.
    if (written && CreateAndClose(kMediaSenseSaveKey, kSaveKeyClass)) {
        ShowRestartPrompt(RestartPrompt::RestartNowOrLater, res::StringId::MediaSenseEnabledRestart);
    } else {
        ShowRestartPrompt(RestartPrompt::CloseOnly, res::StringId::MediaSenseCreateFailed);
    }
    return 0;
}

long MediaSenseGuard::EnumInstance(RegKey key, std::uint32_t index, std::string* name) {
    char buffer[5] = {};
    std::uint32_t size = sizeof buffer;
    const long result = registry.EnumKey(key, index, buffer, &size);
    if (result == kErrorSuccess)
        *name = std::string(buffer, strnlen(buffer, 4));
    return result;
}

void MediaSenseGuard::ForEachInstance(RegKey key, const std::function<bool(const std::string&)>& visit) {
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        const long result = EnumInstance(key, index, &name);
        if (result == kErrorMoreData)
            continue; // not an instance name of four characters
        if (result != kErrorSuccess || !visit(name))
            return;
    }
}

int MediaSenseGuard::DisableMediaSenseNt5() {
    if (!IsMajorVersion5(osVersionWord))
        return 1;
    RegKey key = 0;
    if (registry.OpenKey(kHKeyLocalMachine, kTcpipParametersKey, 0, kKeyAllAccess, &key) == kErrorSuccess) {
        std::uint8_t data[4] = {};
        std::uint32_t type = 0;
        std::uint32_t size = sizeof data;
        if (registry.QueryValue(key, kMediaSenseValue, &type, data, &size) == kErrorSuccess) {
            if (LittleEndian(data) == 1) {
                registry.CloseKey(key);
                return 2;
            }
            if (!AskConsent(res::StringId::MediaSenseEnableQuestion)) {
                registry.CloseKey(key);
                return 3;
            }
            const bool written = WriteDword(key, 1);
            registry.CloseKey(key);
            return FinishDisable(written);
        }
        registry.CloseKey(key);
        if (!AskConsent(res::StringId::MediaSenseEnableQuestion))
            return 3;
        // The value is absent: open the key by creating it and write through that handle.
        RegKey created = 0;
        bool written = false;
        if (registry.CreateKey(kHKeyLocalMachine, kTcpipParametersKey, kMediaSenseValue, 0, kKeyAllAccess, &created) ==
            kErrorSuccess) {
            written = WriteDword(created, 1);
            registry.CloseKey(created);
        }
        return FinishDisable(written);
    }
    if (!AskConsent(res::StringId::MediaSenseEnableQuestion))
        return 3;
    RegKey created = 0;
    if (registry.CreateKey(kHKeyLocalMachine, kTcpipParametersKey, kMediaSenseValue, 0, kKeyAllAccess, &created) !=
        kErrorSuccess) {
        ShowRestartPrompt(RestartPrompt::CloseOnly, res::StringId::MediaSenseCreateFailed);
        return 0;
    }
    const bool written = WriteDword(created, 1);
    registry.CloseKey(created);
    return FinishDisable(written);
}

int MediaSenseGuard::DisableMediaSenseMe() {
    if (!IsWindowsMe(osVersionWord))
        return 1;

    // Is any instance's value other than "1"? Ask once, at the first such instance.
    bool asked = false;
    bool consent = false;
    RegKey classKey = 0;
    if (registry.OpenKey(kHKeyLocalMachine, kNetTransClassKey, 0, kKeyAllAccess, &classKey) == kErrorSuccess) {
        ForEachInstance(classKey, [&](const std::string& name) {
            RegKey instance = 0;
            if (!OpenTransport(name, &instance))
                return true;
            char text[2] = {};
            const bool needsChange = QueryMediaSense(instance, text, sizeof text) && text[0] != '1';
            registry.CloseKey(instance);
            if (!needsChange)
                return true;
            asked = true;
            consent = AskConsent(res::StringId::MediaSenseEnableQuestion);
            return false;
        });
        registry.CloseKey(classKey);
    }
    if (asked && !consent)
        return 3;
    if (!consent)
        return 2;

    bool allWritten = true;
    if (registry.OpenKey(kHKeyLocalMachine, kNetTransClassKey, 0, kKeyAllAccess, &classKey) == kErrorSuccess) {
        ForEachInstance(classKey, [&](const std::string& name) {
            RegKey instance = 0;
            if (!OpenTransport(name, &instance))
                return true;
            char text[2] = {};
            if (QueryMediaSense(instance, text, sizeof text) && text[0] != '1') {
                static const std::uint8_t kOne[2] = {'1', 0};
                if (registry.SetValue(instance, kMediaSenseValue, kRegSz, kOne, sizeof kOne) != kErrorSuccess)
                    allWritten = false;
                else if (!CreateAndClose(Under(kMediaSenseSaveKey, name), kSaveKeyClass))
                    allWritten = false;
            }
            registry.CloseKey(instance);
            return true;
        });
        registry.CloseKey(classKey);
    } else {
        allWritten = false;
    }
    if (allWritten)
        ShowRestartPrompt(RestartPrompt::RestartNowOrLater, res::StringId::MediaSenseEnabledRestart);
    else
        ShowRestartPrompt(RestartPrompt::CloseOnly, res::StringId::MediaSenseCreateFailed);
    return 0;
}

bool MediaSenseGuard::OpenTransport(const std::string& name, RegKey* instance) {
    return registry.OpenKey(kHKeyLocalMachine, Under(kNetTransClassKey, name), 0, kKeyAllAccess, instance) ==
           kErrorSuccess;
}

bool MediaSenseGuard::QueryMediaSense(RegKey instance, char* text, std::uint32_t size) {
    std::uint32_t type = 0;
    return registry.QueryValue(instance, kMediaSenseValue, &type, reinterpret_cast<std::uint8_t*>(text), &size) ==
           kErrorSuccess;
}

bool MediaSenseGuard::OpenSaveKey(RegKey* key) {
    return registry.OpenKey(kHKeyLocalMachine, kMediaSenseSaveKey, 0, kKeyAllAccess, key) == kErrorSuccess;
}

int MediaSenseGuard::RestoreMediaSenseNt5() {
    if (!IsMajorVersion5(osVersionWord))
        return 1;
    RegKey saveKey = 0;
    if (!OpenSaveKey(&saveKey))
        return 1;
    registry.CloseKey(saveKey);
    if (!AskConsent(res::StringId::MediaSenseRestoreQuestion))
        return 2;
    RegKey parameters = 0;
    const bool opened =
        registry.OpenKey(kHKeyLocalMachine, kTcpipParametersKey, 0, kKeyAllAccess, &parameters) == kErrorSuccess;
    if (opened)
        WriteDword(parameters, 0);
    registry.DeleteKey(kHKeyLocalMachine, kMediaSenseSaveKey);
    if (opened)
        registry.CloseKey(parameters);
    ShowRestartPrompt(RestartPrompt::RestartNowOrLater, res::StringId::MediaSenseRestoredRestart);
    return 1;
}

int MediaSenseGuard::RestoreMediaSenseMe() {
    if (!IsWindowsMe(osVersionWord))
        return 1;
    RegKey saveKey = 0;
    if (!OpenSaveKey(&saveKey))
        return 1;
    if (!AskConsent(res::StringId::MediaSenseRestoreQuestion)) {
        registry.CloseKey(saveKey);
        return 2;
    }
    ForEachInstance(saveKey, [&](const std::string& name) {
        RegKey saved = 0;
        if (registry.OpenKey(kHKeyLocalMachine, Under(kMediaSenseSaveKey, name), 0, kKeyAllAccess, &saved) !=
            kErrorSuccess)
            return true;
        registry.CloseKey(saved);
        RegKey instance = 0;
        if (!OpenTransport(name, &instance))
            return true;
        char text[4] = {};
        if (QueryMediaSense(instance, text, sizeof text) && text[0] == '1') {
            static const std::uint8_t kZero[2] = {'0', 0};
            registry.SetValue(instance, kMediaSenseValue, kRegSz, kZero, sizeof kZero);
        }
        registry.CloseKey(instance);
        return true;
    });
    registry.CloseKey(saveKey);
    registry.DeleteKey(kHKeyLocalMachine, kMediaSenseSaveKey);
    ShowRestartPrompt(RestartPrompt::RestartNowOrLater, res::StringId::MediaSenseRestoredRestart);
    return 1;
}

} // namespace vornalix::hostnet
