#include "hostnet/linux/HelperClient.h"

#include "common/DottedAddress.h"
#include "common/OwnExecutable.h"
#include "hostnet/linux/HelperProtocol.h"
#include "res/Resources.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#ifndef VORNALIX_HELPER_INSTALLED_PATH
#define VORNALIX_HELPER_INSTALLED_PATH "/usr/libexec/vornalix/vornalix-adapter-helper"
#endif

extern char** environ;

namespace vornalix::hostnet {

namespace {

constexpr const char* kHelperName = "vornalix-adapter-helper";
constexpr const char* kPkexec = "/usr/bin/pkexec";
// pkexec's own exit statuses: the prompt was dismissed; no authorisation (no agent, refused, error).
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;
// The helper's: it refused to start.
constexpr int kHelperRefusedToStart = 2;
// "end" undoes the hold; NetworkManager may take a while to bring the profile back.
constexpr int kEndReplyMs = 30000;

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool IsStreamSocket(int fd) {
    int type = 0, domain = 0;
    socklen_t length = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM)
        return false;
    length = sizeof domain;
    return getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) == 0 && domain == AF_UNIX;
}

std::string Word(const std::vector<std::string>& words, std::size_t index) {
    return index < words.size() ? words[index] : std::string();
}

// The refusal in the user's words; `instead` ends the sentences that leave the user stuck.
std::string RefusalText(const helper::Refusal& refusal, const std::string& interfaceName, const std::string& instead) {
    using helper::Reason;
    using res::StringId;
    const auto& w = refusal.words;
    switch (refusal.reason) {
    case Reason::NoSuchAdapter:
        return res::FormatString(StringId::AdapterGone, {Word(w, 0).empty() ? interfaceName : Word(w, 0)});
    case Reason::NotEthernet:
        return res::FormatString(StringId::AdapterNotEthernet, {interfaceName});
    case Reason::Enslaved:
        return res::FormatString(StringId::AdapterEnslaved, {interfaceName, Word(w, 1)});
    case Reason::AddressNotOnAdapter:
        return res::FormatString(StringId::AddressNotOnAdapter, {interfaceName, Word(w, 1)});
    case Reason::NoFreeAddress:
        return res::FormatString(StringId::NoFreeLinkLocalAddress, {interfaceName});
    case Reason::RecordFailed:
        return res::FormatString(StringId::HoldNotRecorded, {Word(w, 0)});
    case Reason::NetworkManagerRefused:
        return res::FormatString(StringId::NetworkManagerHoldRefused, {interfaceName});
    case Reason::NetworkdRefused:
        return res::FormatString(StringId::NetworkdHoldRefused, {interfaceName});
    case Reason::AddressFailed: {
        const int error = std::atoi(Word(w, 2).c_str());
        return res::FormatString(StringId::TemporaryAddressFailed,
                                 {Word(w, 0), interfaceName, error > 0 ? std::strerror(error) : Word(w, 2)});
    }
    case Reason::PortInUse:
        return res::FormatString(StringId::HelperPortInUse, {Word(w, 0)});
    case Reason::BindFailed: {
        const int error = std::atoi(Word(w, 1).c_str());
        return res::FormatString(StringId::HelperPortFailed,
                                 {Word(w, 0), error > 0 ? std::strerror(error) : Word(w, 1), instead});
    }
    case Reason::BadRequest:
    case Reason::Busy:
        break;
    }
    return res::FormatString(StringId::HelperRefusedRequest, {helper::ReasonWord(refusal.reason), instead});
}

HeldAdapter::Manager ManagerOf(helper::Manager manager) {
    switch (manager) {
    case helper::Manager::NetworkManager:
        return HeldAdapter::Manager::NetworkManager;
    case helper::Manager::Networkd:
        return HeldAdapter::Manager::Networkd;
    case helper::Manager::None:
        break;
    }
    return HeldAdapter::Manager::None;
}

} // namespace

HelperClient::Launch HelperClient::PlatformLaunch() {
    Launch launch;
    // A build tree keeps the helper beside the programs; the package keeps it in its libexec folder.
    const std::string beside = (std::filesystem::path(common::OwnExecutablePath()).parent_path() / kHelperName).string();
    launch.helperProgram = IsExecutableFile(beside) ? beside : std::string(VORNALIX_HELPER_INSTALLED_PATH);
    launch.pkexecProgram = IsExecutableFile(kPkexec) ? kPkexec : "";
    launch.root = geteuid() == 0;
    return launch;
}

HelperClient::HelperClient(int givenSocket, Launch launch) : launch(std::move(launch)) {
    if (givenSocket >= 0) {
        // Not the helper's socket: nothing was handed over after all.
        given = true;
        if (IsStreamSocket(givenSocket)) {
            socket = givenSocket;
            fcntl(socket, F_SETFD, FD_CLOEXEC);
        }
    }
}

HelperClient::~HelperClient() {
    std::lock_guard lock(mutex);
    Disconnect();
}

