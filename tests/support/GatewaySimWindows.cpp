// Under Wine, CreateProcessW starts a Linux program as a Unix process of its own but hands back
// no process handle: the simulator runs under a shell that stops it when our end of its standard
// input closes (this object's end, or the test program's exit), then leaves a mark.
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
// $1 the simulator, $2 the mark, then its switches.
constexpr const char* kSupervisor = "sim=$1 mark=$2; shift 2; \"$sim\" \"$@\" </dev/null & pid=$!; "
                                    "cat >/dev/null; kill $pid; wait $pid; : >\"$mark\"";

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

std::string MarkPath(const std::string& folder) {
    return folder + "/stopped";
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
    std::string unix = path.substr(path.rfind("Z:", 0) == 0 ? 2 : 0);
    for (char& c : unix)
        if (c == '\\')
            c = '/';
    return unix;
}

void GatewaySim::Launch(std::vector<std::string> args) {
    std::string command = Quote(kShell) + " -c " + Quote(kSupervisor) + " sh";
    command += " " + Quote(args[0]) + " " + Quote(SimPath(MarkPath(folder)));
    for (std::size_t i = 1; i < args.size(); ++i)
        command += " " + Quote(args[i]);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed: " << ::GetLastError();
        return;
    }
    ::SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::wstring line = Wide(command);
    BOOL started = ::CreateProcessW(Wide(kShell).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                    &startup, &info);
    DWORD error = ::GetLastError();
    ::CloseHandle(readEnd);
    if (!started) {
        ::CloseHandle(writeEnd);
        ADD_FAILURE() << "the simulator's shell did not start (" << kShell << "): error " << error;
        return;
    }
    if (info.hProcess)
        ::CloseHandle(info.hProcess);
    if (info.hThread)
        ::CloseHandle(info.hThread);
    process = reinterpret_cast<std::intptr_t>(writeEnd);
}

void GatewaySim::Stop() {
    if (process == -1)
        return;
    ::CloseHandle(reinterpret_cast<HANDLE>(process));
    process = -1;
    // The simulator writes into the folder until it is gone.
    for (int i = 0; i < 500 && !std::filesystem::exists(MarkPath(folder)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

} // namespace vornalix::web::test
