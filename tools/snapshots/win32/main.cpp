// vornalix-snapshots OUTDIR en|ja: shows every page and message box in one language on the display and
// writes a screenshot of each window to OUTDIR/*.bmp, named by dialog id and language.
#include "Shots.h"
#include "res/Resources.h"
#include "ui/Application.h"
#include "ui/DialogBackend.h"
#include "ui/DialogColors.h"
#include "ui/EventPump.h"
#include "ui/GuiPrompt.h"
#include "ui/OpenFile.h"
#include "ui/win32/Win32Dialog.h"
#include "wizard/FirmwareFile.h"
#include "wizard/normal/PasswordDialog.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace vornalix;
using namespace vornalix::snapshots;

namespace {

std::string outFolder;
std::string tag;
bool ok = true;

// Lets the window paint, as the user would see it a moment after it opened.
void Settle() {
    for (int i = 0; i < 15; ++i) {
        ui::PumpEvents(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The window's outer frame as the screen shows it, as a 24-bit bottom-up BMP.
void Save(HWND window, const std::string& stem) {
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    GdiFlush();
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * height;
    const std::string path = outFolder + "/" + stem + "-" + tag + ".bmp";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * height);
    if (!out) {
        std::fprintf(stderr, "vornalix-snapshots: cannot write %s\n", path.c_str());
        ok = false;
    } else {
        std::printf("%s\n", path.c_str());
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

void ShowAndSave(ui::Dialog& dialog, const std::string& stem) {
    dialog.InitializeForDisplay();
    HWND window = ui::win32::Win32Dialog::Of(dialog).Window();
    SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Settle();
    Save(window, stem);
    ShowWindow(window, SW_HIDE);
}

// A system box or dialog runs its own modal loop: a timer on this thread saves it from inside that loop
// and closes it.
std::string pendingStem;
void CALLBACK SaveSystemWindow(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[16];
            if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && std::wcscmp(name, L"#32770") == 0) {
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (box == nullptr)
        return;
    KillTimer(nullptr, timer);
    Save(box, pendingStem);
    // The first button answers a box; Cancel (or the close box) ends the file dialog.
    if (HWND button = FindWindowExW(box, nullptr, L"Button", nullptr); button && pendingStem.rfind("message", 0) == 0)
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(box, WM_COMMAND, common::IDCANCEL, 0);
}

void SaveWhileRunning(const std::string& stem) {
    pendingStem = stem;
    SetTimer(nullptr, 0, 400, SaveSystemWindow);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[2], "en") != 0 && std::strcmp(argv[2], "ja") != 0)) {
        std::fprintf(stderr, "usage: vornalix-snapshots OUTDIR en|ja\n"
                             "Shows every page and message box in one language and saves OUTDIR/*-LANG.bmp.\n");
        return 2;
    }
    outFolder = argv[1];
    tag = argv[2];
    CreateDirectoryA(outFolder.c_str(), nullptr);
    const res::Language language = tag == "ja" ? res::Language::Japanese : res::Language::English;
    res::OverrideLanguage(language);
    auto application = ui::Application::Start(argc, argv);
    if (!application) {
        std::fprintf(stderr, "vornalix-snapshots: no display\n");
        return 1;
    }
    ui::SetApplicationNameFromPath("vornalix");
    ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
    wizard::PageFactory factory;
    for (const auto& shot : Pages(factory)) {
        auto page = shot.create();
        ShowAndSave(*page, "dialog" + shot.name);
    }
    {
        wizard::PasswordDialog password("default");
        ShowAndSave(password, "password");
    }
    SaveWhileRunning("open-dialog");
    ui::OpenFile(nullptr, wizard::FirmwareFileRequest(true));
    for (const auto& shot : Messages()) {
        if (!HasOwnText(shot, language)) {
            std::fprintf(stderr, "vornalix-snapshots: message %s has no Japanese text\n", shot.name.c_str());
            ok = false;
        }
        SaveWhileRunning("message" + shot.name);
        ui::ShowMessageBox(shot.text(), shot.type, nullptr);
    }
    return ok ? 0 : 1;
}
