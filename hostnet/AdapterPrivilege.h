#pragma once
// The privileged steps of an emergency transfer, done for the front end by someone who may do them: the
// adapter is checked and held (its address kept through the gateway's power cycle, a temporary address added
// where it has none) and the BOOTP and TFTP ports are opened on it and handed over. The front end itself
// holds no privilege; everything is undone by End, and also when the front end goes away for any reason.
#include <cstdint>
#include <memory>
#include <string>

namespace vornalix::hostnet {

struct HeldAdapter {
    std::string interfaceName;
    std::uint32_t address = 0; // network order: the servers' address
    int prefixLength = 0;
    std::uint32_t offered = 0; // what the BOOTP reply offers
    bool temporary = false;    // the address was added for the transfer
    enum class Manager { None, NetworkManager, Networkd } manager = Manager::None;
    int bootSocket = -1; // UDP 67 on the adapter, the caller's to close
    int tftpSocket = -1; // UDP 69 on the address, the caller's to close
};

class AdapterPrivilege {
public:
    virtual ~AdapterPrivilege() = default;

    // Holds interfaceName on `address` (network order; 0: a temporary link-local address when it has no
    // IPv4 address). On failure nothing stays changed and `failure` holds one sentence for the user in the
    // UI language, which ends with `instead`, the command to run instead (a complete command line).
    virtual bool Hold(const std::string& interfaceName, std::uint32_t address, const std::string& instead,
                      HeldAdapter& held, std::string& failure) = 0;
    // Only the ports on `address`, which interfaceName holds, changing nothing on the host (as Hold otherwise).
    virtual bool Open(const std::string& interfaceName, std::uint32_t address, const std::string& instead,
                      HeldAdapter& held, std::string& failure) = 0;
    // Undoes everything of the last Hold; the next Hold may follow.
    virtual void End() = 0;
    // Whether whoever holds the adapter went away (then nothing of the hold can be relied on any more).
    virtual bool Lost() = 0;
};

// The process's one way to the privileged steps (the platform's): started at the first Hold, kept until the
// process ends.
std::shared_ptr<AdapterPrivilege> SharedAdapterPrivilege();

// A connected control socket of a helper that someone with the privilege started for this process (the
// --helper-fd option); -1: none.
void SetGivenHelperSocket(int socket);

// "--helper-fd N" as the first two arguments: takes them out of argv (so that no one else reads them) and
// returns N, a connected control socket of a running adapter helper; -1 when they are not there.
int TakeHelperSocketArgument(int& argc, char** argv);

// The command that does the transfer with the administrator's rights, for a user whose front end could not
// get them: "sudo /usr/bin/vornalix-recover eth0 '/home/user/fw.bin'".
std::string RecoverCommand(const std::string& interfaceName, const std::string& firmwarePath);

} // namespace vornalix::hostnet
