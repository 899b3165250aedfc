// The upload worker: firmware upload, programming and restart requests, restart check.
#include "res/Resources.h"
#include "web/FirmwareFile.h"
#include "web/GatewayHttpSession.h"
#include "web/UploadBody.h"
#include "web/UploadStatus.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <system_error>

namespace vornalix::web {

using common::MB_ICONEXCLAMATION;
using common::MB_ICONINFORMATION;
using common::MB_OK;

namespace {

constexpr std::string_view kFormPath = "/post-query";
constexpr std::string_view kProgramBody = "Load=T&ButtonUpgrade=1&POST_END=1";
constexpr std::string_view kRestartBody = "Load=S&Reboot=Execute";
constexpr int kFormAttempts = 3;
// The gateway answers the upload and the forms with a short page.
constexpr std::size_t kMaxAnswer = 1 << 20;

} // namespace

int GatewayHttpSession::StartUpload(UploadStatusSink& page, common::Prompt& prompt) {
    JoinWorker();
    progressPage = &page;
    workerPrompt = &prompt;
    try {
        workerThread = std::jthread(&GatewayHttpSession::UploadWorker, this);
    } catch (const std::system_error& error) {
        prompt.MessageBox(res::FormatString(res::StringId::NoWorkerThread, {std::to_string(error.code().value())}),
                          MB_OK | MB_ICONINFORMATION);
        return -1;
    }
    return 0;
}

void GatewayHttpSession::JoinWorker() {
    if (workerThread.joinable())
        workerThread.join();
}

int GatewayHttpSession::UploadWorker(GatewayHttpSession* session) {
    UploadStatusSink& page = *session->progressPage;
    page.PostStatus(Uploading);
    if (session->UploadFirmware() != 0) {
        page.PostStatus(Failed);
        return -1;
    }
    page.PostStatus(Programming);
    std::this_thread::sleep_for(session->timings.programmingPause);
    if (session->ProgramFlash() != 0) {
        page.PostStatus(Failed);
        return -1;
    }
    page.PostStatus(Restarting);
    if (session->RestartGateway() != 0) {
        page.PostStatus(Failed);
        return -1;
    }
    std::this_thread::sleep_for(session->timings.restartSettle);
    page.PostStatus(CheckingRestart);
    std::this_thread::sleep_for(session->timings.restartCheckDelay);
    if (session->WaitForRestart() != 0) {
        page.PostStatus(Failed);
        return -1;
    }
    page.PostStatus(Succeeded);
    return 0;
}

std::string GatewayHttpSession::BuildPartHeader() const {
    return "--" + std::string(kBoundary) + "\r\n" +
           "Content-Disposition: form-data; name=\"FirmwareDownload\"; filename=\"" + firmwarePath + "\"\r\n\r\n";
}

void GatewayHttpSession::ShowFileError(int error) {
    std::string text = error ? res::FormatString(res::StringId::FileReadError, {firmwarePath, std::to_string(error)})
                             : res::FormatString(res::StringId::FileShrunk, {firmwarePath});
    if (workerPrompt)
        workerPrompt->MessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

void GatewayHttpSession::ReportProgress(std::uint64_t written, std::uint64_t declared) {
    int percent = declared ? static_cast<int>(written * 100 / declared) : 100;
    if (percent != lastPercent && progressPage) {
        lastPercent = percent;
        progressPage->SetProgressPos(percent);
    }
}

int GatewayHttpSession::UploadFirmware() {
    if (progressPage) {
        progressPage->SetProgressRange(0, 100);
        progressPage->SetProgressStep(1);
        progressPage->SetProgressPos(0);
        progressPage->EnableCancel(false);
    }
    lastPercent = 0;
    std::string partHeader = BuildPartHeader();

    // Nothing is sent for a file that cannot be opened, is not a regular file, or is empty.
    FirmwareFile file(firmwarePath);
    std::string problem;
    if (file.Error() != 0)
        problem = FileErrorText(firmwarePath, file.Error());
    else if (file.Size() == 0)
        problem = EmptyFileText(firmwarePath);
    std::uint64_t fileLength = file.Size();
    bool legacy =
        hardwareVersion.find("1.01") != std::string::npos && softwareVersion.find("R1.10") != std::string::npos;
    if (problem.empty() && legacy && fileLength > kLegacyImageSize)
        problem = res::FormatString(res::StringId::FileTooLarge,
                                    {firmwarePath, std::to_string(fileLength), std::to_string(kLegacyImageSize)});
    if (!problem.empty()) {
        if (workerPrompt)
            workerPrompt->MessageBox(problem, MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }

    UploadBody body(partHeader, file.Fd(), fileLength, legacy ? kLegacyImageSize : fileLength);
    std::uint64_t declared = body.DeclaredLength();
    body.onProgress = [this, declared](std::uint64_t written) { ReportProgress(written, declared); };

    Exchange exchange;
    exchange.method = "POST";
    exchange.path = kFormPath;
    exchange.headers.push_back("Content-Type: multipart/form-data; boundary=" + std::string(kBoundary));
    exchange.hasBody = true;
    exchange.bodyLength = declared;
    exchange.limit =
        timings.uploadLimit + std::chrono::seconds(declared / std::max<std::uint64_t>(timings.uploadBytesPerSecond, 1));
    exchange.answerLimit = kMaxAnswer;
    exchange.readBody = [&body](char* buffer, std::size_t size) { return body.Read(buffer, size); };
    exchange.rewindBody = [&body] { return body.Rewind(); };
    ExchangeResult result = Perform(exchange);
    if (body.Failed()) {
        // The gateway saw a body shorter than announced and must not program it.
        ShowFileError(body.FileError());
        CloseConnection();
        return -1;
    }
    if (!result.Completed()) {
        CloseConnection();
        return -1;
    }
    return result.status == 200 ? 0 : -1;
}

int GatewayHttpSession::PostForm(std::string_view form) {
    Exchange exchange;
    exchange.method = "POST";
    exchange.path = kFormPath;
    exchange.hasBody = true;
    exchange.bodyLength = form.size();
    exchange.limit = form == kProgramBody ? timings.programLimit : timings.restartFormLimit;
    exchange.answerLimit = kMaxAnswer;
    std::size_t offset = 0;
    exchange.rewindBody = [&offset] {
        offset = 0;
        return true;
    };
    for (int attempt = 0; attempt < kFormAttempts; ++attempt) {
        offset = 0;
        exchange.readBody = [&](char* buffer, std::size_t size) {
            std::size_t n = std::min(size, form.size() - offset);
            std::memcpy(buffer, form.data() + offset, n);
            offset += n;
            return n;
        };
        ExchangeResult result = Perform(exchange);
        if (result.Completed())
            return 0;
        CloseRequest();
        // A gateway that took the form and stays silent past the limit is not sent it again
        // (it may be writing its flash); a dropped connection is.
        if (result.code == CURLE_OPERATION_TIMEDOUT)
            break;
    }
    CloseConnection();
    return -1;
}

int GatewayHttpSession::ProgramFlash() {
    return PostForm(kProgramBody);
}

int GatewayHttpSession::RestartGateway() {
    return PostForm(kRestartBody);
}

int GatewayHttpSession::WaitForRestart() {
    if (!workerPrompt)
        return -1;
    return RunWithTimeout(&GatewayHttpSession::TestConnection, timings.restartAttempts, timings.reachabilityLimit,
                          *workerPrompt);
}

} // namespace vornalix::web
