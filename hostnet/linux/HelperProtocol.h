#pragma once
// The adapter helper's control protocol: text lines over a Unix stream socket, the helper's standard input.
//
//   front end -> helper   "hold IFNAME\n"            hold the adapter, on its first usable IPv4 address or, when
//                                                    it has none, on a link-local one that the helper adds
//                         "hold IFNAME A.B.C.D\n"    the same on that address, which the adapter must hold
//                         "open IFNAME A.B.C.D\n"    only the ports on that address of the adapter, changing nothing
//                         "end\n"                    undo everything, newest first; the helper then waits again
//   helper -> front end   "held ADDRESS PREFIX OFFERED TEMPORARY MANAGER\n", in one message with two descriptors
//                         (SCM_RIGHTS): UDP port 67 (wildcard address, bound to the device, broadcast allowed)
//                         and UDP port 69 (ADDRESS, bound to the device)
//                         "refused REASON [WORD...]\n"  nothing stays changed
//                         "ended\n"                  the answer to "end"
//
// ADDRESS and OFFERED are dotted, TEMPORARY is 0 or 1 (ADDRESS was added for the transfer), MANAGER is "none",
// "networkmanager" or "networkd". A line longer than kMaxLine, or one that is not a request above, is refused
// with "refused bad-request" and the helper undoes everything and ends. When the front end's end of the socket
// closes, for whatever reason, the helper undoes everything and ends.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vornalix::hostnet::helper {

constexpr std::size_t kMaxLine = 128;

enum class Manager { None, NetworkManager, Networkd };

enum class Reason {
    BadRequest,            // not a request of the protocol
    Busy,                  // "hold" while an adapter is held: "end" first
    NoSuchAdapter,         // WORD: the name
    NotEthernet,           // WORD: the name (Wi-Fi, tunnels, bridges and their like)
    Enslaved,              // WORD: the name, WORD: the bridge or bond it belongs to
    AddressNotOnAdapter,   // WORD: the name, WORD: the address
    NoFreeAddress,         // WORD: the name: every link-local candidate is in use on the link
    RecordFailed,          // WORD: the record folder: a change that cannot be recorded is not made
    NetworkManagerRefused, // WORD: the name
    NetworkdRefused,       // WORD: the name
    AddressFailed,         // WORD: the address, WORD: the name, WORD: errno
    PortInUse,             // WORD: the port
    BindFailed,            // WORD: the port, WORD: errno
};

struct Request {
    enum class Kind { Hold, End, Open } kind = Kind::Hold;
    std::string interfaceName;
    std::uint32_t address = 0; // network order; 0: none named
};

struct Held {
    std::uint32_t address = 0; // network order
    int prefixLength = 0;
    std::uint32_t offered = 0; // the address the BOOTP reply offers
    bool temporary = false;
    Manager manager = Manager::None;
    int bootSocket = -1; // UDP 67
    int tftpSocket = -1; // UDP 69
};

struct Refusal {
    Reason reason = Reason::BadRequest;
    std::vector<std::string> words;
};

// One request line without its line end; nullopt when it is not one (strict: single blanks, a name of 1 to 15
// characters of [A-Za-z0-9_.:-] that is not "." or "..", a dotted address of four decimal octets without
// leading zeros, not 0.0.0.0).
std::optional<Request> ParseRequest(const std::string& line);
// The request line, with its line end.
std::string FormatRequest(const Request& request);

// Reply lines, with their line end.
std::string FormatHeld(const Held& held);
std::string FormatRefusal(const Refusal& refusal);
constexpr const char* kEnded = "ended\n";

// Reply parsing (the front end): one of these is set for a well-formed line; the descriptors of a "held" are
// the ones ReceiveLine received (exactly two; no other reply comes with any). Closes nothing: the caller owns
// the descriptors, also those of a line that is not a reply.
struct Reply {
    std::optional<Held> held;
    std::optional<Refusal> refusal;
    bool ended = false;
};
Reply ParseReply(const std::string& line, const std::vector<int>& descriptors);

const char* ReasonWord(Reason reason);
std::optional<Reason> ReasonFromWord(const std::string& word);

// Sends one line, with descriptors attached when any; false when the socket is gone.
bool SendLine(int socket, const std::string& line, const std::vector<int>& descriptors = {});
// Receives one line (without its line end) and the descriptors that came with it (close-on-exec), waiting at
// most timeoutMs (negative: no limit); what follows the line end stays in the socket for the next call. false on
// end of file, error, time-out or a line longer than kMaxLine; descriptors that arrived are closed then.
bool ReceiveLine(int socket, std::string& line, std::vector<int>& descriptors, int timeoutMs = -1);

} // namespace vornalix::hostnet::helper
