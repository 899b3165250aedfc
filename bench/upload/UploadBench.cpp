// Uploads a 64 MiB image to qel-gateway-sim on loopback with the web client and with
// "curl -F FirmwareDownload=@file", and prints the throughput ratio and the client's peak memory
// for a 64 MiB and a 1 MiB image. Run it inside a private network namespace (loopback only).
#include "common/Prompt.h"
#include "web/GatewayHttpSession.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

class SilentPrompt : public vornalix::common::Prompt {
public:
    int MessageBox(const std::string& text, unsigned) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return vornalix::common::IDCANCEL;
    }
};

// Child mode: one upload with the web client; prints the seconds it took, exits 0 on success.
int UploadOnce(const std::string& path, int port) {
    SilentPrompt prompt;
    vornalix::web::GatewayHttpSession session;
    session.serverName = "127.0.0.1";
    session.serverPort = static_cast<std::uint16_t>(port);
    session.firmwarePath = path;
    auto start = std::chrono::steady_clock::now();
    int result = session.UploadFirmware();
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", elapsed.count());
    return result == 0 ? 0 : 1;
}

struct RunResult {
    double seconds = -1;
    long maxRssKiB = 0;
};

// Runs argv, returns its first output line as seconds and its peak resident size.
RunResult Run(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    RunResult result;
    result.maxRssKiB = usage.ru_maxrss;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && !output.empty())
        result.seconds = std::atof(output.c_str());
    else
        std::fprintf(stderr, "%s failed (status %d): %s\n", args[0].c_str(), status, output.c_str());
    return result;
}

void WriteImage(const std::string& path, std::size_t size) {
    std::ofstream file(path, std::ios::binary);
    std::vector<char> block(kMiB);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 2654435761u) >> 13);
    for (std::size_t written = 0; written < size; written += block.size())
        file.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - written)));
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--upload-once")
        return UploadOnce(argv[2], std::atoi(argv[3]));
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::atoi(argv[1]) <= 0)) {
        const bool asked = std::string(argv[1]) == "--help";
        std::fputs("usage: vornalix-upload-bench [ROUNDS]\n"
                   "Uploads a 64 MiB and a 1 MiB image to qel-gateway-sim on loopback with the web client and\n"
                   "with curl, ROUNDS times each (default 9), and prints the throughput ratio and peak memory.\n"
                   "Run it inside a private network namespace.\n",
                   asked ? stdout : stderr);
        return asked ? 0 : 2;
    }
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    std::string pattern = (std::filesystem::temp_directory_path() / "upload-bench-XXXXXX").string();
    std::string folder = ::mkdtemp(pattern.data());
    std::string big = folder + "/image-64MiB.bin";
    std::string small = folder + "/image-1MiB.bin";
    WriteImage(big, 64 * kMiB);
    WriteImage(small, kMiB);

    std::string portFile = folder + "/port";
    pid_t sim = ::fork();
    if (sim == 0) {
        ::execl(VORNALIX_GATEWAY_SIM, VORNALIX_GATEWAY_SIM, "--port", "0", "--port-file", portFile.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int port = 0;
    for (int i = 0; i < 500 && port == 0; ++i) {
        std::ifstream(portFile) >> port;
        if (port == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (port == 0) {
        std::fprintf(stderr, "qel-gateway-sim did not start\n");
        return 1;
    }
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/post-query";
    auto ours = [&](const std::string& path) { return Run({self, "--upload-once", path, std::to_string(port)}); };
    auto curl = [&](const std::string& path) {
        return Run({"curl", "-s", "-S", "-o", "/dev/null", "--noproxy", "*", "-w", "%{time_total}\n", "-F",
                    "FirmwareDownload=@" + path, url});
    };

    // Warm the page cache and both code paths once.
    ours(big);
    curl(big);
    std::vector<double> ourTimes, curlTimes;
    long bigRss = 0;
    bool failed = false;
    for (int i = 0; i < rounds; ++i) {
        RunResult a = ours(big);
        RunResult b = curl(big);
        failed = failed || a.seconds <= 0 || b.seconds <= 0;
        ourTimes.push_back(a.seconds);
        curlTimes.push_back(b.seconds);
        bigRss = std::max(bigRss, a.maxRssKiB);
    }
    long smallRss = 0;
    for (int i = 0; i < 3; ++i)
        smallRss = std::max(smallRss, ours(small).maxRssKiB);

    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    std::filesystem::remove_all(folder);
    if (failed) {
        std::fprintf(stderr, "an upload failed\n");
        return 1;
    }

    // The machine is shared: the best round of each side is the least disturbed one.
    double ourBest = *std::min_element(ourTimes.begin(), ourTimes.end());
    double curlBest = *std::min_element(curlTimes.begin(), curlTimes.end());
    double mib = 64.0;
    std::printf("upload of a 64 MiB image to qel-gateway-sim on loopback, %d rounds (best / median)\n", rounds);
    std::printf("  web client  %7.3f s %7.1f MiB/s  /  %7.3f s\n", ourBest, mib / ourBest, Median(ourTimes));
    std::printf("  curl -F     %7.3f s %7.1f MiB/s  /  %7.3f s\n", curlBest, mib / curlBest, Median(curlTimes));
    std::printf("throughput ratio (web client / curl): %.3f best, %.3f median  (target >= 0.95)\n", curlBest / ourBest,
                Median(curlTimes) / Median(ourTimes));
    std::printf("peak memory of the web client: 64 MiB image %ld KiB, 1 MiB image %ld KiB\n", bigRss, smallRss);
    std::printf("memory ratio (64 MiB / 1 MiB image): %.3f, difference %ld KiB  (target <= 4096 KiB)\n",
                static_cast<double>(bigRss) / static_cast<double>(smallRss), bigRss - smallRss);
    return 0;
}