bool HelperClient::Connect(const std::string& instead, std::string& failure) {
    if (socket >= 0)
        return true;
    if (given) {
        failure = res::FormatString(res::StringId::HelperEnded, {instead});
        return false;
    }
    if (!IsExecutableFile(launch.helperProgram)) {
        failure = res::FormatString(res::StringId::HelperMissing, {launch.helperProgram});
        return false;
    }
    if (!launch.root && launch.pkexecProgram.empty()) {
        failure = res::FormatString(res::StringId::HelperNeedsPkexec, {instead});
        return false;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        failure = res::FormatString(res::StringId::HelperEnded, {instead});
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    std::vector<std::string> argv;
    if (!launch.root)
        argv.push_back(launch.pkexecProgram);
    argv.push_back(launch.helperProgram);
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (spawned != 0) {
        close(ends[0]);
        failure = res::FormatString(launch.root ? res::StringId::HelperEnded : res::StringId::HelperNeedsPkexec,
                                    {instead});
        return false;
    }
    socket = ends[0];
    child = pid;
    viaPkexec = !launch.root;
    return true;
}

std::string HelperClient::LostHelperText(const std::string& instead) {
    int status = 0;
    pid_t ended = -1;
    if (child > 0) {
        // The socket closed: the process is ending, or has ended.
        for (int poll = 0; poll < 100 && (ended = waitpid(child, &status, WNOHANG)) == 0; ++poll)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (ended != 0)
            child = -1;
    }
    if (ended > 0 && WIFEXITED(status)) {
        const int code = WEXITSTATUS(status);
        if (viaPkexec && code == kPkexecDismissed)
            return res::FormatString(res::StringId::HelperPromptDismissed, {instead});
        if (viaPkexec && code == kPkexecNotAuthorized)
            return res::FormatString(res::StringId::HelperNotAuthorized, {instead});
        if (code == kHelperRefusedToStart)
            return res::FormatString(res::StringId::HelperCouldNotStart, {instead});
    }
    return res::FormatString(res::StringId::HelperEnded, {instead});
}

void HelperClient::Disconnect() {
    if (socket >= 0)
        close(socket);
    socket = -1;
    if (child > 0) {
        // The helper undoes everything once its socket closes; it is not waited for here.
        waitpid(child, nullptr, WNOHANG);
        child = -1;
    }
}

bool HelperClient::Hold(const std::string& interfaceName, std::uint32_t address, const std::string& instead,
                        HeldAdapter& held, std::string& failure) {
    return Ask(true, interfaceName, address, instead, held, failure);
}

bool HelperClient::Open(const std::string& interfaceName, std::uint32_t address, const std::string& instead,
                        HeldAdapter& held, std::string& failure) {
    return Ask(false, interfaceName, address, instead, held, failure);
}

bool HelperClient::Ask(bool hold, const std::string& interfaceName, std::uint32_t address, const std::string& instead,
                       HeldAdapter& held, std::string& failure) {
    std::lock_guard lock(mutex);
    if (!Connect(instead, failure))
        return false;
    helper::Request request;
    request.kind = hold ? helper::Request::Kind::Hold : helper::Request::Kind::Open;
    request.interfaceName = interfaceName;
    request.address = address;
    std::string line;
    std::vector<int> descriptors;
    // No time limit: the administrator's password prompt may be open meanwhile.
    if (!helper::SendLine(socket, helper::FormatRequest(request)) || !helper::ReceiveLine(socket, line, descriptors)) {
        failure = LostHelperText(instead);
        Disconnect();
        return false;
    }
    const helper::Reply reply = helper::ParseReply(line, descriptors);
    if (reply.held) {
        held.interfaceName = interfaceName;
        held.address = reply.held->address;
        held.prefixLength = reply.held->prefixLength;
        held.offered = reply.held->offered;
        held.temporary = reply.held->temporary;
        held.manager = ManagerOf(reply.held->manager);
        held.bootSocket = reply.held->bootSocket;
        held.tftpSocket = reply.held->tftpSocket;
        return true;
    }
    for (int fd : descriptors)
        close(fd);
    if (reply.refusal) {
        failure = RefusalText(*reply.refusal, interfaceName, instead);
        return false;
    }
    failure = res::FormatString(res::StringId::HelperEnded, {instead});
    Disconnect();
    return false;
}

void HelperClient::End() {
    std::lock_guard lock(mutex);
    if (socket < 0)
        return;
    std::string line;
    std::vector<int> descriptors;
    if (!helper::SendLine(socket, helper::FormatRequest({helper::Request::Kind::End, {}, 0})) ||
        !helper::ReceiveLine(socket, line, descriptors, kEndReplyMs) || line != "ended") {
        // Closing the socket makes a helper that still runs undo everything.
        for (int fd : descriptors)
            close(fd);
        Disconnect();
    }
}

bool HelperClient::Lost() {
    std::lock_guard lock(mutex);
    if (socket < 0)
        return given;
    // The helper says nothing unasked: anything readable is its end of the socket closing.
    pollfd watched{socket, POLLIN | POLLRDHUP, 0};
    return poll(&watched, 1, 0) > 0 && (watched.revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

} // namespace vornalix::hostnet
