#include "wizard/emergency/EmergencyTransferPage.h"

#include "common/DottedAddress.h"
#include "common/Socket.h"
#include "res/Resources.h"
#include "ui/GuiPrompt.h"
#include "ui/GuiThread.h"

#include <mutex>
#include <thread>
#include <utility>

namespace vornalix::wizard {

namespace {

EmergencyTransferPage& PageOf(ui::Dialog& dialog) {
    return static_cast<EmergencyTransferPage&>(dialog);
}

// Closes the ports a hold handed over that no server took, and ends the hold.
void GiveBackHold(hostnet::HeldAdapter& held, std::shared_ptr<hostnet::AdapterPrivilege>& holder) {
    for (int socket : {held.bootSocket, held.tftpSocket})
        if (socket >= 0)
            common::CloseSocket(static_cast<common::SocketHandle>(socket));
    held.bootSocket = held.tftpSocket = -1;
    if (holder)
        std::exchange(holder, nullptr)->End();
}

} // namespace

class EmergencyTransferPage::Reporter : public recovery::ProgressPage {
public:
    explicit Reporter(std::shared_ptr<ui::GuiThread> link) : link(std::move(link)) {}

    void SetTitleText(const std::string& text) override { SetText(titleText, text); }
    void SetStatusText(const std::string& text) override { SetText(statusText, text); }
    void SetPeerText(const std::string& text) override { SetText(peerText, text); }

    void InvalidateTitle() override {
        link->Post([](ui::Dialog& page) { page.Invalidate(); });
    }

    void PostUpdate() override { link->PostCommand(IDC_UPDATE); }

    void SetProgressRange(int low, int high) override {
        link->Call([low, high](ui::Dialog& dialog) {
            EmergencyTransferPage& page = PageOf(dialog);
            page.progressBar.SetRange(low, high);
            page.ShowProgress(IDC_PROGRESS, page.progressBar);
        });
    }

    void SetProgressStep(int step) override {
        link->Call([step](ui::Dialog& dialog) { PageOf(dialog).progressBar.SetStep(step); });
    }

    void SetProgressPos(int position) override {
        link->Call([position](ui::Dialog& dialog) {
            EmergencyTransferPage& page = PageOf(dialog);
            page.progressBar.SetPos(position);
            page.ShowProgress(IDC_PROGRESS, page.progressBar);
        });
    }

    void DisableBackAndCancel() override {
        link->Call([](ui::Dialog& page) {
            page.EnableItem(wizard::IDC_BACK, false);
            page.EnableItem(common::IDCANCEL, false);
        });
    }

    void FinishTransfer(recovery::TransferOutcome outcome) override {
        // Each Stop waits for that server's thread, which never calls into the page.
        link->Call([outcome](ui::Dialog& dialog) {
            EmergencyTransferPage& page = PageOf(dialog);
            page.StopServers();
            // The first transfer to end decides; a later one finds the page closing.
            if (page.finishCommand != 0)
                return;
            page.finishCommand = outcome == recovery::TransferOutcome::Succeeded ? IDC_SUCCESS
                                 : outcome == recovery::TransferOutcome::Failed  ? IDC_DL_FAIL
                                                                                 : IDC_NOT_CONFIRMED;
            page.Link()->PostCommand(page.finishCommand);
        });
    }

    mutable std::mutex mutex;
    std::string titleText;
    std::string statusText;
    std::string peerText;
    bool sessionTexts = false; // a session has written the texts

private:
    void SetText(std::string& field, const std::string& text) {
        if (!link->Attached())
            return;
        std::lock_guard lock(mutex);
        field = text;
        sessionTexts = true;
    }

    const std::shared_ptr<ui::GuiThread> link;
};

EmergencyTransferPage::EmergencyTransferPage(std::string firmwarePath, in_addr_t serverAddress)
    : EmergencyTransferPage(std::move(firmwarePath), serverAddress, Options{}) {}

EmergencyTransferPage::EmergencyTransferPage(std::string firmwarePath, in_addr_t serverAddress, Options options)
    : WizardPage(kTemplateId), firmwarePath(std::move(firmwarePath)), serverAddress(serverAddress), options(options),
      reporter(std::make_shared<Reporter>(Link())) {}

EmergencyTransferPage::~EmergencyTransferPage() {
    Shutdown();
}

std::string EmergencyTransferPage::BannerTitle() const {
    std::lock_guard lock(reporter->mutex);
    return reporter->titleText;
}

std::shared_ptr<recovery::ProgressPage> EmergencyTransferPage::SessionPage() const {
    return reporter;
}

bool EmergencyTransferPage::BootServerRunning() const {
    return bootServer && bootServer->Status().listening;
}

bool EmergencyTransferPage::TftpServerRunning() const {
    return tftpServer && tftpServer->Status().listening;
}

void EmergencyTransferPage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        return;
    std::string status, peer;
    {
        std::lock_guard lock(reporter->mutex);
        status = reporter->statusText;
        peer = reporter->peerText;
    }
    SetItemText(IDC_STATUS, status);
    SetItemText(IDC_PEER, peer);
}

