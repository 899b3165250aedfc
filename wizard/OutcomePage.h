#pragma once
// Dialog 105: a title and a message chosen by the flow, with Retry (1), Exit (2) and Next (1033)
// shown by ButtonLayout.
#include "wizard/PageResult.h"
#include "wizard/WizardPage.h"

namespace vornalix::wizard {

constexpr int IDC_OUTCOME_NEXT = PageResult::OutcomeNext;
constexpr int IDC_OUTCOME_MESSAGE = 1017;

// Which buttons an outcome page shows: 1 Next; 2 Retry and Exit; 4 Exit (with the power-cycle
// reminder); 5 Retry and Next; any other value the template's own.
enum ButtonLayout : int {
    kLayoutTemplate = 0,
    kLayoutNext = 1,
    kLayoutRetryExit = 2,
    kLayoutExitReminder = 4,
    kLayoutRetryNext = 5,
};

class OutcomePage : public WizardPage {
public:
    OutcomePage(int fontHeight, std::string titleText, std::string messageText, int layout);
    std::string BannerTitle() const override { return titleText; }
    int BannerFontHeight() const override { return fontHeight; }

    std::string messageText;
    int fontHeight;
    std::string titleText;
    int layout;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnCancel() override;
    void DoDataExchange(bool saveAndValidate) override;
};

} // namespace vornalix::wizard
