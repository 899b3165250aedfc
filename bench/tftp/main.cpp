// Benchmark of the TFTP server, in a network namespace of its own (loopback only), printed as ratios:
//  - an 8 MiB file fetched by the same client (tftp-hpa) from our server and from tftpd-hpa;
//  - our time against the floor that the 1 ms pause per datagram imposes (blocks x measured sleep);
//  - idle CPU of our two servers and of tftpd-hpa over 10 s;
//  - DATA packets sent per block for a 1 MiB file when 10 % of the requester's datagrams arrive twice.
#include "recovery/BootReplyServer.h"
#include "recovery/QuietProgressPage.h"
#include "bench/OwnNetwork.h"
#include "recovery/TftpServer.h"

#include "support/LossyRelay.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <net/if.h>
#include <random>
#include <sched.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vornalix::recovery;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kFileSize = 8u << 20;
constexpr std::size_t kCopiedFileSize = 1u << 20;
constexpr double kCopiedShare = 0.10;
constexpr int kIdleSeconds = 10;

bool EnterOwnNetwork() {
    const bool up = vornalix::bench::EnterOwnNetwork();
    // tftpd-hpa wants an address on an interface other than loopback: a veth pair that stays in this namespace
    // (and goes with it).
    return up && std::system("ip link add vxbench0 type veth peer name vxbench1 && "
                             "ip addr add 10.99.0.1/24 dev vxbench0 && ip addr add 10.99.0.2/24 dev vxbench0 && "
                             "ip addr add 10.99.0.3/24 dev vxbench0 && "
                             "ip link set vxbench0 up && ip link set vxbench1 up") == 0;
}

