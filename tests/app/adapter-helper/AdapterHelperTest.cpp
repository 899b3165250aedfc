// The adapter helper as it runs: the real program as root, in network and mount namespaces of this test's
// own (a private /run, so /run/vornalix is this test's), on veth pairs; the caller as an ordinary user through
// vornalix-with-helper.
#include "common/OfferedAddress.h"
#include "hostnet/linux/HelperProtocol.h"
#include "hostnet/linux/HoldJournal.h"
#include "support/PrivateNetwork.h"
#include "support/SocketDescription.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace helper = vornalix::hostnet::helper;
namespace fs = std::filesystem;

namespace {

constexpr const char* kRecords = "/run/vornalix";

std::string Run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        pclose(pipe);
    }
    return output;
}

bool Sh(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// "A.B.C.D/P" of every IPv4 address on the interface, blank-separated.
std::string Addresses(const std::string& name) {
    std::istringstream words(Run("ip -4 -o addr show dev " + name));
    std::string word, list;
    while (words >> word)
        if (word == "inet" && words >> word)
            list += (list.empty() ? "" : " ") + word;
    return list;
}

std::vector<std::string> Records() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kRecords, error))
        names.push_back(entry.path().filename().string());
    return names;
}

// The process's wait status once it ended within ms; -1 when it still runs.
int WaitFor(pid_t pid, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status;
}

struct Helper {
    pid_t pid = -1;
    int control = -1;
};

Helper StartHelper() {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pair[0], STDIN_FILENO);
        execl(VORNALIX_ADAPTER_HELPER, VORNALIX_ADAPTER_HELPER, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pair[0]);
    return {pid, pair[1]};
}

// The helper's answer to one request line; the descriptors that came with it into *descriptors (else closed).
std::string Ask(const Helper& helperProcess, const std::string& request, std::vector<int>* descriptors = nullptr) {
    std::string line;
    std::vector<int> received;
    if (!helper::SendLine(helperProcess.control, request + "\n") ||
        !helper::ReceiveLine(helperProcess.control, line, received, 20000))
        return "(no answer)";
    if (descriptors != nullptr)
        *descriptors = received;
    else
        for (int fd : received)
            close(fd);
    return line;
}

int Option(int fd, int level, int name) {
    int value = 0;
    socklen_t size = sizeof value;
    return getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
}

class AdapterHelperTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("vornalix-test-run", "/run", "tmpfs", 0, "mode=0755,size=4m") != 0) {
            skipReason = "cannot create network and mount namespaces";
            return;
        }
        mount("sysfs", "/sys", "sysfs", 0, nullptr); // this namespace's interfaces under /sys/class/net
        // vxb and vxf: Ethernet without an address, their peers up; vxc: a bridge port.
        const bool made = Sh("ip link set lo up") && Sh("ip link add vxa type veth peer name vxb") &&
                          Sh("ip link add vxe type veth peer name vxf") && Sh("ip link add vxbr0 type bridge") &&
                          Sh("ip link add vxc type veth peer name vxd") && Sh("ip link set vxc master vxbr0");
        for (const char* name : {"vxa", "vxb", "vxe", "vxf", "vxbr0", "vxc", "vxd"})
            if (!made || !Sh(std::string("ip link set ") + name + " up")) {
                skipReason = "cannot create test interfaces";
                return;
            }
    }
    void SetUp() override {
        if (skipReason.empty())
            return;
        if (vornalix::recovery::test::InsideTestRunner())
            FAIL() << skipReason;
        GTEST_SKIP() << skipReason;
    }

    static inline std::string skipReason;
};

const std::regex kHeld(R"(held (169\.254\.\d+\.\d+) 16 (169\.254\.\d+\.\d+) 1 none)");

} // namespace

