#include "wizard/emergency/EmergencyTransferPage.h"

#include "recovery/AdapterInterface.h"
#include "res/Resources.h"
#include "ui/GuiThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QTimerEvent>

namespace vornalix::wizard {

namespace {} // namespace

EmergencyTransferPage::EmergencyTransferPage(std::string firmwarePath, in_addr_t serverAddress)
    : EmergencyTransferPage(std::move(firmwarePath), serverAddress, Options{}) {}

EmergencyTransferPage::EmergencyTransferPage(std::string firmwarePath, in_addr_t serverAddress, Options options)
    : WizardPage(kTemplateId), firmwarePath(std::move(firmwarePath)), serverAddress(serverAddress), options(options) {}

EmergencyTransferPage::~EmergencyTransferPage() {
    Shutdown();
}

std::string EmergencyTransferPage::BannerTitle() const {
    std::lock_guard lock(textMutex);
    return titleText;
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
        std::lock_guard lock(textMutex);
        status = statusText;
        peer = peerText;
    }
    SetItemText(IDC_STATUS, status);
    SetItemText(IDC_PEER, peer);
}

bool EmergencyTransferPage::OnInitDialog() {
    {
        std::lock_guard lock(textMutex);
        titleText = res::LoadString(res::StringId::RestartGatewayAgain);
    }
    WizardPage::OnInitDialog();
    if (options.startServers && BeginHold())
        StartServers();
    UpdateData(false);
    timerId = startTimer(kStartTimerMs);
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

bool EmergencyTransferPage::BeginHold() {
    if (holdInterface.empty())
        return true;
    hold = std::make_unique<hostnet::PlatformAdapterHold>();
    return hold->Begin(holdInterface, holdIndex, holdTemporaryAddress ? serverAddress : 0, &holdFailure);
}

void EmergencyTransferPage::StartServers() {
    bootServer = std::make_unique<recovery::BootReplyServer>(serverAddress, firmwarePath);
    bootStatus = bootServer->Start();
    tftpServer = std::make_unique<recovery::TftpServer>(serverAddress, firmwarePath, *this, options.timings);
    // A session that ended without finishing the transfer (a param.ini that names the image, and then nothing)
    // leaves Cancel disabled: it comes back once no session runs.
    tftpServer->SetIdleHandler([this] {
        Link()->Post([this](ui::Dialog& page) {
            if (finishCommand.load() == 0 && tftpServer && tftpServer->RunningSessions() == 0)
                page.EnableItem(common::IDCANCEL, true);
        });
    });
    tftpStatus = tftpServer->Start();
}

std::string EmergencyTransferPage::ListenFailureText(int which) const {
    // The adapter could not be held: the servers were not started, and that sentence says what to do.
    if (!holdFailure.empty())
        return which == 0 ? holdFailure : std::string();
    // Line `which` (0 or 1) of the reasons, in the order BOOTP, TFTP.
    std::string lines[2];
    int count = 0;
    const std::string address = recovery::DottedAddress(serverAddress);
    const std::pair<const recovery::ListenStatus*, std::pair<const char*, int>> servers[] = {
        {&bootStatus, {"BOOTP", 67}}, {&tftpStatus, {"TFTP", 69}}};
    for (const auto& [status, server] : servers)
        if (options.startServers && !status->listening)
            lines[count++] = recovery::ListenFailureText(*status, server.first, server.second, address);
    return lines[which];
}

void EmergencyTransferPage::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId) {
        WizardPage::timerEvent(event);
        return;
    }
    KillStartTimer();
    {
        std::lock_guard lock(textMutex);
        // A session that started meanwhile keeps its texts.
        if (!sessionTexts) {
            titleText = res::LoadString(res::StringId::RestartGateway);
            // A server that cannot listen would leave the page waiting for ever: say why instead.
            std::string failure = ListenFailureText(0);
            statusText = failure.empty() ? res::LoadString(res::StringId::PowerCycleGateway) : failure;
            if (!failure.empty())
                peerText = ListenFailureText(1);
        }
    }
    UpdateData(false);
    update();
}

