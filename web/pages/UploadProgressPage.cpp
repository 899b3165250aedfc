#include "web/pages/UploadProgressPage.h"

#include "res/Resources.h"
#include "ui/GuiPrompt.h"
#include "ui/GuiWait.h"
#include "ui/PageLink.h"
#include "web/UploadStatus.h"

#include <QProgressBar>

#include <atomic>
#include <thread>

namespace vornalix::web {

namespace {

UploadProgressPage& PageOf(ui::Dialog& dialog) {
    return static_cast<UploadProgressPage&>(dialog);
}

} // namespace

UploadProgressPage::UploadProgressPage(GatewayHttpSession& session) : WizardPage(kTemplateId), session(session) {}

UploadProgressPage::~UploadProgressPage() {
    // The worker reports to this page: it must be gone first.
    if (workerRunning)
        session.JoinWorker();
}

void UploadProgressPage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        statusText = ItemText(IDC_STATUS);
    else
        SetItemText(IDC_STATUS, statusText);
}

bool UploadProgressPage::OnInitDialog() {
    bannerTitle = res::LoadString(132);
    WizardPage::OnInitDialog();
    return true;
}

int UploadProgressPage::DoModal() {
    InitializeForDisplay();
    StartWorker();
    int result = WizardPage::DoModal();
    WaitForWorker();
    return result;
}

void UploadProgressPage::StartWorker() {
    // Cancel stays off from before the worker starts until the page closes, so the page cannot
    // end under a running worker.
    EnableItem(ui::IDCANCEL, false);
    workerRunning = session.StartUpload(*this, ui::AppPrompt()) == 0;
    if (!workerRunning)
        EnableItem(ui::IDCANCEL, true);
}

void UploadProgressPage::WaitForWorker() {
    if (!workerRunning)
        return;
    // The worker may still be asking the GUI something: keep serving it while it ends.
    std::atomic<bool> joined{false};
    std::thread joiner([this, &joined] {
        session.JoinWorker();
        joined = true;
    });
    ui::WaitPumping([&joined] { return joined.load(); });
    joiner.join();
    workerRunning = false;
}

void UploadProgressPage::PostStatus(int code) {
    Link()->Post([code](ui::Dialog& page) { PageOf(page).OnUploadStatus(code); });
}

void UploadProgressPage::SetRange(int lower, int upper) {
    Link()->Call([lower, upper](ui::Dialog& page) {
        if (auto* bar = page.ItemAs<QProgressBar>(IDC_PROGRESS))
            bar->setRange(lower, upper);
    });
}

void UploadProgressPage::SetStep(int step) {
    Link()->Call([step](ui::Dialog& page) { PageOf(page).progressStep = step; });
}

void UploadProgressPage::SetPos(int position) {
    Link()->Call([position](ui::Dialog& page) {
        if (auto* bar = page.ItemAs<QProgressBar>(IDC_PROGRESS))
            bar->setValue(position);
    });
}

void UploadProgressPage::EnableCancel(bool enable) {
    Link()->Call([enable](ui::Dialog& page) { page.EnableItem(ui::IDCANCEL, enable); });
}

void UploadProgressPage::ShowStage(int titleId, std::string text) {
    statusText = std::move(text);
    if (titleId) {
        bannerTitle = res::LoadString(titleId);
        update();
    }
    SetItemText(IDC_STATUS, statusText);
}

int UploadProgressPage::OnUploadStatus(int code) {
    switch (code) {
    case Uploading:
        ShowStage(130, "File: " + session.firmwarePath + "\n\t" + res::LoadString(131));
        return 1;
    case Programming:
        ShowStage(129, res::LoadString(126));
        return 1;
    case Restarting:
        ShowStage(127, res::LoadString(128));
        return 1;
    case CheckingRestart:
        ShowStage(0, res::LoadString(124));
        return 1;
    case Failed:
        EndDialog(kUploadFailed);
        return 1;
    case Succeeded:
        EndDialog(kUploadSucceeded);
        return 1;
    default:
        return 0;
    }
}

void UploadProgressPage::OnOK() {}

void UploadProgressPage::OnCancel() {
    if (!workerRunning)
        WizardPage::OnCancel();
}

} // namespace vornalix::web
