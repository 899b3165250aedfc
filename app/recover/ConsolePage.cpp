#include "app/recover/ConsolePage.h"

#include "recovery/BootReplyServer.h"
#include "recovery/TftpServer.h"

using namespace vornalix::recovery;

void ConsolePage::SetServers(BootReplyServer* boot, TftpServer* tftp) {
    std::lock_guard lock(serversMutex);
    bootServer = boot;
    tftpServer = tftp;
}

void ConsolePage::Close() {
    std::scoped_lock lock(serversMutex, mutex);
    bootServer = nullptr;
    tftpServer = nullptr;
    closed = true;
}

std::optional<TransferOutcome> ConsolePage::Result() const {
    std::lock_guard lock(mutex);
    return result;
}

void ConsolePage::SetTitleText(const std::string& text) {
    std::lock_guard lock(mutex);
    titleText = text;
}

void ConsolePage::SetStatusText(const std::string& text) {
    std::lock_guard lock(mutex);
    statusText = text;
}

void ConsolePage::SetPeerText(const std::string& text) {
    std::lock_guard lock(mutex);
    peerText = text;
}

void ConsolePage::InvalidateTitle() {
    std::lock_guard lock(mutex);
    if (titleText != shownTitle)
        Line("title: " + (shownTitle = titleText));
}

void ConsolePage::PostUpdate() {
    std::lock_guard lock(mutex);
    if (titleText != shownTitle)
        Line("title: " + (shownTitle = titleText));
    if (statusText != shownStatus)
        Line("status: " + (shownStatus = statusText));
    if (peerText != shownPeer)
        Line("peer: " + (shownPeer = peerText));
}

void ConsolePage::SetProgressRange(int low, int high) {
    std::lock_guard lock(mutex);
    progressBar.SetRange(low, high);
    ShowProgressLocked();
}

void ConsolePage::SetProgressStep(int step) {
    std::lock_guard lock(mutex);
    progressBar.SetStep(step);
}

void ConsolePage::SetProgressPos(int position) {
    std::lock_guard lock(mutex);
    progressBar.SetPos(position);
    ShowProgressLocked();
}

void ConsolePage::DisableBackAndCancel() {
    std::lock_guard lock(mutex);
    if (!buttonsDisabled)
        Line("buttons: Back and Cancel disabled");
    buttonsDisabled = true;
}

void ConsolePage::FinishTransfer(TransferOutcome outcome) {
    {
        // Stopping waits for the server threads, which never call into the page.
        std::lock_guard lock(serversMutex);
        if (bootServer != nullptr)
            bootServer->Stop();
        if (tftpServer != nullptr)
            tftpServer->Stop();
    }
    std::lock_guard lock(mutex);
    if (!result) {
        result = outcome;
        Line(outcome == TransferOutcome::Succeeded ? "result: the firmware was transferred"
             : outcome == TransferOutcome::Failed  ? "result: the transfer failed"
                                                   : "result: the firmware was sent, but the gateway did not confirm "
                                                     "the last part; its TEST LED tells whether it took the update");
    }
}

void ConsolePage::Line(const std::string& text) {
    if (closed)
        return;
    std::fprintf(out, "%s\n", text.c_str());
    std::fflush(out);
}

void ConsolePage::ShowProgressLocked() {
    const std::string text = "progress: " + std::to_string(progressBar.pos() - progressBar.low()) + "/" +
                             std::to_string(progressBar.high() - progressBar.low());
    if (text != shownProgress)
        Line(shownProgress = text);
}
