#include "web/GatewayHttpSession.h"

#include "web/NetworkFailure.h"
#include "web/UploadBody.h"

#include <curl/curl.h>

#include <cstring>
#include <mutex>

namespace vornalix::web {

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CallState {
    const std::function<std::size_t(char*, std::size_t)>* readBody;
    const std::function<void(const char*, std::size_t)>* onBody;
    const std::function<void()>* onNewResponse;
    const std::function<bool()>* rewindBody;
    std::size_t answerLimit = 0;
    std::size_t answerBytes = 0;
    bool readFailed = false;
};

std::size_t WriteCallback(char* data, std::size_t size, std::size_t count, void* user) {
    auto* state = static_cast<CallState*>(user);
    state->answerBytes += size * count;
    // An answer longer than any page of the gateway's is not read on: it fails the request.
    if (state->answerLimit && state->answerBytes > state->answerLimit)
        return 0;
    if (*state->onBody)
        (*state->onBody)(data, size * count);
    return size * count;
}

std::size_t ReadCallback(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* state = static_cast<CallState*>(user);
    std::size_t got = (*state->readBody)(buffer, size * count);
    if (got == UploadBody::kReadFailed) {
        state->readFailed = true;
        return CURL_READFUNC_ABORT;
    }
    return got;
}

int SeekCallback(void* user, curl_off_t offset, int origin) {
    auto* state = static_cast<CallState*>(user);
    if (offset == 0 && origin == SEEK_SET && *state->rewindBody && (*state->rewindBody)())
        return CURL_SEEKFUNC_OK;
    return CURL_SEEKFUNC_CANTSEEK;
}

std::size_t HeaderCallback(char* data, std::size_t size, std::size_t count, void* user) {
    auto* state = static_cast<CallState*>(user);
    if (size * count >= 5 && std::memcmp(data, "HTTP/", 5) == 0) {
        state->answerBytes = 0;
        if (*state->onNewResponse)
            (*state->onNewResponse)();
    }
    return size * count;
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void Add(const std::string& line) { list = curl_slist_append(list, line.c_str()); }
};

} // namespace

GatewayHttpSession::GatewayHttpSession() {
    InitCurlOnce();
}

GatewayHttpSession::~GatewayHttpSession() {
    JoinWorker();
    CloseRequest();
    CloseConnection();
}

void GatewayHttpSession::EnsureConnection() {
    std::lock_guard lock(connectionMutex);
    if (!connection)
        connection = curl_multi_init();
    if (!request)
        request = curl_easy_init();
}

void GatewayHttpSession::CloseRequest() {
    // Perform detaches the request from the connection before it returns; nothing stays open.
}

void GatewayHttpSession::CloseConnection() {
    std::lock_guard lock(connectionMutex);
    if (request)
        curl_easy_cleanup(static_cast<CURL*>(request));
    if (connection)
        curl_multi_cleanup(static_cast<CURLM*>(connection));
    request = nullptr;
    connection = nullptr;
}

void GatewayHttpSession::AbortRequest() {
    abortRequested = true;
    std::lock_guard lock(connectionMutex);
    if (connection)
        curl_multi_wakeup(static_cast<CURLM*>(connection));
}

GatewayHttpSession::ExchangeResult GatewayHttpSession::Perform(const Exchange& exchange) {
    ExchangeResult result;
    if (abortRequested) {
        result.code = CURLE_ABORTED_BY_CALLBACK;
        result.errorText = curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK);
        return result;
    }
    EnsureConnection();
    auto* multi = static_cast<CURLM*>(connection);
    auto* easy = static_cast<CURL*>(request);
    if (!multi || !easy) {
        result.code = CURLE_OUT_OF_MEMORY;
        result.errorText = curl_easy_strerror(CURLE_OUT_OF_MEMORY);
        return result;
    }

    curl_easy_reset(easy);
    std::string url = "http://" + serverName + ":" + std::to_string(serverPort) + std::string(exchange.path);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CallState state{&exchange.readBody, &exchange.onBody, &exchange.onNewResponse, &exchange.rewindBody,
                    exchange.answerLimit};

    HeaderList headers;
    for (std::string_view rest = kCommonHeaders; !rest.empty();) {
        std::size_t end = rest.find("\r\n");
        headers.Add(std::string(rest.substr(0, end)));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
    }
    bool hasContentType = false;
    for (const std::string& line : exchange.headers) {
        headers.Add(line);
        hasContentType = hasContentType || line.rfind("Content-Type:", 0) == 0;
    }
    if (exchange.hasBody) {
        headers.Add("Expect:");
        if (!hasContentType)
            headers.Add("Content-Type:");
    }

    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, HeaderCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state);
    if (exchange.hasBody) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(exchange.bodyLength));
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, ReadCallback);
        curl_easy_setopt(easy, CURLOPT_READDATA, &state);
        curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, SeekCallback);
        curl_easy_setopt(easy, CURLOPT_SEEKDATA, &state);
        // A fixed buffer: fewer, larger sends; memory stays independent of the body's length.
        curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, 256L * 1024);
    } else {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }
    if (timings.stallLimit.count() > 0) {
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timings.stallLimit.count()));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timings.stallLimit.count()));
    }
    if (exchange.limit.count() > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(exchange.limit.count()));
    if (exchange.challengeAuth) {
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
        curl_easy_setopt(easy, CURLOPT_USERNAME, exchange.user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, exchange.password.c_str());
    } else if (sendCredentials) {
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(easy, CURLOPT_USERNAME, acceptedUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, acceptedPassword.c_str());
    }

    curl_multi_add_handle(multi, easy);
    bool aborted = false;
    CURLMcode multiCode = CURLM_OK;
    for (;;) {
        if (abortRequested) {
            aborted = true;
            break;
        }
        int running = 0;
        multiCode = curl_multi_perform(multi, &running);
        if (multiCode != CURLM_OK || running == 0)
            break;
        multiCode = curl_multi_poll(multi, nullptr, 0, waitHook ? 20 : 1000, nullptr);
        if (multiCode != CURLM_OK)
            break;
        if (waitHook && !(*waitHook)()) {
            aborted = result.gaveUp = true;
            break;
        }
    }

    CURLcode code = CURLE_OK;
    if (aborted) {
        code = CURLE_ABORTED_BY_CALLBACK;
    } else if (multiCode != CURLM_OK) {
        code = CURLE_RECV_ERROR;
        std::snprintf(errorBuffer, sizeof errorBuffer, "%s", curl_multi_strerror(multiCode));
    } else {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
                code = message->data.result;
    }
    if (code == CURLE_OK)
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
    else
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &result.osErrno);
    curl_multi_remove_handle(multi, easy);
    // The error buffer and the header list die with this frame.
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);

    result.code = code;
    if (code != CURLE_OK)
        result.errorText = errorBuffer[0] && !aborted ? errorBuffer : curl_easy_strerror(code);
    if (state.readFailed)
        result.code = CURLE_ABORTED_BY_CALLBACK;
    if (result.code != CURLE_OK && !result.gaveUp)
        LogNetworkFailure(std::string(exchange.method) + " " + std::string(exchange.path), result.code, result.osErrno,
                          result.errorText);
    CloseRequest();
    return result;
}

} // namespace vornalix::web
