#include "web/FirmwareFile.h"

#include "res/Resources.h"
#include "web/SystemFile.h"

#include <cerrno>

namespace vornalix::web {

namespace {

constexpr const char* kOpenErrorPrefix = "The data file could not be\t\t  opened because of this error: ";

int KindError(FileKind kind) {
    if (kind == FileKind::Regular)
        return 0;
    return kind == FileKind::Folder ? EISDIR : FirmwareFile::kNotRegular;
}

// Cuts text to at most limit bytes without splitting a UTF-8 character.
std::string CutUtf8(std::string text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

std::string CauseText(const std::string& path, int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return res::FormatString(res::StringId::FileNotFound, {path});
    case EISDIR:
        return res::FormatString(res::StringId::FileIsFolder, {path});
    case EACCES:
    case EPERM:
        return res::FormatString(res::StringId::FileAccessDenied, {path});
    case FirmwareFile::kNotRegular:
        return res::FormatString(res::StringId::FileNotRegular, {path});
    default:
        return res::FormatString(res::StringId::FileOtherError, {path, std::to_string(error)});
    }
}

} // namespace

FirmwareFile::FirmwareFile(const std::string& path) {
    FileFacts facts;
    if ((error = InspectPath(path, facts)) != 0 || (error = KindError(facts.kind)) != 0)
        return;
    fd = OpenForReading(path, error);
    if (fd < 0)
        return;
    if ((error = InspectFile(fd, facts)) == 0)
        error = KindError(facts.kind);
    if (error != 0) {
        CloseFile(fd);
        fd = -1;
        return;
    }
    size = facts.size;
}

FirmwareFile::~FirmwareFile() {
    if (fd >= 0)
        CloseFile(fd);
}

std::string FileErrorText(const std::string& path, int error, std::size_t causeLimit) {
    return kOpenErrorPrefix + CutUtf8(CauseText(path, error), causeLimit);
}

std::string EmptyFileText(const std::string& path) {
    return res::FormatString(res::StringId::FileEmpty, {path});
}

std::string FirmwareFileProblem(const std::string& path, std::size_t causeLimit) {
    FirmwareFile file(path);
    if (file.Error() != 0)
        return FileErrorText(path, file.Error(), causeLimit);
    if (file.Size() == 0)
        return EmptyFileText(path);
    return {};
}

} // namespace vornalix::web