pid_t Spawn(const std::vector<std::string>& arguments) {
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// Seconds for one fetch of a file; a negative value when the fetch failed.
double Fetch(const char* server, const std::filesystem::path& output, const char* name = "bench.bin",
             std::size_t size = kFileSize) {
    std::filesystem::remove(output);
    const auto start = Clock::now();
    const pid_t client = Spawn({"timeout", "600", "tftp", "-m", "binary", server, "-c", "get", name, output.string()});
    int status = 0;
    waitpid(client, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::error_code error;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || std::filesystem::file_size(output, error) != size) {
        std::fprintf(stderr, "fetch from %s failed\n", server);
        return -1.0;
    }
    return seconds;
}

double MeanSleepSeconds() {
    constexpr int kRounds = 2000;
    const auto start = Clock::now();
    for (int i = 0; i < kRounds; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::chrono::duration<double>(Clock::now() - start).count() / kRounds;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ChildCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            utime = std::stoull(field);
        if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const bool asked = std::string(argv[1]) == "--help";
        std::fputs("usage: vornalix-bench-tftp\n"
                   "Fetches an 8 MiB file with tftp-hpa from our TFTP server and from tftpd-hpa in a network\n"
                   "namespace of its own (needs root) and prints times, ratios and idle CPU.\n",
                   asked ? stdout : stderr);
        return asked ? 0 : 2;
    }
    if (!EnterOwnNetwork()) {
        std::fprintf(stderr, "needs root: the benchmark runs in a network namespace of its own\n");
        return 2;
    }
    const auto dir = std::filesystem::temp_directory_path() / ("vx-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "served");
    std::filesystem::permissions(dir, std::filesystem::perms(0755));
    std::filesystem::permissions(dir / "served", std::filesystem::perms(0755));
    {
        std::vector<char> content(kFileSize);
        std::mt19937 random(1);
        std::generate(content.begin(), content.end(), [&] { return static_cast<char>(random()); });
        std::ofstream(dir / "served" / "bench.bin", std::ios::binary).write(content.data(), content.size());
        std::ofstream(dir / "served" / "copied.bin", std::ios::binary).write(content.data(), kCopiedFileSize);
    }
    const std::string firmware = (dir / "served" / "bench.bin").string();

    const auto page = std::make_shared<QuietProgressPage>();
    BootReplyServer bootServer(inet_addr("10.99.0.1"), firmware);
    TftpServer ours(inet_addr("10.99.0.1"), firmware, page);
    for (const ListenStatus& status : {bootServer.Start(), ours.Start()})
        if (!status.listening) {
            std::fprintf(stderr, "%s\n", status.reason.c_str());
            std::filesystem::remove_all(dir);
            return 1;
        }
    const pid_t tftpd = Spawn({"in.tftpd", "--foreground", "--secure", "--address", "10.99.0.2:69", "--user", "nobody",
                               (dir / "served").string()});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // Idle first: nothing has been requested yet.
    const double ourCpuStart = ProcessCpuSeconds();
    const double theirCpuStart = ChildCpuSeconds(tftpd);
    std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
    const double ourIdle = (ProcessCpuSeconds() - ourCpuStart) / kIdleSeconds * 100.0;
    const double theirIdle = (ChildCpuSeconds(tftpd) - theirCpuStart) / kIdleSeconds * 100.0;

    const double theirRuns[] = {Fetch("10.99.0.2", dir / "theirs.bin"), Fetch("10.99.0.2", dir / "theirs.bin")};
    const double ourRuns[] = {Fetch("10.99.0.1", dir / "ours.bin"), Fetch("10.99.0.1", dir / "ours.bin")};
    const double theirTime = std::min(theirRuns[0], theirRuns[1]);
    const double ourTime = std::min(ourRuns[0], ourRuns[1]);
    const bool fetched = theirTime > 0 && ourTime > 0;
    // Copies of the requester's datagrams (a relay in front of our server sends 10 % of them twice).
    double copiedTime = -1.0;
    int copiedData = 0;
    {
        const vornalix::recovery::test::LossyRelay relay("10.99.0.3", 69, "10.99.0.1", 69, 0.0, 7, 0.0, kCopiedShare);
        copiedTime = Fetch("10.99.0.3", dir / "copied-out.bin", "copied.bin", kCopiedFileSize);
        copiedData = relay.serverData();
    }
    const double copiedBlocks = static_cast<double>(kCopiedFileSize / 512 + 1);
    const double sleep = MeanSleepSeconds();
    const double blocks = static_cast<double>(kFileSize / 512 + 1);
    const double floor = blocks * sleep;

    if (fetched) {
        std::printf("8 MiB file, 512-byte blocks (%.0f), client tftp-hpa, local addresses, best of two runs\n", blocks);
        std::printf("  tftpd-hpa                %8.3f s\n", theirTime);
        std::printf("  ours                     %8.3f s\n", ourTime);
        std::printf("  pacing floor             %8.3f s  (measured 1 ms sleep = %.1f us)\n", floor, sleep * 1e6);
        std::printf("  ours / tftpd-hpa         %8.2f\n", ourTime / theirTime);
        std::printf("  ours / pacing floor      %8.3f  (target <= 1.10)\n", ourTime / floor);
        std::printf("idle CPU over %d s, %% of one core (target < 1%%)\n", kIdleSeconds);
        std::printf("  ours (BOOTP + TFTP)      %8.3f %%\n", ourIdle);
        std::printf("  tftpd-hpa                %8.3f %%\n", theirIdle);
    }
    std::printf("1 MiB file (%.0f blocks), %.0f %% of the requester's datagrams copied, client tftp-hpa\n",
                copiedBlocks, kCopiedShare * 100);
    if (copiedTime > 0)
        std::printf("  DATA packets sent        %8d  in %.3f s\n", copiedData, copiedTime);
    else
        std::printf("  DATA packets sent        %8d  (the fetch failed or timed out)\n", copiedData);
    std::printf("  DATA packets / blocks    %8.2f  (target <= 1.30)\n", copiedData / copiedBlocks);

    kill(tftpd, SIGTERM);
    waitpid(tftpd, nullptr, 0);
    bootServer.Stop();
    ours.Stop();
    ours.WaitForSessions(std::chrono::seconds(25));
    std::filesystem::remove_all(dir);
    return fetched && copiedTime > 0 ? 0 : 1;
}
