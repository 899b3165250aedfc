#pragma once
// The firmware file as both firmware pages handle it: the path an empty page starts with, the check
// before Next, and the Browse dialog.
#include "ui/OpenFile.h"

#include <optional>
#include <string>

namespace vornalix::ui {
class Dialog;
}

namespace vornalix::wizard {

// The firmware name given on the command line ("" when none).
void SetFirmwareArgument(const std::string& name);
const std::string& FirmwareArgument();

// The path an empty page starts with: the argument (trimmed) relative to directory, else the first
// regular ".bin" file in case-insensitive alphabetical order, else "". An absolute argument is taken as it is.
std::string DefaultPath(const std::string& argument, const std::string& directory);
// DefaultPath of the command-line argument in the current directory.
std::string DefaultFirmwarePath();

// "" when path names a readable, non-empty regular file; otherwise the message the page shows.
// Never blocks (a named pipe or a device is refused without being opened for reading).
std::string OpenErrorText(const std::string& path);

// What the firmware pages' file dialog offers: binary files, all files and, with withParamIni, "param.ini".
ui::OpenFileRequest FirmwareFileRequest(bool withParamIni);
// Runs that dialog over owner: the chosen file, nullopt when the user cancels.
std::optional<std::string> BrowseForFirmware(ui::Dialog* owner, bool withParamIni);

} // namespace vornalix::wizard