bool EmergencyTransferPage::OnInitDialog() {
    {
        std::lock_guard lock(reporter->mutex);
        reporter->titleText = res::LoadString(res::StringId::RestartGatewayAgain);
    }
    WizardPage::OnInitDialog();
    if (options.startServers) {
        if (holdInterface.empty())
            StartServers();
        else
            BeginHold(); // the servers start once the adapter is held
    }
    UpdateData(false);
    SetTimer(kStartTimer, kStartTimerMs);
    startPending = true;
    return true;
}

void EmergencyTransferPage::HoldAdapter(std::string interfaceName, std::uint32_t interfaceIndex,
                                        bool temporaryAddress) {
    holdInterface = std::move(interfaceName);
    holdIndex = interfaceIndex;
    holdTemporaryAddress = temporaryAddress;
}

std::string EmergencyTransferPage::HeldAdapter() const {
    if (holdInterface.empty())
        return {};
    return holdInterface + " " + std::to_string(holdIndex) + (holdTemporaryAddress ? " temporary" : "");
}

// What the thread that asks for the hold shares with the page. Whoever comes last of the two (the answer, or
// the page closing before it took the answer) gives back what was held.
struct EmergencyTransferPage::PendingHold {
    std::mutex mutex;
    bool abandoned = false; // the page has closed
    bool answered = false;
    std::shared_ptr<hostnet::AdapterPrivilege> holder; // set when the adapter is held
    hostnet::HeldAdapter result;
    std::string failure;

    void GiveBack() { GiveBackHold(result, holder); }
};

void EmergencyTransferPage::BeginHold() {
    holdPending = true;
    const std::shared_ptr<hostnet::AdapterPrivilege> holder =
        options.privilege ? options.privilege : hostnet::SharedAdapterPrivilege();
    const std::string instead = hostnet::RecoverCommand(holdInterface, firmwarePath);
    pendingHold = std::make_shared<PendingHold>();
    // The holder may first ask for the administrator's password: the page does not wait for it.
    std::thread([holder, instead, pending = pendingHold, link = Link(), name = holdInterface,
                 address = holdTemporaryAddress ? 0 : serverAddress] {
        hostnet::HeldAdapter result;
        std::string failure;
        const bool ok = holder->Hold(name, address, instead, result, failure);
        std::lock_guard lock(pending->mutex);
        pending->answered = true;
        pending->holder = ok ? holder : nullptr;
        pending->result = result;
        pending->failure = failure;
        if (pending->abandoned || !link->Post([](ui::Dialog& dialog) { PageOf(dialog).HoldEnded(); }))
            pending->GiveBack();
    }).detach();
}

void EmergencyTransferPage::HoldEnded() {
    {
        std::lock_guard lock(pendingHold->mutex);
        if (!pendingHold->answered || pendingHold->abandoned)
            return;
        holdPending = false;
        held = pendingHold->result;
        holdFailure = pendingHold->failure;
        privilege = std::exchange(pendingHold->holder, nullptr);
        pendingHold->result = {};
    }
    if (privilege) {
        serverAddress = held.address;
        SetTimer(kWatchTimer, kHolderWatchMs);
        watching = true;
        StartServers();
    }
    // The page already shows its waiting texts: now they say what came of it.
    if (!startPending)
        ShowStartTexts();
}

void EmergencyTransferPage::HolderLost() {
    KillWatchTimer();
    StopServers();
    held.bootSocket = held.tftpSocket = -1;
    if (finishCommand != 0)
        return;
    ui::AppPrompt().MessageBox(
        res::FormatString(res::StringId::HelperEnded, {hostnet::RecoverCommand(holdInterface, firmwarePath)}),
        common::MB_OK | common::MB_ICONEXCLAMATION);
    finishCommand = IDC_DL_FAIL;
    EndDialog(kTransferFailed);
}

void EmergencyTransferPage::StartServers() {
    bootServer = std::make_unique<recovery::BootReplyServer>(serverAddress, firmwarePath);
    // Ports the holder opened are the servers' from here on; without a holder the servers open their own.
    bootStatus = privilege ? bootServer->Start(std::exchange(held.bootSocket, -1)) : bootServer->Start();
    tftpServer = std::make_unique<recovery::TftpServer>(serverAddress, firmwarePath, reporter, options.timings);
    // A session that ended without finishing the transfer (a param.ini that names the image, and then nothing)
    // leaves Cancel disabled: it comes back once no session runs.
    tftpServer->SetIdleHandler([link = Link()] {
        link->Post([](ui::Dialog& dialog) {
            EmergencyTransferPage& page = PageOf(dialog);
            if (page.finishCommand == 0 && page.tftpServer && page.tftpServer->RunningSessions() == 0)
                page.EnableItem(common::IDCANCEL, true);
        });
    });
    tftpStatus = privilege ? tftpServer->Start(std::exchange(held.tftpSocket, -1)) : tftpServer->Start();
}

