#include "GatewaySim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace vornalix::web::test {

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

GatewaySim::GatewaySim(std::vector<std::string> switches) {
    folder = MakeScratchFolder("gateway-sim");
    std::string record = folder + "/record";
    std::filesystem::create_directory(record);
    std::vector<std::string> args = {
        VORNALIX_GATEWAY_SIM, "--port", "0", "--port-file", SimPath(folder + "/port"), "--record", SimPath(record)};
    for (const std::string& value : switches)
        args.push_back(SimPath(value));
    Launch(std::move(args));
    for (int i = 0; i < 500 && port == 0; ++i) {
        std::string text = ReadAll(folder + "/port");
        if (!text.empty())
            port = static_cast<std::uint16_t>(std::stoi(text));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (port == 0)
        ADD_FAILURE() << "qel-gateway-sim did not start";
}

GatewaySim::~GatewaySim() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string GatewaySim::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::string GatewaySim::WriteFile(const std::string& name, const std::string& bytes) const {
    std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<std::string> GatewaySim::Log() const {
    std::istringstream text(ReadAll(folder + "/record/requests.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

std::size_t GatewaySim::Accepts(std::size_t count) const {
    std::size_t accepts = 0;
    for (int i = 0; i < 100; ++i) {
        accepts = 0;
        for (const std::string& line : Log())
            accepts += line.rfind("accept ", 0) == 0;
        if (accepts >= count)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return accepts;
}

std::vector<std::string> GatewaySim::Requests(std::size_t count) const {
    std::vector<std::string> requests;
    for (int i = 0; i < 100; ++i) {
        requests.clear();
        for (const std::string& line : Log())
            if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
                requests.push_back(line);
        if (requests.size() >= count)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Connections log when they end, so a dropped one may log after the next: order by request number.
    std::sort(requests.begin(), requests.end());
    return requests;
}

std::string GatewaySim::RequestBytes(int n) const {
    // The file is complete once the request is in the log.
    Requests(static_cast<std::size_t>(n));
    char name[64];
    std::snprintf(name, sizeof name, "/record/request-%04d.bin", n);
    return ReadAll(folder + name);
}

std::string GatewaySim::Image() const {
    return ReadAll(folder + "/record/image.bin");
}

} // namespace vornalix::web::test