void EmergencyTransferPage::KillStartTimer() {
    if (timerId != 0)
        killTimer(timerId);
    timerId = 0;
}

bool EmergencyTransferPage::OnCommand(int id) {
    switch (id) {
    case IDC_UPDATE:
        UpdateData(false);
        return true;
    case IDC_SUCCESS:
        // Only the command FinishTransfer posts: Enter gives the same id and must not report a success.
        if (finishCommand.load() == IDC_SUCCESS)
            OnOK();
        return true;
    case IDC_DL_FAIL:
        if (finishCommand.load() == IDC_DL_FAIL)
            EndDialog(kTransferFailed);
        return true;
    default:
        return WizardPage::OnCommand(id);
    }
}

void EmergencyTransferPage::OnCancel() {
    // Escape and the close box do nothing while a transfer has the Cancel button disabled.
    if (QWidget* cancel = Item(common::IDCANCEL); cancel && !cancel->isEnabled())
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
    StopServers();
    // A session may be waiting for this thread to run one of its calls: keep serving events until every
    // call has returned; afterwards no session reaches the page.
    if (tftpServer)
        tftpServer->DetachPage([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    // The servers are gone: the adapter is given back as it was.
    if (hold)
        hold->End();
}

void EmergencyTransferPage::SetTitleText(const std::string& text) {
    std::lock_guard lock(textMutex);
    titleText = text;
    sessionTexts = true;
}

void EmergencyTransferPage::SetStatusText(const std::string& text) {
    std::lock_guard lock(textMutex);
    statusText = text;
    sessionTexts = true;
}

void EmergencyTransferPage::SetPeerText(const std::string& text) {
    std::lock_guard lock(textMutex);
    peerText = text;
    sessionTexts = true;
}

void EmergencyTransferPage::InvalidateTitle() {
    Link()->Post([](ui::Dialog& page) { page.update(); });
}

void EmergencyTransferPage::PostUpdate() {
    Link()->PostCommand(IDC_UPDATE);
}

void EmergencyTransferPage::SetProgressRange(int low, int high) {
    Link()->Call([this, low, high](ui::Dialog&) {
        progressBar.SetRange(low, high);
        ShowProgress();
    });
}

void EmergencyTransferPage::SetProgressStep(int step) {
    Link()->Call([this, step](ui::Dialog&) { progressBar.SetStep(step); });
}

void EmergencyTransferPage::SetProgressPos(int position) {
    Link()->Call([this, position](ui::Dialog&) {
        progressBar.SetPos(position);
        ShowProgress();
    });
}

void EmergencyTransferPage::ShowProgress() {
    auto* bar = ItemAs<QProgressBar>(IDC_PROGRESS);
    if (progressBar.high() > progressBar.low()) {
        bar->setRange(progressBar.low(), progressBar.high());
        bar->setValue(progressBar.pos());
    } else {
        // An empty range shows an empty bar (Qt would show a busy indicator).
        bar->setRange(0, 1);
        bar->setValue(0);
    }
}

void EmergencyTransferPage::DisableBackAndCancel() {
    Link()->Call([](ui::Dialog& page) {
        page.EnableItem(wizard::IDC_BACK, false);
        page.EnableItem(common::IDCANCEL, false);
    });
}

void EmergencyTransferPage::FinishTransfer(bool success) {
    // On a session thread: each Stop waits for that server's thread, which never calls into the page.
    if (bootServer)
        bootServer->Stop();
    if (tftpServer)
        tftpServer->Stop();
    const int command = success ? IDC_SUCCESS : IDC_DL_FAIL;
    int expected = 0;
    // The first transfer to end decides; a later one finds the page closing.
    if (finishCommand.compare_exchange_strong(expected, command))
        Link()->PostCommand(command);
}

} // namespace vornalix::wizard
