#include "wizard/normal/UploadProgressPage.h"

#include "res/Resources.h"
#include "ui/EventPump.h"
#include "ui/GuiPrompt.h"
#include "ui/GuiThread.h"
#include "web/UploadStatus.h"

#include <atomic>
#include <thread>

namespace vornalix::wizard {

namespace {

UploadProgressPage& PageOf(ui::Dialog& dialog) {
    return static_cast<UploadProgressPage&>(dialog);
}

} // namespace

UploadProgressPage::UploadProgressPage(web::GatewayHttpSession& session) : WizardPage(kTemplateId), session(session) {}

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
    bannerTitle = res::LoadString(res::StringId::PleaseWait);
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
    EnableItem(common::IDCANCEL, false);
    workerRunning = session.StartUpload(*this, ui::AppPrompt()) == 0;
    if (!workerRunning)
        EnableItem(common::IDCANCEL, true);
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

void UploadProgressPage::SetProgressRange(int low, int high) {
    Link()->Call([low, high](ui::Dialog& page) {
        UploadProgressPage& self = PageOf(page);
        self.progressBar.SetRange(low, high);
        self.ShowProgress(IDC_PROGRESS, self.progressBar);
    });
}

void UploadProgressPage::SetProgressStep(int step) {
    Link()->Call([step](ui::Dialog& page) { PageOf(page).progressBar.SetStep(step); });
}

void UploadProgressPage::SetProgressPos(int position) {
    Link()->Call([position](ui::Dialog& page) {
        UploadProgressPage& self = PageOf(page);
        self.progressBar.SetPos(position);
        self.ShowProgress(IDC_PROGRESS, self.progressBar);
    });
}

void UploadProgressPage::EnableCancel(bool enable) {
    Link()->Call([enable](ui::Dialog& page) { page.EnableItem(common::IDCANCEL, enable); });
}

void UploadProgressPage::ShowStage(std::optional<res::StringId> titleId, std::string text) {
    statusText = std::move(text);
    if (titleId) {
        bannerTitle = res::LoadString(*titleId);
        Invalidate();
    }
    SetItemText(IDC_STATUS, statusText);
}

int UploadProgressPage::OnUploadStatus(int code) {
    switch (code) {
    case web::Uploading:
        ShowStage(res::StringId::UploadingTitle,
                  "File: " + session.firmwarePath + "\n\t" + res::LoadString(res::StringId::IsBeingUploaded));
        return 1;
    case web::Programming:
        ShowStage(res::StringId::UpdatingTitle, res::LoadString(res::StringId::ProgrammingFlash));
        return 1;
    case web::Restarting:
        ShowStage(res::StringId::RestartingTitle, res::LoadString(res::StringId::Restarting));
        return 1;
    case web::CheckingRestart:
        ShowStage(std::nullopt, res::LoadString(res::StringId::CheckingRestart));
        return 1;
    case web::Failed:
        EndDialog(kUploadFailed);
        return 1;
    case web::Succeeded:
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

} // namespace vornalix::wizard
