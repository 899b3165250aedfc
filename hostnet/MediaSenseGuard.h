#pragma once
// Makes sure "DisableDHCPMediaSense" is set before an emergency transfer, with the user's
// consent and a restart of the PC, and sets it back afterwards. The presence of the save key
// HKLM\SOFTWARE\VornalixMediaSenseSaveKey records that the guard made the change.
#include "common/Prompt.h"
#include "hostnet/MediaSenseControl.h"
#include "hostnet/OsVersionWord.h"
#include "hostnet/Registry.h"
#include "hostnet/RestartPrompt.h"
#include "res/StringIds.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vornalix::hostnet {

inline constexpr const char* kTcpipParametersKey = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
inline constexpr const char* kNetTransClassKey = "System\\CurrentControlSet\\Services\\Class\\NetTrans";
inline constexpr const char* kMediaSenseSaveKey = "SOFTWARE\\VornalixMediaSenseSaveKey";
inline constexpr const char* kMediaSenseValue = "DisableDHCPMediaSense";
inline constexpr const char* kSaveKeyClass = "OldDisableDHCPMediaSense";

class MediaSenseGuard : public MediaSenseControl {
public:
    MediaSenseGuard(Registry& registry, common::Prompt& prompt, RestartPrompt& restartPrompt,
                    std::uint16_t osVersionWord = OsVersionWord());

    // Version 5. 0: the value was set (or could not be) and the prompt was shown; 1: not
    // version 5; 2: the value is already 1; 3: the user declined.
    int DisableMediaSenseNt5() override;
    // Windows Me. 0: the values were set (or could not be) and the prompt was shown; 1: not
    // Windows Me; 2: no transport instance holds the value with other than "1"; 3: declined.
    int DisableMediaSenseMe() override;
    // Version 5. 1: not version 5, no save key, or the value was set back; 2: declined.
    int RestoreMediaSenseNt5() override;
    // Windows Me. 1: not Windows Me, no save key, or the values were set back; 2: declined.
    int RestoreMediaSenseMe() override;

private:
    bool AskConsent(res::StringId messageId);
    void ShowRestartPrompt(int mode, res::StringId messageId);
    // Writes the DWORD value 1 or 0 through key.
    bool WriteDword(RegKey key, std::uint32_t value);
    // Creates the key with a class string and closes it again.
    bool CreateAndClose(const std::string& path, const std::string& className);
    // Opens the transport instance name under the NetTrans class key.
    bool OpenTransport(const std::string& name, RegKey* instance);
    // Reads the instance's media-sense string into text (size octets); false when it cannot.
    bool QueryMediaSense(RegKey instance, char* text, std::uint32_t size);
    // Opens the save key: false when there is no change of the guard's to undo.
    bool OpenSaveKey(RegKey* key);
    // Ends a disable: the prompt that fits whether everything was written, and result 0.
    int FinishDisable(bool written);
    // The four-character name of subkey index: 0 with the name, kErrorMoreData for a longer
    // name, or the enumeration's end or error.
    long EnumInstance(RegKey key, std::uint32_t index, std::string* name);
    // Calls visit with each four-character subkey name of key until the enumeration ends or visit
    // returns false.
    void ForEachInstance(RegKey key, const std::function<bool(const std::string&)>& visit);

    Registry& registry;
    common::Prompt& prompt;
    RestartPrompt& restartPrompt;
    std::uint16_t osVersionWord;
};

} // namespace vornalix::hostnet
