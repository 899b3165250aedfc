#pragma once
// The normal path's HTTP client: one connection to the gateway's web interface, reused by every
// request, and what the exchanges learn (address, versions) and need (firmware path, progress page).
#include "common/Prompt.h"
#include "web/GatewayTimings.h"
#include "web/NetworkFailure.h"
#include "web/PasswordPrompt.h"
#include "web/UploadStatusSink.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vornalix::web {

inline constexpr std::string_view kCommonHeaders = "Accept: text/*\r\nUser-Agent: Vornalix\r\n";
inline constexpr std::string_view kBoundary = "---------------------------7d12ee23fe0";
inline constexpr std::uint64_t kLegacyImageSize = 0xD0000;

class GatewayHttpSession {
public:
    using ThreadProcedure = int (*)(GatewayHttpSession*);
    // Called on the waiting thread about every 20 ms while a request of the address check or the
    // information query is under way (the GUI processes its events there); false gives up: the
    // request is aborted and the operation returns -1 without a message.
    using WaitHook = std::function<bool()>;

    GatewayHttpSession();
    virtual ~GatewayHttpSession();
    GatewayHttpSession(const GatewayHttpSession&) = delete;
    GatewayHttpSession& operator=(const GatewayHttpSession&) = delete;

    // Accepts an http URL (blanks around it ignored) and tests that the gateway answers; 0 or -1
    // (the user has been told why, unless whileWaiting gave up).
    int CheckGatewayUrl(const std::string& url, common::Prompt& prompt, const WaitHook& whileWaiting = {});

    // GET "/" on the session's connection: 0 for any HTTP answer, -1 (with lastError) otherwise.
    static int TestConnection(GatewayHttpSession* session);
    // Runs procedure on a worker thread up to attempts times, each limited to limit; a timed-out
    // attempt is aborted and joined before the next one starts.
    int RunWithTimeout(ThreadProcedure procedure, int attempts, std::chrono::milliseconds limit, common::Prompt& prompt,
                       const WaitHook& whileWaiting = {});
    // The three-paragraph message naming serverName. It opens with the time-out sentence, except
    // for an answer that broke off or was not HTTP, which opens with the sentence of its class.
    std::string ConnectionFailureText(NetworkFailure failure = NetworkFailure::TimedOut) const;

    // Reads "/_SystemInfo.htm" into hardwareVersion and softwareVersion (as UTF-8); 0 or -1.
    // Runs on the calling thread; whileWaiting is called there while the network is awaited.
    int QuerySystemInfo(std::string& hardwareOut, std::string& softwareOut, common::Prompt& prompt,
                        PasswordPrompt& passwordPrompt, const WaitHook& whileWaiting = {});

    // Starts the upload worker, which reports to page and shows boxes through prompt; 0 or -1.
    int StartUpload(UploadStatusSink& page, common::Prompt& prompt);
    // Waits until the upload worker (if any) has ended.
    void JoinWorker();
    static int UploadWorker(GatewayHttpSession* session);
    int UploadFirmware();
    int PostForm(std::string_view body);
    int ProgramFlash();
    int RestartGateway();
    int WaitForRestart();

    std::string softwareVersion;
    std::string hardwareVersion;
    std::string firmwarePath;
    UploadStatusSink* progressPage = nullptr;
    std::string gatewayUrl;
    std::string serverName;
    std::uint16_t serverPort = 0;
    std::string lastError;
    GatewayTimings timings;

private:
    struct Exchange {
        std::string_view method = "GET";
        std::string_view path = "/";
        std::vector<std::string> headers; // after kCommonHeaders
        bool hasBody = false;
        std::uint64_t bodyLength = 0;
        std::function<std::size_t(char*, std::size_t)> readBody; // returns UploadBody::kReadFailed to abort
        std::function<bool()> rewindBody;                        // back to the first byte, when the library resends
        std::function<void(const char*, std::size_t)> onBody;    // response body; default: discarded
        std::function<void()> onNewResponse;                     // each status line, interim ones included
        std::chrono::milliseconds limit{0};                      // overall limit; 0: none
        std::size_t answerLimit = 0;                             // most body bytes of one answer; 0: no limit
        bool challengeAuth = false; // offer user/password when challenged (Basic or Digest)
        std::string user;
        std::string password;
    };
    struct ExchangeResult {
        int code = 0; // CURLcode
        long osErrno = 0;
        long status = 0;
        bool gaveUp = false;   // the wait hook gave up
        std::string errorText; // libcurl's own, for the log
        bool Completed() const { return code == 0; }
    };

    void EnsureConnection();
    void CloseRequest();
    void CloseConnection();
    ExchangeResult Perform(const Exchange& exchange);
    // From another thread: makes the request in progress (or the next one) fail at once.
    void AbortRequest();
    std::string BuildPartHeader() const;
    void ShowFileError(int error);
    void ReportProgress(std::uint64_t written, std::uint64_t declared);

    void* connection = nullptr; // CURLM*: owns the connection cache
    void* request = nullptr;    // CURL*: the easy handle every request uses
    std::mutex connectionMutex; // guards connection against AbortRequest
    std::atomic<bool> abortRequested{false};
    const WaitHook* waitHook = nullptr; // set while QuerySystemInfo runs
    std::jthread workerThread;
    common::Prompt* workerPrompt = nullptr;
    // Credentials the gateway accepted by Basic authentication; sent with every later request.
    bool sendCredentials = false;
    std::string acceptedUser;
    std::string acceptedPassword;
    int lastPercent = -1;
};

} // namespace vornalix::web
