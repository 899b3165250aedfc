#include "wizard/FirmwareFile.h"
#include "res/Resources.h"
#include "web/FirmwareFile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>

#include <cctype>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

namespace vornalix::wizard {

namespace {

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

// Names compared as the original platform's file system lists them: by their upper-case forms.
std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool HasBinExtension(const std::string& name) {
    if (name.size() < 4)
        return false;
    return Upper(name.substr(name.size() - 4)) == ".BIN";
}

// Case-insensitive alphabetical order; names that differ only in case by their bytes.
bool ListedBefore(const std::string& a, const std::string& b) {
    std::string upperA = Upper(a), upperB = Upper(b);
    return upperA != upperB ? upperA < upperB : a < b;
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
    std::string first;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::string file = it->path().filename().string();
        std::error_code typeError;
        if (HasBinExtension(file) && it->is_regular_file(typeError) && (first.empty() || ListedBefore(file, first)))
            first = file;
    }
    return first.empty() ? std::string() : folder + "/" + first;
}

std::string DefaultFirmwarePath() {
    std::error_code error;
    return DefaultPath(FirmwareArgument(), std::filesystem::current_path(error).string());
}

std::string OpenErrorText(const std::string& path) {
    return web::FirmwareFileProblem(path, kCauseLimit);
}

namespace {

// The list's type column in the UI language (Qt's own translations leave "Folder" in English).
class FileTypeNames : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        using res::StringId;
        auto text = [](StringId id) { return QString::fromStdString(res::LoadString(id)); };
        if (info.isDir() && !info.isRoot())
            return text(StringId::FileDialogFolderType);
        if (!info.isFile())
            return QFileIconProvider::type(info);
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? text(StringId::FileDialogPlainFileType)
                                : text(StringId::FileDialogFileTypeOf).replace(QStringLiteral("%1"), suffix);
    }
};

} // namespace

std::unique_ptr<QFileDialog> BuildFirmwareDialog(QWidget* parent, bool withParamIni) {
    using res::StringId;
    auto text = [](StringId id) { return QString::fromStdString(res::LoadString(id)); };
    auto owned = std::make_unique<QFileDialog>(parent, text(StringId::FileDialogTitle));
    QFileDialog& dialog = *owned;
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QDir::currentPath());
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    QStringList filters{text(StringId::BinaryFilesFilter)};
    if (withParamIni)
        filters << QStringLiteral("PARAM.INI (param.ini)");
    filters << text(StringId::AllFilesFilter);
    dialog.setNameFilters(filters);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The dialog's own words in the UI language.
    const std::pair<QFileDialog::DialogLabel, StringId> labels[] = {
        {QFileDialog::LookIn, StringId::FileDialogLookIn},     {QFileDialog::FileName, StringId::FileDialogFileName},
        {QFileDialog::FileType, StringId::FileDialogFileType}, {QFileDialog::Accept, StringId::FileDialogOpen},
        {QFileDialog::Reject, StringId::FileDialogCancel},
    };
    for (auto [label, id] : labels)
        dialog.setLabelText(label, text(id));
    static FileTypeNames typeNames; // outlives every dialog
    dialog.setIconProvider(&typeNames);
    return owned;
}

std::optional<std::string> BrowseForFirmware(QWidget* parent, bool withParamIni) {
    auto dialog = BuildFirmwareDialog(parent, withParamIni);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().front().toStdString();
}

} // namespace vornalix::wizard
