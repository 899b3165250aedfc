// The system's file-open dialog (Explorer style), starting in the current directory and leaving it as it was.
#include "ui/Dialog.h"
#include "ui/OpenFile.h"
#include "ui/win32/WideText.h"
#include "ui/win32/Win32Dialog.h"

#include <vector>

namespace vornalix::ui {

std::optional<std::string> OpenFile(Dialog* owner, const OpenFileRequest& request) {
    // "description\0patterns\0...\0\0"
    std::wstring filters;
    for (const auto& filter : request.filters) {
        filters += win32::Utf16(filter.description);
        filters += L'\0';
        filters += win32::Utf16(filter.patterns);
        filters += L'\0';
    }
    filters += L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    std::wstring initialName = win32::Utf16(request.initialName);
    initialName.copy(file.data(), std::min(initialName.size(), file.size() - 1));
    std::wstring extension = win32::Utf16(request.defaultExtension);
    std::vector<wchar_t> folder(32768, L'\0');
    GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner && owner->IsVisible() ? win32::Win32Dialog::Of(*owner).Window() : nullptr;
    dialog.lpstrFilter = request.filters.empty() ? nullptr : filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.data();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags =
        OFN_LONGNAMES | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog))
        return std::nullopt;
    return win32::Utf8(file.data(), static_cast<int>(std::wcslen(file.data())));
}

} // namespace vornalix::ui
