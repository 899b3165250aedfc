#pragma once
// A progress page that shows nothing: for programs that run sessions without a window.
#include "recovery/ProgressPage.h"

namespace vornalix::recovery {

class QuietProgressPage : public ProgressPage {
public:
    void SetTitleText(const std::string&) override {}
    void SetStatusText(const std::string&) override {}
    void SetPeerText(const std::string&) override {}
    void InvalidateTitle() override {}
    void PostUpdate() override {}
    void SetProgressRange(int, int) override {}
    void SetProgressStep(int) override {}
    void SetProgressPos(int) override {}
    void DisableBackAndCancel() override {}
    void FinishTransfer(TransferOutcome) override {}
};

} // namespace vornalix::recovery
