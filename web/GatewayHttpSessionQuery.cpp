// Address check, reachability test and the system-information query.
#include "res/Resources.h"
#include "web/BodyLineReader.h"
#include "web/GatewayHttpSession.h"
#include "web/GatewayUrl.h"
#include "web/NetworkFailure.h"
#include "web/SystemInfoText.h"

#include "res/Resources.h"

#include <curl/curl.h>

#include <algorithm>
#include <future>
#include <system_error>

namespace vornalix::web {

using common::IDRETRY;
using common::MB_ICONEXCLAMATION;
using common::MB_ICONINFORMATION;
using common::MB_OK;
using common::MB_RETRYCANCEL;

namespace {

constexpr const char* kHttpOnlyText =
    "Error: can only use URLs beginning with http://.\nPlease reinput the correct Gateway's URL.";
constexpr const char* kAccessDeniedText = "Access denied: Invalid password\n";
constexpr const char* kAccessFailedText = "Error: fail to access Gateway!\n";
constexpr int kPasswordAttempts = 4;
// The page is small; a longer answer is not the gateway's page and fails the query.
constexpr std::size_t kMaxPageText = 1 << 20;
constexpr auto kWaitStep = std::chrono::milliseconds(20);

std::string TrimBlanks(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

std::string GatewayHttpSession::ConnectionFailureText(NetworkFailure failure) const {
    // A gateway that connected and then answered badly did not time out: say what happened.
    bool answeredBadly = failure == NetworkFailure::Reset || failure == NetworkFailure::ProtocolError;
    std::string first = answeredBadly ? FailureSentence(failure) : res::LoadString(res::StringId::OperationTimedOut);
    return first + "\n\n" + res::LoadString(res::StringId::CouldNotConnectPrefix) + serverName + "\n\n" +
           res::LoadString(res::StringId::CheckAddressAdvice);
}

int GatewayHttpSession::CheckGatewayUrl(const std::string& typed, common::Prompt& prompt,
                                        const WaitHook& whileWaiting) {
    // A blank picked up with a pasted address is not part of it.
    std::string url = TrimBlanks(typed);
    std::optional<GatewayUrl> parsed = GatewayUrl::Parse(url);
    if (parsed) {
        serverName = parsed->host;
        serverPort = parsed->port;
    }
    if (!parsed || !parsed->IsHttp()) {
        prompt.MessageBox(kHttpOnlyText, MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    gatewayUrl = url;
    return RunWithTimeout(&GatewayHttpSession::TestConnection, 1, timings.reachabilityLimit, prompt, whileWaiting);
}

int GatewayHttpSession::TestConnection(GatewayHttpSession* session) {
    Exchange exchange;
    exchange.path = "/";
    ExchangeResult result = session->Perform(exchange);
    if (result.Completed())
        return 0;
    session->lastError = ConnectionErrorText(result.code, result.osErrno);
    session->CloseRequest();
    session->CloseConnection();
    return -1;
}

int GatewayHttpSession::RunWithTimeout(ThreadProcedure procedure, int attempts, std::chrono::milliseconds limit,
                                       common::Prompt& prompt, const WaitHook& whileWaiting) {
    int lastExitCode = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        lastExitCode = 0;
        abortRequested = false;
        std::packaged_task<int(GatewayHttpSession*)> task(procedure);
        std::future<int> exitCode = task.get_future();
        std::jthread worker;
        try {
            worker = std::jthread(std::move(task), this);
        } catch (const std::system_error& error) {
            prompt.MessageBox(res::FormatString(res::StringId::NoWorkerThread, {std::to_string(error.code().value())}),
                              MB_OK | MB_ICONINFORMATION);
            return -1;
        }
        auto deadline = std::chrono::steady_clock::now() + limit;
        bool gaveUp = false;
        bool timedOut = false;
        while (!gaveUp && !timedOut) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                timedOut = exitCode.wait_for(std::chrono::milliseconds(0)) == std::future_status::timeout;
                break;
            }
            if (exitCode.wait_for(whileWaiting ? std::min(left, kWaitStep) : left) == std::future_status::ready)
                break;
            gaveUp = whileWaiting && !whileWaiting();
        }
        if (gaveUp || timedOut) {
            AbortRequest();
            worker.join();
            abortRequested = false;
            if (gaveUp)
                return -1;
            continue;
        }
        worker.join();
        int code = exitCode.get();
        if (code == 0)
            return 0;
        lastExitCode = code;
        if (prompt.MessageBox(lastError, MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY)
            return -1;
    }
    if (lastExitCode != 0)
        return -1;
    lastError = ConnectionFailureText();
    prompt.MessageBox(lastError, MB_OK | MB_ICONEXCLAMATION);
    return -1;
}

int GatewayHttpSession::QuerySystemInfo(std::string& hardwareOut, std::string& softwareOut, common::Prompt& prompt,
                                        PasswordPrompt& passwordPrompt, const WaitHook& whileWaiting) {
    // An open tag carries over between the lines of this page only: a page cut off inside a tag
    // must not blank the next query.
    bool inTag = false;
    std::string pageText;
    BodyLineReader reader([&](std::string& line) {
        StripTags(line, inTag);
        pageText += line;
    });
    waitHook = whileWaiting ? &whileWaiting : nullptr;
    struct HookReset {
        const WaitHook*& hook;
        ~HookReset() { hook = nullptr; }
    } hookReset{waitHook};

    Exchange exchange;
    exchange.path = "/_SystemInfo.htm";
    exchange.limit = timings.infoLimit;
    exchange.answerLimit = kMaxPageText;
    exchange.challengeAuth = true;
    exchange.user = "default";
    exchange.password = "";
    exchange.onNewResponse = [&] {
        reader.Reset();
        pageText.clear();
        inTag = false;
    };
    exchange.onBody = [&](const char* data, std::size_t size) { reader.Feed(data, size); };

    ExchangeResult result = Perform(exchange);
    for (int asked = 0; result.Completed() && result.status == 401 && asked < kPasswordAttempts; ++asked) {
        if (passwordPrompt.AskPassword(exchange.user, exchange.password) != PasswordChoice::Retry)
            break;
        result = Perform(exchange);
    }
    if (!result.Completed()) {
        if (!result.gaveUp)
            prompt.MessageBox(ConnectionFailureText(ClassifyFailure(result.code, result.osErrno)),
                              MB_OK | MB_ICONEXCLAMATION);
        CloseRequest();
        CloseConnection();
        return -1;
    }
    if (result.status == 401) {
        prompt.MessageBox(kAccessDeniedText, MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    if (result.status != 200) {
        prompt.MessageBox(kAccessFailedText, MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    reader.Finish();

    // Later requests (the upload and the forms) carry the credentials the gateway accepted.
    long offered = 0;
    if (request)
        curl_easy_getinfo(static_cast<CURL*>(request), CURLINFO_HTTPAUTH_AVAIL, &offered);
    sendCredentials = (offered & CURLAUTH_BASIC) != 0;
    acceptedUser = exchange.user;
    acceptedPassword = exchange.password;

    bool utf8 = IsValidUtf8(pageText);
    auto extract = [&](std::string_view english, std::string_view sjis, std::string_view utf8Label) {
        std::string value = ExtractField(pageText, english);
        if (value.empty())
            value = ExtractField(pageText, utf8 ? utf8Label : sjis);
        return utf8 ? value : ShiftJisToUtf8(value);
    };
    hardwareVersion = extract(kHardwareLabel, kHardwareLabelSjis, kHardwareLabelUtf8);
    hardwareOut = hardwareVersion;
    softwareVersion = extract(kSoftwareLabel, kSoftwareLabelSjis, kSoftwareLabelUtf8);
    softwareOut = softwareVersion;
    return 0;
}

} // namespace vornalix::web
