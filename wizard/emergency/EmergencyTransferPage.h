#pragma once
// Dialog 104: open while the gateway's boot loader fetches the firmware. Opening starts the BOOTP responder and
// the TFTP server on the chosen address; the TFTP sessions fill the texts and the progress bar and end the page
// through FinishTransfer. Results: 1 the firmware was fetched, 4 the transfer failed, 5 the firmware was sent
// but its last part never acknowledged, 2 Cancel, 1034 Back.
// Both servers are stopped on every way out.
#include "common/ProgressBarState.h"
#include "hostnet/AdapterPrivilege.h"
#include "recovery/BootReplyServer.h"
#include "recovery/ListenStatus.h"
#include "recovery/ProgressPage.h"
#include "recovery/TftpServer.h"
#include "wizard/PageResult.h"
#include "wizard/WizardPage.h"

#include <memory>
#include <string>

namespace vornalix::wizard {

class EmergencyTransferPage : public wizard::WizardPage {
public:
    static constexpr int kTemplateId = 104;
    static constexpr int IDC_PROGRESS = 1005;
    static constexpr int IDC_UPDATE = 1008;
    static constexpr int IDC_STATUS = 1011;
    static constexpr int IDC_PEER = 1014;
    static constexpr int IDC_DL_FAIL = 1010;
    static constexpr int IDC_SUCCESS = 1;
    // No control: the command that FinishTransfer posts for a transfer sent but not confirmed.
    static constexpr int IDC_NOT_CONFIRMED = 1040;
    static constexpr int kTransferFailed = PageResult::TransferFailed;
    static constexpr int kTransferNotConfirmed = PageResult::TransferNotConfirmed;
    // The start-up timer shows the waiting texts; the watch timer looks after the adapter's holder.
    static constexpr int kStartTimer = 1;
    static constexpr int kWatchTimer = 2;
    static constexpr int kStartTimerMs = 100;

    struct Options {
        recovery::TftpTimings timings{};
        // false: the page opens without servers (a picture of the page, not a transfer).
        bool startServers = true;
        // Who holds the adapter and opens the ports (nullptr: the process's helper).
        std::shared_ptr<hostnet::AdapterPrivilege> privilege;
    };
    // How often the page looks whether the adapter's holder is still there.
    static constexpr int kHolderWatchMs = 500;

    EmergencyTransferPage(std::string firmwarePath, in_addr_t serverAddress);
    EmergencyTransferPage(std::string firmwarePath, in_addr_t serverAddress, Options options);
    ~EmergencyTransferPage() override;

    std::string BannerTitle() const override;

    // The adapter to hold while the page is open: its address is kept through the gateway's power cycle and,
    // when temporaryAddress, a link-local address is given to it for the transfer (serverAddress then becomes
    // that address), and the servers listen on ports that the holder opened on it. Undone on every way out.
    // Call before the page opens; without a call (or with an empty name) nothing is held and the servers open
    // their ports themselves.
    void HoldAdapter(std::string interfaceName, std::uint32_t interfaceIndex, bool temporaryAddress);
    // What HoldAdapter was given: "name index" and " temporary" when the address is added; "" when nothing.
    std::string HeldAdapter() const;

    // What the servers said when the page started them (NotStarted before).
    recovery::ListenStatus BootStatus() const { return bootStatus; }
    recovery::ListenStatus TftpStatus() const { return tftpStatus; }
    // Whether a server's thread is still running (false once stopped or never started).
    bool BootServerRunning() const;
    bool TftpServerRunning() const;
    const common::ProgressBarState& ProgressBar() const { return progressBar; }

    // The page as the TFTP sessions see it, called on their own threads. It keeps the texts and reaches the page
    // only through the page's GuiThread: once the page has closed, no call reaches it and none waits for it.
    std::shared_ptr<recovery::ProgressPage> SessionPage() const;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnCancel() override;
    void OnDestroy() override;
    void DoDataExchange(bool saveAndValidate) override;
    void OnTimer(int timerId) override;

private:
    // Asks for the adapter to be held; HoldEnded follows on the GUI thread (never after the page has closed).
    void BeginHold();
    void HoldEnded();
    // The texts of the waiting page, or why it cannot wait for the gateway.
    void ShowStartTexts();
    // The holder went away during the transfer: the servers stop and the page ends as failed.
    void HolderLost();
    void StartServers();
    void StopServers();
    // Stops both servers and detaches the sessions, serving the GUI meanwhile.
    void Shutdown();
    void KillStartTimer();
    void KillWatchTimer();
    // The texts that tell why a server does not listen; empty when both do.
    std::string ListenFailureText(int which) const;

    const std::string firmwarePath;
    in_addr_t serverAddress;
    const Options options;

    class Reporter;
    const std::shared_ptr<Reporter> reporter;

    std::string holdInterface;
    std::uint32_t holdIndex = 0;
    bool holdTemporaryAddress = false;
    std::shared_ptr<hostnet::AdapterPrivilege> privilege; // set while the adapter is held
    hostnet::HeldAdapter held;
    std::string holdFailure;
    bool holdPending = false;
    struct PendingHold;
    std::shared_ptr<PendingHold> pendingHold;
    bool watching = false; // the holder watch timer runs

    std::unique_ptr<recovery::BootReplyServer> bootServer;
    std::unique_ptr<recovery::TftpServer> tftpServer;
    recovery::ListenStatus bootStatus;
    recovery::ListenStatus tftpStatus;
    bool startPending = false;            // the start-up timer runs
    common::ProgressBarState progressBar; // GUI thread only
    // The command FinishTransfer posted (1, 1010 or 1040), 0 before: only that command ends the page. GUI thread
    // only.
    int finishCommand = 0;
    bool shutDown = false;
};

} // namespace vornalix::wizard
