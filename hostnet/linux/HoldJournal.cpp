#include "hostnet/linux/HoldJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vornalix::hostnet {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "hold-";
constexpr const char* kBootWord = "boot ";
constexpr const char* kStartWord = "start ";
// The network namespace the changes were made in: only a process of the same namespace undoes
// them (another one would reach other interfaces of the same names).
constexpr const char* kNamespaceWord = "netns ";

struct RecordFile {
    std::string boot, start, nameSpace; // "" when not named
    std::vector<std::string> lines;
};

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

RecordFile ReadRecord(const std::string& path) {
    RecordFile record;
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return record;
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (StartsWith(line, kBootWord))
            record.boot = line.substr(5);
        else if (StartsWith(line, kStartWord))
            record.start = line.substr(6);
        else if (StartsWith(line, kNamespaceWord))
            record.nameSpace = line.substr(6);
        else if (!line.empty())
            record.lines.push_back(line);
    }
    return record;
}

std::string OwnNamespace() {
    std::error_code error;
    const auto link = fs::read_symlink("/proc/self/ns/net", error);
    return error ? std::string("unknown") : link.string();
}

bool WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SyncFolder(const std::string& directory) {
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

// A folder of this process's user, not a link.
bool OwnFolder(const std::string& directory) {
    struct stat status {};
    return lstat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid();
}

} // namespace

std::string BootId() {
    std::ifstream file("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(file, id);
    return id;
}

std::string ProcessStartTime(long pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(file, text);
    // "PID (COMM) STATE ...": the name may hold blanks and parentheses; fields count from its end.
    const auto nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos)
        return {};
    std::istringstream fields(text.substr(nameEnd + 1));
    std::string field;
    for (int number = 3; number <= 22; ++number)
        if (!(fields >> field))
            return {};
    return field;
}

HoldJournal::HoldJournal(std::string directory) : directory(std::move(directory)) {}

bool HoldJournal::FolderUsable() const {
    std::error_code error;
    const fs::path parent = fs::path(directory).parent_path();
    if (!parent.empty() && !fs::exists(parent, error))
        fs::create_directories(parent, error);
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat status {};
    if (!OwnFolder(directory) || lstat(directory.c_str(), &status) != 0)
        return false;
    return (status.st_mode & 077) == 0 || chmod(directory.c_str(), 0700) == 0;
}

std::string HoldJournal::OwnFile() const {
    return directory + "/" + kPrefix + std::to_string(getpid());
}

std::vector<std::string> HoldJournal::Lines() const {
    RecordFile record = ReadRecord(OwnFile());
    // A record of an earlier process under the same number is not this one's.
    if (record.boot != BootId() || record.start != ProcessStartTime(getpid()))
        return {};
    return std::move(record.lines);
}

bool HoldJournal::WriteOwn(const std::vector<std::string>& lines) const {
    if (!FolderUsable())
        return false;
    if (lines.empty())
        return (unlink(OwnFile().c_str()) == 0 || errno == ENOENT) && SyncFolder(directory);
    std::string text = kBootWord + BootId() + "\n" + kStartWord + ProcessStartTime(getpid()) + "\n" + kNamespaceWord +
                       OwnNamespace() + "\n";
    for (const auto& line : lines)
        text += line + "\n";
    const std::string temporary = OwnFile() + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, text) && fsync(fd) == 0;
    if (close(fd) != 0 || !written || rename(temporary.c_str(), OwnFile().c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return SyncFolder(directory);
}

bool HoldJournal::Record(const std::string& line) {
    std::vector<std::string> lines = Lines();
    lines.push_back(line);
    return WriteOwn(lines);
}

bool HoldJournal::Replace(const std::string& line, const std::string& replacement) {
    std::vector<std::string> lines = Lines();
    const auto found = std::find(lines.rbegin(), lines.rend(), line);
    if (found == lines.rend())
        return false;
    *found = replacement;
    return WriteOwn(lines);
}

bool HoldJournal::Erase(const std::string& line) {
    std::vector<std::string> lines = Lines();
    const auto found = std::find(lines.rbegin(), lines.rend(), line);
    if (found == lines.rend())
        return true;
    lines.erase(std::next(found).base());
    return WriteOwn(lines);
}

std::vector<HoldJournal::Leftover> HoldJournal::Leftovers() const {
    std::vector<Leftover> leftovers;
    if (!OwnFolder(directory))
        return leftovers;
    const std::string boot = BootId();
    const std::string nameSpace = OwnNamespace();
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        const std::string digits = StartsWith(name, kPrefix) ? name.substr(5) : std::string();
        if (digits.empty() || digits.size() > 10 || !std::all_of(digits.begin(), digits.end(), ::isdigit) ||
            !entry.is_regular_file(error) || entry.is_symlink(error))
            continue;
        RecordFile record = ReadRecord(entry.path().string());
        if (!record.nameSpace.empty() && record.nameSpace != nameSpace)
            continue;
        // Alive: the same boot and a process of that number that started at the recorded time.
        const long pid = std::strtol(digits.c_str(), nullptr, 10);
        if (!record.boot.empty() && record.boot == boot && !record.start.empty() &&
            record.start == ProcessStartTime(pid))
            continue;
        leftovers.push_back({entry.path().string(), std::move(record.lines)});
    }
    return leftovers;
}

void HoldJournal::Forget(const std::string& file) {
    std::error_code error;
    fs::remove(file, error);
    SyncFolder(fs::path(file).parent_path().string());
}

} // namespace vornalix::hostnet
