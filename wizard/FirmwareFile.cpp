#include "wizard/FirmwareFile.h"
#include "res/Resources.h"
#include "web/FirmwareFile.h"

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

// Paths are UTF-8 inside the wizard; std::filesystem takes and gives them in the system's own form.
std::filesystem::path PathOf(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}
std::string TextOf(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

bool IsSeparator(char c) {
    return c == '/' || c == kSeparator;
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
    if (!folder.empty() && IsSeparator(folder.back()))
        folder.pop_back();
    std::string name = Trim(argument);
    // A name from the root (or, on Windows, with a drive) is taken as it is.
    if (!name.empty())
        return IsSeparator(name.front()) || PathOf(name).is_absolute() ? name : folder + kSeparator + name;
    std::error_code error;
    std::string first;
    for (std::filesystem::directory_iterator it(PathOf(directory), error), end; !error && it != end;
         it.increment(error)) {
        std::string file = TextOf(it->path().filename());
        std::error_code typeError;
        if (HasBinExtension(file) && it->is_regular_file(typeError) && (first.empty() || ListedBefore(file, first)))
            first = file;
    }
    return first.empty() ? std::string() : folder + kSeparator + first;
}

std::string DefaultFirmwarePath() {
    std::error_code error;
    return DefaultPath(FirmwareArgument(), TextOf(std::filesystem::current_path(error)));
}

std::string OpenErrorText(const std::string& path) {
    return web::FirmwareFileProblem(path, kCauseLimit);
}

ui::OpenFileRequest FirmwareFileRequest(bool withParamIni) {
    using res::StringId;
    ui::OpenFileRequest request;
    request.filters.push_back({res::LoadString(StringId::BinaryFilesFilter), "*.bin"});
    if (withParamIni)
        request.filters.push_back({"PARAM.INI (param.ini)", "param.ini"});
    request.filters.push_back({res::LoadString(StringId::AllFilesFilter), "*"});
    request.defaultExtension = "bin";
    request.initialName = "*.bin";
    return request;
}

std::optional<std::string> BrowseForFirmware(ui::Dialog* owner, bool withParamIni) {
    return ui::OpenFile(owner, FirmwareFileRequest(withParamIni));
}

} // namespace vornalix::wizard