std::string EmergencyTransferPage::ListenFailureText(int which) const {
    // The adapter could not be held: the servers were not started, and that sentence says what to do.
    if (!holdFailure.empty())
        return which == 0 ? holdFailure : std::string();
    // Line `which` (0 or 1) of the reasons, in the order BOOTP, TFTP.
    std::string lines[2];
    int count = 0;
    const std::string address = common::FormatDottedAddress(serverAddress);
    const std::pair<const recovery::ListenStatus*, std::pair<const char*, int>> servers[] = {
        {&bootStatus, {"BOOTP", 67}}, {&tftpStatus, {"TFTP", 69}}};
    for (const auto& [status, server] : servers)
        if (options.startServers && !status->listening)
            lines[count++] = recovery::ListenFailureText(*status, server.first, server.second, address);
    return lines[which];
}

void EmergencyTransferPage::OnTimer(int timerId) {
    if (timerId == kWatchTimer) {
        if (watching && privilege && privilege->Lost())
            HolderLost();
        return;
    }
    if (timerId != kStartTimer || !startPending)
        return;
    KillStartTimer();
    ShowStartTexts();
}

void EmergencyTransferPage::ShowStartTexts() {
    // While the adapter is being held (the password prompt may be open) the page keeps its first texts.
    if (holdPending)
        return;
    std::string notice;
    {
        std::lock_guard lock(reporter->mutex);
        // A session that started meanwhile keeps its texts.
        if (!reporter->sessionTexts) {
            reporter->titleText = res::LoadString(res::StringId::RestartGateway);
            // A server that cannot listen would leave the page waiting for ever: say why instead.
            notice = ListenFailureText(0);
            if (const std::string second = ListenFailureText(1); !second.empty())
                notice += "\n" + second;
            reporter->statusText = notice.empty() ? res::LoadString(res::StringId::PowerCycleGateway) : notice;
        }
    }
    // Room to read the whole reason, and to copy the command it names.
    if (!notice.empty())
        ShowNotice(IDC_STATUS, {IDC_PEER, IDC_PROGRESS}, notice);
    UpdateData(false);
    Invalidate();
}

void EmergencyTransferPage::KillStartTimer() {
    if (startPending)
        KillTimer(kStartTimer);
    startPending = false;
}

void EmergencyTransferPage::KillWatchTimer() {
    if (watching)
        KillTimer(kWatchTimer);
    watching = false;
}

bool EmergencyTransferPage::OnCommand(int id) {
    switch (id) {
    case IDC_UPDATE:
        UpdateData(false);
        return true;
    case IDC_SUCCESS:
        // Only the command FinishTransfer posts: Enter gives the same id and must not report a success.
        if (finishCommand == IDC_SUCCESS)
            OnOK();
        return true;
    case IDC_DL_FAIL:
        if (finishCommand == IDC_DL_FAIL)
            EndDialog(kTransferFailed);
        return true;
    case IDC_NOT_CONFIRMED:
        if (finishCommand == IDC_NOT_CONFIRMED)
            EndDialog(kTransferNotConfirmed);
        return true;
    default:
        return WizardPage::OnCommand(id);
    }
}

void EmergencyTransferPage::OnCancel() {
    // Escape and the close box do nothing while a transfer has the Cancel button disabled.
    if (HasItem(common::IDCANCEL) && !IsItemEnabled(common::IDCANCEL))
        return;
    StopServers();
    KillStartTimer();
    EndDialog(common::IDCANCEL);
}

void EmergencyTransferPage::OnDestroy() {
    Shutdown();
}

void EmergencyTransferPage::StopServers() {
    if (bootServer)
        bootServer->Stop();
    if (tftpServer)
        tftpServer->Stop();
}

void EmergencyTransferPage::Shutdown() {
    if (shutDown)
        return;
    shutDown = true;
    KillStartTimer();
    // From here on no session reaches the page, and a session waiting for this thread to run one of its calls
    // returns at once: stopping the servers below waits for nothing that needs this thread.
    Link()->Detach();
    StopServers();
    KillWatchTimer();
    if (pendingHold) {
        std::lock_guard lock(pendingHold->mutex);
        pendingHold->abandoned = true;
        pendingHold->GiveBack();
    }
    // The servers are gone: the adapter is given back as it was.
    GiveBackHold(held, privilege);
}

} // namespace vornalix::wizard
