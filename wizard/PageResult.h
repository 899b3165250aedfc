#pragma once
// What a page's DoModal returns, and what a flow returns to the welcome page's loop.
#include "common/Prompt.h"

namespace vornalix::wizard {

struct PageResult {
    static constexpr int Ok = common::IDOK;         // Next, Retry, SUCCESS
    static constexpr int Cancel = common::IDCANCEL; // Cancel, Exit, Escape, the close box
    static constexpr int TransferFailed = 4;
    // The emergency transfer sent the whole image, but the gateway never acknowledged its last part.
    static constexpr int TransferNotConfirmed = 5;
    static constexpr int UploadFailed = 101;
    static constexpr int UploadSucceeded = 105;
    static constexpr int OutcomeNext = 1033;
    static constexpr int Back = 1034;
};

struct FlowResult {
    static constexpr int EndWizard = 0;
    static constexpr int ShowModePage = -1;
};

} // namespace vornalix::wizard
