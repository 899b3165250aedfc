#pragma once
// The transfer page as lines on a terminal: every change of a text, of the progress or of the buttons is one
// line. FinishTransfer stops both servers, as the page does, and records the result. The TFTP sessions hold it
// and may outlive main's servers and output: see Close.
#include "common/ProgressBarState.h"
#include "recovery/ProgressPage.h"

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

namespace vornalix::recovery {
class BootReplyServer;
class TftpServer;
} // namespace vornalix::recovery

class ConsolePage : public vornalix::recovery::ProgressPage {
public:
    explicit ConsolePage(std::FILE* out) : out(out) {}

    void SetServers(vornalix::recovery::BootReplyServer* boot, vornalix::recovery::TftpServer* tftp);
    // From now on the page shows nothing and stops no server; waits for a FinishTransfer that is stopping them.
    void Close();
    // The transfer's outcome once FinishTransfer was called.
    std::optional<vornalix::recovery::TransferOutcome> Result() const;

    void SetTitleText(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void SetPeerText(const std::string& text) override;
    void InvalidateTitle() override;
    void PostUpdate() override;
    void SetProgressRange(int low, int high) override;
    void SetProgressStep(int step) override;
    void SetProgressPos(int position) override;
    void DisableBackAndCancel() override;
    void FinishTransfer(vornalix::recovery::TransferOutcome outcome) override;

private:
    void Line(const std::string& text);
    void ShowProgressLocked();

    std::FILE* out;
    mutable std::mutex mutex;
    std::mutex serversMutex; // held while FinishTransfer stops the servers
    vornalix::recovery::BootReplyServer* bootServer = nullptr;
    vornalix::recovery::TftpServer* tftpServer = nullptr;
    std::string titleText, statusText, peerText;
    std::string shownTitle, shownStatus, shownPeer;
    vornalix::common::ProgressBarState progressBar;
    std::string shownProgress;
    bool buttonsDisabled = false;
    bool closed = false;
    std::optional<vornalix::recovery::TransferOutcome> result;
};
