#include "wizard/FirmwareFile.h"

#include <QDir>
#include <QFileDialog>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vornalix::wizard {

namespace {

constexpr const char* kOpenErrorPrefix = "The data file could not be\t\t  opened because of this error: ";
constexpr std::size_t kCauseLimit = 255;

std::string firmwareArgument;

std::string Trim(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

bool HasBinExtension(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".bin";
}

std::string CauseText(int error, const std::string& path) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "\"" + path + "\" was not found.";
    case EISDIR:
        return "\"" + path + "\" is a folder, not a file.";
    case EACCES:
    case EPERM:
        return "Access to \"" + path + "\" was denied.";
    default:
        return std::string(std::strerror(error)) + ".";
    }
}

} // namespace

void SetFirmwareArgument(const std::string& name) {
    firmwareArgument = name;
}
const std::string& FirmwareArgument() {
    return firmwareArgument;
}

std::string DefaultPath(const std::string& argument, const std::string& directory) {
    std::string folder = directory;
    // The root folder: one separator between it and the name.
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    std::string name = Trim(argument);
    if (!name.empty())
        return name.front() == '/' ? name : folder + "/" + name;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::string file = it->path().filename().string();
        if (HasBinExtension(file) && it->is_regular_file(error))
            return folder + "/" + file;
    }
    return {};
}

std::string DefaultFirmwarePath() {
    std::error_code error;
    return DefaultPath(FirmwareArgument(), std::filesystem::current_path(error).string());
}

std::string OpenErrorText(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        struct stat info {};
        if (::fstat(fd, &info) != 0)
            error = errno;
        else if (S_ISDIR(info.st_mode))
            error = EISDIR;
        ::close(fd);
    }
    if (error == 0)
        return {};
    std::string cause = CauseText(error, path);
    if (cause.size() > kCauseLimit)
        cause.resize(kCauseLimit);
    return kOpenErrorPrefix + cause;
}

std::optional<std::string> BrowseForFirmware(QWidget* parent, bool withParamIni) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QDir::currentPath());
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    QStringList filters{QStringLiteral("Binary code (*.bin)")};
    if (withParamIni)
        filters << QStringLiteral("PARAM.INI (param.ini)");
    filters << QStringLiteral("All Files (*)");
    dialog.setNameFilters(filters);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

} // namespace vornalix::wizard
