#include "web/pages/FirmwareFilePage.h"

#include "res/Resources.h"
#include "ui/CommandLine.h"
#include "ui/GuiPrompt.h"

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

namespace vornalix::web {

namespace {

constexpr const char* kOpenErrorPrefix = "The data file could not be\t\t  opened because of this error: ";
constexpr std::size_t kCauseLimit = 255;

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

FirmwareFilePage::FirmwareFilePage(std::string pathText) : WizardPage(kTemplateId), pathText(std::move(pathText)) {}

std::string FirmwareFilePage::BannerTitle() const {
    return res::LoadString(134);
}

std::string FirmwareFilePage::DefaultPath(const std::string& argument, const std::string& directory) {
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

std::string FirmwareFilePage::OpenErrorText(const std::string& path) {
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

void FirmwareFilePage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        pathText = ItemText(IDC_PATH);
    else
        SetItemText(IDC_PATH, pathText);
}

bool FirmwareFilePage::OnInitDialog() {
    if (pathText.empty()) {
        std::error_code error;
        std::string directory = std::filesystem::current_path(error).string();
        pathText = DefaultPath(ui::FirmwareArgument(), directory);
    }
    WizardPage::OnInitDialog();
    return true;
}

bool FirmwareFilePage::OnCommand(int id) {
    if (id == IDC_BROWSE) {
        Browse();
        return true;
    }
    return WizardPage::OnCommand(id);
}

void FirmwareFilePage::Browse() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QDir::currentPath());
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    dialog.setNameFilters({QStringLiteral("Binary code (*.bin)"), QStringLiteral("All Files (*)")});
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    pathText = dialog.selectedFiles().front().toStdString();
    SetItemText(IDC_PATH, pathText);
}

void FirmwareFilePage::OnOK() {
    UpdateData(true);
    std::string error = OpenErrorText(pathText);
    if (error.empty()) {
        EndDialog(ui::IDOK);
        return;
    }
    ui::AppPrompt().MessageBox(error, ui::MB_OK | ui::MB_ICONEXCLAMATION);
}

} // namespace vornalix::web