TEST_F(AdapterHelperTest, HoldsTheAdapterHandsOverItsPortsAndUndoesAtEndAndWhenTheCallerGoes) {
    const Helper process = StartHelper();
    std::vector<int> sockets;
    const std::string held = Ask(process, "hold vxb", &sockets);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(held, match, kHeld)) << held;
    const std::string address = match[1];
    EXPECT_EQ(match[2], inet_ntoa(in_addr{vornalix::common::OfferedAddress(inet_addr(address.c_str()))}));
    ASSERT_EQ(sockets.size(), 2u);
    EXPECT_EQ(vornalix::test::DescribeSocket(sockets[0]), "0.0.0.0:67%vxb");
    EXPECT_EQ(Option(sockets[0], SOL_SOCKET, SO_BROADCAST), 1);
    EXPECT_EQ(Option(sockets[0], IPPROTO_IP, IP_PKTINFO), 1);
    EXPECT_EQ(vornalix::test::DescribeSocket(sockets[1]), address + ":69%vxb");
    for (int fd : sockets) {
        EXPECT_NE(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
        close(fd);
    }
    EXPECT_EQ(Addresses("vxb"), address + "/16");
    // Recorded in the root-only folder, with the mark that tells the address from anyone else's.
    const std::string record = std::string(kRecords) + "/hold-" + std::to_string(process.pid);
    std::ifstream file(record);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\naddress vxb " + address + " 16 proto\n"), std::string::npos) << text;
    struct stat folder {};
    ASSERT_EQ(stat(kRecords, &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    EXPECT_EQ(Ask(process, "hold vxf"), "refused busy");
    EXPECT_EQ(Ask(process, "end"), "ended");
    EXPECT_EQ(Addresses("vxb"), "");
    EXPECT_FALSE(fs::exists(record));
    // The user went Back and picks again.
    EXPECT_EQ(Ask(process, "hold vxb"), held);
    EXPECT_EQ(Addresses("vxb"), address + "/16");

    // The caller's end closes (it crashed, or was killed): everything is undone within 2 s.
    close(process.control);
    const int status = WaitFor(process.pid, 2000);
    ASSERT_NE(status, -1) << "the helper still runs";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(Addresses("vxb"), "");
    EXPECT_TRUE(Records().empty());
}

TEST_F(AdapterHelperTest, ACallerKilledAsAnOrdinaryUserLeavesNothingBehind) {
    int output[2];
    ASSERT_EQ(pipe2(output, O_CLOEXEC), 0);
    const pid_t launcher = fork();
    if (launcher == 0) {
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        execl(VORNALIX_WITH_HELPER, VORNALIX_WITH_HELPER, "--user", "nobody", VORNALIX_ADAPTER_HELPER,
              VORNALIX_HELPER_CALLER, "vxb", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    std::string lines;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (lines.find("nonewprivs") == std::string::npos || lines.back() != '\n') {
        pollfd readable{output[0], POLLIN, 0};
        char buffer[512];
        ssize_t n = 0;
        if (std::chrono::steady_clock::now() > deadline || poll(&readable, 1, 1000) < 0 ||
            (readable.revents != 0 && (n = read(output[0], buffer, sizeof buffer)) <= 0))
            break;
        lines.append(buffer, static_cast<std::size_t>(n));
    }
    std::smatch match;
    ASSERT_TRUE(std::regex_search(lines, match, std::regex(R"(reply held (169\.254\.\d+\.\d+) 16 \S+ 1 none\n)")))
        << lines;
    const std::string address = match[1];
    EXPECT_NE(lines.find("socket 0.0.0.0:67%vxb\nsocket " + address + ":69%vxb\n"), std::string::npos) << lines;
    // The caller holds the sockets as nobody, without any capability and with no way to gain one.
    ASSERT_TRUE(
        std::regex_search(lines, match, std::regex(R"(pid (\d+) uid 65534 gid 65534 caps 0+ 0+ 0+ nonewprivs 1)")))
        << lines;
    EXPECT_EQ(Addresses("vxb"), address + "/16");

    kill(std::stoi(match[1]), SIGKILL);
    const int status = WaitFor(launcher, 2000);
    ASSERT_NE(status, -1) << "the launcher still waits";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGKILL) << status;
    EXPECT_EQ(Addresses("vxb"), "");
    EXPECT_TRUE(Records().empty());
    char rest[512];
    for (ssize_t n; (n = read(output[0], rest, sizeof rest)) > 0;)
        lines.append(rest, static_cast<std::size_t>(n));
    close(output[0]);
    EXPECT_EQ(lines.find("vornalix-with-helper:"), std::string::npos) << lines; // the helper ended with 0
}

TEST_F(AdapterHelperTest, RefusesWhatItMayNotHoldAndChangesNothingItCannotRecord) {
    const Helper process = StartHelper();
    EXPECT_EQ(Ask(process, "hold vxc"), "refused enslaved vxc vxbr0");
    EXPECT_EQ(Ask(process, "hold vxbr0"), "refused not-ethernet vxbr0");
    EXPECT_EQ(Ask(process, "hold nosuch0"), "refused no-such-adapter nosuch0");
    EXPECT_EQ(Ask(process, "hold vxb 169.254.1.1"), "refused address-not-on-adapter vxb 169.254.1.1");
    // Anything but a request ends the helper.
    EXPECT_EQ(Ask(process, "hold ../vxb"), "refused bad-request");
    const int status = WaitFor(process.pid, 2000);
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    close(process.control);
    for (const char* name : {"vxb", "vxc", "vxbr0"})
        EXPECT_EQ(Addresses(name), "") << name;

    // The record folder is a file, or a read-only file system: the address is not added.
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only" : "a file");
        std::error_code error;
        fs::remove_all(kRecords, error);
        if (readOnly)
            ASSERT_TRUE(mkdir(kRecords, 0700) == 0 && mount("ro", kRecords, "tmpfs", MS_RDONLY, "mode=0700") == 0);
        else
            std::ofstream(kRecords) << "not a folder\n";
        const Helper refused = StartHelper();
        EXPECT_EQ(Ask(refused, "hold vxb"), "refused record-failed /run/vornalix");
        EXPECT_EQ(Addresses("vxb"), "");
        close(refused.control);
        const int ended = WaitFor(refused.pid, 2000);
        EXPECT_TRUE(ended != -1 && WIFEXITED(ended) && WEXITSTATUS(ended) == 0) << ended;
        if (readOnly)
            umount(kRecords);
        fs::remove_all(kRecords, error);
    }

    // It does not start for an ordinary user, nor without its control socket, and says why.
    for (const bool asNobody : {true, false}) {
        int errors[2];
        ASSERT_EQ(pipe2(errors, O_CLOEXEC), 0);
        const pid_t child = fork();
        if (child == 0) {
            const int input = asNobody ? socket(AF_UNIX, SOCK_STREAM, 0) : open("/dev/null", O_RDONLY);
            dup2(input, STDIN_FILENO);
            dup2(errors[1], STDERR_FILENO);
            if (asNobody && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(99);
            execl(VORNALIX_ADAPTER_HELPER, VORNALIX_ADAPTER_HELPER, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(errors[1]);
        char text[256] = {};
        const ssize_t n = read(errors[0], text, sizeof text - 1);
        close(errors[0]);
        const int refusedStatus = WaitFor(child, 2000);
        EXPECT_TRUE(refusedStatus != -1 && WIFEXITED(refusedStatus) && WEXITSTATUS(refusedStatus) == 2)
            << refusedStatus;
        EXPECT_EQ(std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0),
                  asNobody ? "vornalix-adapter-helper: must be run as root\n"
                           : "vornalix-adapter-helper: standard input must be the control socket (a Unix stream "
                             "socket)\n");
    }
}

TEST_F(AdapterHelperTest, LeftoversOfHelpersThatAreGoneAreUndoneAtTheNextStart) {
    // Two helpers, each holding an adapter, killed; the second one's record then bears the number of a
    // living process (this test) that started at another time.
    const Helper killed[2] = {StartHelper(), StartHelper()};
    ASSERT_TRUE(std::regex_match(Ask(killed[0], "hold vxb"), kHeld));
    ASSERT_TRUE(std::regex_match(Ask(killed[1], "hold vxf"), kHeld));
    for (const Helper& process : killed) {
        kill(process.pid, SIGKILL);
        WaitFor(process.pid, 2000);
        close(process.control);
    }
    ASSERT_NE(Addresses("vxb"), "");
    ASSERT_NE(Addresses("vxf"), "");
    const std::string folder = std::string(kRecords) + "/hold-";
    ASSERT_EQ(rename((folder + std::to_string(killed[1].pid)).c_str(), (folder + std::to_string(getpid())).c_str()), 0);
    // Someone else's link-local address on vxa, named with every mark by the record of a process that is gone.
    ASSERT_TRUE(Sh("ip addr add 169.254.50.50/16 dev vxa"));
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    std::ofstream(folder + std::to_string(gone))
        << "boot " << vornalix::hostnet::BootId() << "\nstart 1\naddress vxa 169.254.50.50 16 proto\n"
        << "address vxa 169.254.50.50 16 label\naddress vxa 169.254.50.50 16 stamp 1\naddress vxa 169.254.50.50 16\n";

    const Helper next = StartHelper();
    EXPECT_EQ(Ask(next, "end"), "ended"); // answered once the leftovers are undone
    EXPECT_EQ(Addresses("vxb"), "");
    EXPECT_EQ(Addresses("vxf"), "");
    EXPECT_EQ(Addresses("vxa"), "169.254.50.50/16");
    EXPECT_TRUE(Records().empty());
    close(next.control);
    const int status = WaitFor(next.pid, 2000);
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    Sh("ip addr del 169.254.50.50/16 dev vxa");
}
