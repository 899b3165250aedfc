// Benchmark of how TFTP runs end on a lossy link: RUNS fetches of an image by tftp-hpa (resending after 1 s), each
// against a server of its own with the sessions' real timings (4 s × 5 of silence) and through a relay that loses
// 10 % of the datagrams each way, PARALLEL at a time, in a network namespace of its own (loopback only). Prints
// how many files arrived identical and how the runs ended (succeeded, failed, sent but not confirmed), and how
// the runs whose last ACK was lost ended.
//   vornalix-bench-tftp-outcomes [RUNS [PARALLEL [SIZE]]]   (root: it makes the namespace)
#include "bench/OwnNetwork.h"
#include "recovery/TftpServer.h"

#include "support/LossyRelay.h"
#include "support/RecordingPage.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <net/if.h>
#include <random>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vornalix::recovery;
using Bytes = std::vector<char>;

namespace {

constexpr double kLoss = 0.10;

Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Result {
    bool identical = false;
    bool lastAckLost = false;
    std::string outcome = "none";
    double clientSeconds = 0;
    double endAfterClientSeconds = 0;
};

Result RunOne(int run, int slot, const std::filesystem::path& dir, const Bytes& image) {
    using Clock = std::chrono::steady_clock;
    const std::string serverAddress = "127.0.0." + std::to_string(10 + slot);
    const std::string relayAddress = "127.0.1." + std::to_string(10 + slot);
    const auto page = std::make_shared<test::RecordingPage>();
    TftpServer server(inet_addr(serverAddress.c_str()), (dir / "image.bin").string(), page);
    Result result;
    if (!server.Start().listening) {
        result.outcome = "server-did-not-start";
        return result;
    }
    const auto output = dir / ("out-" + std::to_string(run) + ".bin");
    const auto start = Clock::now();
    Clock::time_point clientDone;
    {
        const test::LossyRelay relay(relayAddress.c_str(), 69, serverAddress.c_str(), 69, kLoss,
                                     static_cast<unsigned>(1000 + run), 0.0, 0.0);
        const std::string command = "printf 'binary\\nrexmt 1\\ntimeout 120\\nget IMAGE.BIN " + output.string() +
                                    "\\nquit\\n' | timeout 300 tftp " + relayAddress + " > /dev/null 2>&1";
        std::system(command.c_str());
        clientDone = Clock::now();
        const auto outcome = page->WaitForFinish(std::chrono::seconds(30));
        result.lastAckLost = relay.finalAcksDropped() > 0;
        if (outcome) {
            result.outcome = test::OutcomeName(*outcome);
            result.endAfterClientSeconds = std::chrono::duration<double>(Clock::now() - clientDone).count();
        }
    }
    result.clientSeconds = std::chrono::duration<double>(clientDone - start).count();
    result.identical = ReadAll(output) == image;
    server.Stop();
    server.WaitForSessions(std::chrono::seconds(30));
    std::filesystem::remove(output);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 100;
    const int parallel = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::size_t size = argc > 3 ? static_cast<std::size_t>(std::atoll(argv[3])) : 65536;
    if (!vornalix::bench::EnterOwnNetwork()) {
        std::fprintf(stderr, "needs root: it runs in a network namespace of its own\n");
        return 2;
    }
    const auto dir = std::filesystem::temp_directory_path() / ("vx-bench-outcomes-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    Bytes image(size);
    std::mt19937 random(5);
    for (char& byte : image)
        byte = static_cast<char>(random());
    std::ofstream(dir / "image.bin", std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));

    std::vector<Result> results(static_cast<std::size_t>(runs));
    for (int first = 0; first < runs; first += parallel) {
        std::vector<std::thread> batch;
        for (int run = first; run < std::min(runs, first + parallel); ++run)
            batch.emplace_back(
                [&, run] { results[static_cast<std::size_t>(run)] = RunOne(run, run - first, dir, image); });
        for (std::thread& thread : batch)
            thread.join();
        std::fprintf(stderr, "%d of %d runs done\n", std::min(runs, first + parallel), runs);
    }
    std::filesystem::remove_all(dir);

    int identical = 0;
    std::map<std::string, int> outcomes, lostLastAck, identicalOutcomes;
    double slowestEnd = 0;
    for (const Result& result : results) {
        identical += result.identical ? 1 : 0;
        ++outcomes[result.outcome];
        if (result.identical)
            ++identicalOutcomes[result.outcome];
        if (result.lastAckLost)
            ++lostLastAck[result.outcome];
        if (result.outcome == "sent-not-confirmed")
            slowestEnd = std::max(slowestEnd, result.endAfterClientSeconds);
    }
    std::printf("%d runs of %zu bytes, tftp-hpa, %.0f %% loss each way: %d identical\n", runs, size, kLoss * 100,
                identical);
    for (const auto& [name, count] : outcomes)
        std::printf("  %-20s %3d (identical files: %d, last ACK lost: %d)\n", name.c_str(), count,
                    identicalOutcomes[name], lostLastAck[name]);
    std::printf("  sent-not-confirmed ended at most %.1f s after the client finished\n", slowestEnd);
    return 0;
}
