#pragma once
// The system's file-open dialog, worded in the UI language.
#include <optional>
#include <string>
#include <vector>

namespace vornalix::ui {

class Dialog;

struct FileFilter {
    std::string description; // "Binary code (*.bin)"
    std::string patterns;    // "*.bin"; several separated by ';'
};

struct OpenFileRequest {
    std::vector<FileFilter> filters;
    std::string defaultExtension; // "bin"
    std::string initialName;      // "*.bin"
};

// Runs the dialog over owner, starting in the current directory, which it leaves unchanged. Only existing
// files can be chosen. Returns the chosen file's full path; nullopt when the user cancels.
std::optional<std::string> OpenFile(Dialog* owner, const OpenFileRequest& request);

} // namespace vornalix::ui
