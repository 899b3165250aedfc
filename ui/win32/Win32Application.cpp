// The GUI thread on Windows: a message-only window that runs the calls other threads post, the event pump,
// and the application's start.
#include "ui/Application.h"
#include "ui/DialogBackend.h"
#include "ui/GuiPrompt.h"
#include "ui/win32/WideText.h"
#include "ui/win32/Win32Dialog.h"

#include <atomic>
#include <chrono>
#include <vector>

namespace vornalix::ui {

namespace {

constexpr UINT kRunCall = WM_APP;
constexpr wchar_t kCallWindowClass[] = L"VornalixGuiThread";

std::atomic<DWORD> guiThreadId{0};
std::atomic<HWND> callWindow{nullptr};

LRESULT CALLBACK CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunCall) {
        std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(lParam));
        (*call)();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Makes the calling thread the GUI thread.
bool RegisterGuiThread() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = CallWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kCallWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    HWND window = CreateWindowExW(0, kCallWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return false;
    guiThreadId = GetCurrentThreadId();
    callWindow = window;
    return true;
}

class Win32Application : public Application {
public:
    ~Win32Application() override {
        HWND window = callWindow.exchange(nullptr);
        guiThreadId = 0;
        if (window)
            DestroyWindow(window);
    }
};

} // namespace

std::unique_ptr<Application> Application::Start(int& argc, char** argv) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    // No window station to show windows on (a service, a session without a desktop).
    if (!GetDesktopWindow() || !RegisterGuiThread())
        return nullptr;
    std::vector<wchar_t> path(32768);
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length > 0)
        SetApplicationNameFromPath(win32::Utf8(path.data(), static_cast<int>(length)));
    return std::make_unique<Win32Application>();
}

bool OnGuiThread() {
    return guiThreadId != 0 && GetCurrentThreadId() == guiThreadId;
}

bool PostToGuiThread(std::function<void()> fn) {
    HWND window = callWindow;
    if (!window)
        return false;
    auto* call = new std::function<void()>(std::move(fn));
    if (!PostMessageW(window, kRunCall, 0, reinterpret_cast<LPARAM>(call))) {
        delete call;
        return false;
    }
    return true;
}

void ProcessPendingEvents(bool userInput, int maxMilliseconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMilliseconds);
    // Without the user's input, keys and clicks stay queued: posted and sent messages, timers and paints only.
    UINT remove = userInput ? PM_REMOVE : PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, remove)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        win32::Win32Dialog::DispatchLoopMessage(message);
        if (std::chrono::steady_clock::now() >= deadline)
            return;
    }
}

} // namespace vornalix::ui
