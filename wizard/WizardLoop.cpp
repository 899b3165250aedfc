#include "wizard/WizardLoop.h"

#include "wizard/PageResult.h"

namespace vornalix::wizard {

void RunWizardLoop(PageFactory& factory, const std::function<int(UpgradeMode)>& runFlow) {
    for (;;) {
        auto modePage = factory.CreateModePage();
        if (modePage->DoModal() == PageResult::Cancel)
            return;
        const auto mode = modePage->mode == 1 ? UpgradeMode::Emergency : UpgradeMode::Normal;
        modePage.reset();
        if (runFlow(mode) != FlowResult::ShowModePage)
            return;
    }
}

} // namespace vornalix::wizard
