#pragma once
// The wizard's main loop: the mode page, then the chosen flow, until a flow ends the wizard or the mode
// page is cancelled.
#include "wizard/PageFactory.h"

#include <functional>

namespace vornalix::wizard {

enum class UpgradeMode { Normal = 0, Emergency = 1 };

// runFlow runs the flow of a mode and returns its FlowResult.
void RunWizardLoop(PageFactory& factory, const std::function<int(UpgradeMode)>& runFlow);

} // namespace vornalix::wizard
