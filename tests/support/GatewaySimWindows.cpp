// Under Wine, CreateProcessW starts a Linux program as a Unix process of its own, but hands back no
// process handle and gives it no standard handles of ours, and its parent is a short-lived fork of
// Wine's, not the test program. The simulator therefore runs under a shell that stops it once the
// folder's "alive" file is gone and then leaves a mark. The test program holds that file open with
// delete-on-close: the wineserver removes it when the handle closes, at Stop() or whenever the test
// program ends, a crash included.
#include "GatewaySim.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace vornalix::web::test {

namespace {

// Scratch folders sit where both sides name them: Wine's Z: drive is the Unix root.
constexpr const char* kScratchRoot = "Z:\\tmp";
constexpr const char* kShell = "Z:\\bin\\sh";
// $1 the simulator, $2 the folder, then its switches.
constexpr const char* kSupervisor =
    "sim=$1 dir=$2; shift 2; \"$sim\" \"$@\" </dev/null & pid=$!; "
    "while [ -e \"$dir/alive\" ] && kill -0 $pid 2>/dev/null; "
    "do sleep 0.05; done; kill $pid 2>/dev/null; wait $pid 2>/dev/null; : >\"$dir/stopped\"";

std::wstring Wide(const std::string& text) {
    int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// One argument quoted as the command-line parsers of Windows (and Wine's) split it back.
std::string Quote(const std::string& arg) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

} // namespace

std::string MakeScratchFolder(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    for (;;) {
        std::string folder = std::string(kScratchRoot) + "\\" + prefix + "-" + std::to_string(::GetCurrentProcessId()) +
                             "-" + std::to_string(counter++);
        if (std::filesystem::create_directory(folder))
            return folder;
    }
}

std::string GatewaySim::SimPath(const std::string& path) {
    if (path.rfind("Z:\\", 0) != 0)
        return path;
    std::string unix = path.substr(2);
    for (char& c : unix)
        if (c == '\\')
            c = '/';
    return unix;
}

void GatewaySim::Launch(std::vector<std::string> args) {
    HANDLE alive = ::CreateFileW(Wide(folder + "\\alive").c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (alive == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << folder << "\\alive: error " << ::GetLastError();
        return;
    }
    std::string command = Quote(kShell) + " -c " + Quote(kSupervisor) + " sh";
    command += " " + Quote(args[0]) + " " + Quote(SimPath(folder));
    for (std::size_t i = 1; i < args.size(); ++i)
        command += " " + Quote(args[i]);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring line = Wide(command);
    if (!::CreateProcessW(Wide(kShell).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        ADD_FAILURE() << "the simulator's shell did not start (" << kShell << "): error " << ::GetLastError();
        ::CloseHandle(alive);
        return;
    }
    if (info.hProcess)
        ::CloseHandle(info.hProcess);
    if (info.hThread)
        ::CloseHandle(info.hThread);
    process = reinterpret_cast<std::intptr_t>(alive);
}

void GatewaySim::Stop() {
    if (process == -1)
        return;
    ::CloseHandle(reinterpret_cast<HANDLE>(process));
    process = -1;
    // The simulator writes into the folder until it is gone.
    for (int i = 0; i < 500 && !std::filesystem::exists(folder + "/stopped"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

} // namespace vornalix::web::test
