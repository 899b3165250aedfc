#pragma once
// Dialog 143: runs the upload worker and shows its stages in the title band and the status text,
// and its progress in the bar. The page ends itself when the worker reports the end of the run,
// with 105 (succeeded) or 101 (failed); while the worker runs nothing else ends it.
#include "web/GatewayHttpSession.h"
#include "web/UploadStatusSink.h"
#include "wizard/PageResult.h"
#include "wizard/WizardPage.h"

#include "res/StringIds.h"

#include <optional>
#include <string>

namespace vornalix::wizard {

class UploadProgressPage : public wizard::WizardPage, public web::UploadStatusSink {
public:
    static constexpr int kTemplateId = 143;
    static constexpr int IDC_PROGRESS = 1005;
    static constexpr int IDC_STATUS = 1011;
    static constexpr int kUploadFailed = PageResult::UploadFailed;
    static constexpr int kUploadSucceeded = PageResult::UploadSucceeded;

    explicit UploadProgressPage(web::GatewayHttpSession& session);
    ~UploadProgressPage() override;

    std::string BannerTitle() const override { return bannerTitle; }

    // Starts the worker once the page is set up and, after the run, waits (serving the GUI) until
    // the worker has ended, so the session is free again when this returns.
    int DoModal() override;

    // The worker's reports, from its thread: re-posted to the page (the progress calls wait).
    void PostStatus(int code) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressStep(int step) override;
    void SetProgressPos(int position) override;
    void EnableCancel(bool enable) override;

    // One status report on the GUI thread: 1 for the six codes, 0 (and nothing done) otherwise.
    virtual int OnUploadStatus(int code);

    bool WorkerRunning() const { return workerRunning; }
    const common::ProgressBarState& ProgressBar() const { return progressBar; }

    std::string statusText;
    std::string bannerTitle;

protected:
    bool OnInitDialog() override;
    // The page has no Next: Enter does nothing.
    void OnOK() override;
    // Ignored while the worker runs.
    void OnCancel() override;
    void DoDataExchange(bool saveAndValidate) override;

    web::GatewayHttpSession& session;

private:
    void StartWorker();
    void WaitForWorker();
    void ShowStage(std::optional<res::StringId> titleId, std::string text);

    bool workerRunning = false;
    common::ProgressBarState progressBar; // GUI thread only
};

} // namespace vornalix::wizard
