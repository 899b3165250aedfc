#include "hostnet/linux/HoldJournal.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vornalix::hostnet {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "hold-";

// The change lines of a record, and the namespace it names ("" when it names none).
std::vector<std::string> ReadLines(const fs::path& path, std::string* nameSpace = nullptr) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("netns ", 0) == 0) {
            if (nameSpace != nullptr)
                *nameSpace = line.substr(6);
        } else if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// The network namespace the changes were made in: only a process of the same namespace undoes
// them (another one would reach other interfaces of the same names).
constexpr const char* kNamespaceWord = "netns ";

std::string OwnNamespace() {
    std::error_code error;
    const auto link = fs::read_symlink("/proc/self/ns/net", error);
    return error ? std::string("unknown") : link.string();
}

bool Alive(long pid) {
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

HoldJournal::HoldJournal(std::string directory)
    : directory(directory.empty() ? DefaultDirectory() : std::move(directory)) {}

std::string HoldJournal::DefaultDirectory() {
    if (const char* chosen = std::getenv("VORNALIX_RUN_DIR"); chosen != nullptr && chosen[0] == '/')
        return chosen;
    if (geteuid() == 0)
        return "/run/vornalix";
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string(runtime) + "/vornalix";
    return "/run/user/" + std::to_string(geteuid()) + "/vornalix";
}

std::string HoldJournal::OwnFile() const {
    return directory + "/" + kPrefix + std::to_string(getpid());
}

std::vector<std::string> HoldJournal::ReadOwn() const {
    return ReadLines(OwnFile());
}

void HoldJournal::WriteOwn(const std::vector<std::string>& lines) const {
    if (lines.empty()) {
        std::error_code error;
        fs::remove(OwnFile(), error);
        return;
    }
    const std::string temporary = OwnFile() + ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << kNamespaceWord << OwnNamespace() << '\n';
        for (const auto& line : lines)
            file << line << '\n';
    }
    std::error_code error;
    fs::rename(temporary, OwnFile(), error);
}

bool HoldJournal::Record(const std::string& line) {
    std::error_code error;
    fs::create_directories(directory, error);
    std::vector<std::string> lines = ReadOwn();
    lines.push_back(line);
    WriteOwn(lines);
    return ReadOwn() == lines;
}

void HoldJournal::Erase(const std::string& line) {
    std::vector<std::string> lines = ReadOwn();
    const auto found = std::find(lines.rbegin(), lines.rend(), line);
    if (found == lines.rend())
        return;
    lines.erase(std::next(found).base());
    WriteOwn(lines);
}

std::vector<HoldJournal::Leftover> HoldJournal::Leftovers() const {
    std::vector<Leftover> leftovers;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kPrefix, 0) != 0 || name.find('.') != std::string::npos)
            continue;
        const std::string digits = name.substr(std::char_traits<char>::length(kPrefix));
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(), ::isdigit))
            continue;
        const long pid = std::strtol(digits.c_str(), nullptr, 10);
        if (pid == getpid() || Alive(pid))
            continue;
        std::string nameSpace;
        std::vector<std::string> lines = ReadLines(entry.path(), &nameSpace);
        if (!nameSpace.empty() && nameSpace != OwnNamespace())
            continue;
        leftovers.push_back({entry.path().string(), std::move(lines)});
    }
    return leftovers;
}

void HoldJournal::Forget(const std::string& file) {
    std::error_code error;
    fs::remove(file, error);
}

} // namespace vornalix::hostnet
