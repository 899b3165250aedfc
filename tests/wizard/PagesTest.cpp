#include "ModalScript.h"
#include "res/Resources.h"
#include "wizard/FinalPage.h"
#include "wizard/ModePage.h"
#include "wizard/OutcomePage.h"
#include "wizard/WelcomePage.h"

#include <gmock/gmock.h>

using namespace vornalix;
using namespace vornalix::wizard;
using vornalix::testing::PromptScope;
using vornalix::testing::RunModal;

namespace {

struct Shown {
    bool retry, exit, next;
    bool operator==(const Shown&) const = default;
};

Shown ButtonsOf(OutcomePage& page) {
    return {page.IsItemShown(common::IDOK), page.IsItemShown(common::IDCANCEL), page.IsItemShown(IDC_OUTCOME_NEXT)};
}

bool IsPushButton(const res::ControlTemplate& control) {
    return control.cls == res::ControlClass::Button && !(control.style & res::kAutoRadio);
}

// Enter with the focus on the page's first control that is no push button.
void PressEnterAwayFromButtons(ui::Dialog& d) {
    for (const auto& control : d.Template().controls)
        if (!IsPushButton(control) && control.id != -1) {
            d.FocusItem(control.id);
            break;
        }
    const res::ControlTemplate* focused = d.Template().Find(d.FocusedItem());
    EXPECT_TRUE(focused && !IsPushButton(*focused));
    d.PressEnter();
}

class PagesTest : public ::testing::TestWithParam<res::Language> {
protected:
    void SetUp() override { res::OverrideLanguage(GetParam()); }
    void TearDown() override { res::OverrideLanguage(res::Language::English); }
    bool Japanese() const { return GetParam() == res::Language::Japanese; }
};

} // namespace

TEST_P(PagesTest, OutcomeButtonLayouts) {
    struct Case {
        int layout;
        Shown shown;
    };
    Shown templateButtons = Japanese() ? Shown{true, true, false} : Shown{true, false, true};
    const Case cases[] = {
        {1, {false, false, true}}, {2, {true, true, false}}, {4, {false, true, false}}, {5, {true, false, true}},
        {0, templateButtons},      {3, templateButtons},     {-7, templateButtons},
    };
    for (const auto& c : cases) {
        OutcomePage page(40, "Title", "Message", c.layout);
        page.InitializeForDisplay();
        EXPECT_EQ(ButtonsOf(page), c.shown) << "layout " << c.layout;
        // Never both Exit and Next: they share one place on the page.
        EXPECT_FALSE(page.IsItemShown(common::IDCANCEL) && page.IsItemShown(IDC_OUTCOME_NEXT));
    }
}

TEST_P(PagesTest, OutcomeResults) {
    PromptScope prompts;
    OutcomePage retry(40, "T", "M", kLayoutTemplate);
    EXPECT_EQ(RunModal(retry, [](ui::Dialog& d) { d.Command(common::IDOK); }), common::IDOK);
    OutcomePage next(40, "T", "M", kLayoutRetryNext);
    EXPECT_EQ(RunModal(next, [](ui::Dialog& d) { d.Command(IDC_OUTCOME_NEXT); }), IDC_OUTCOME_NEXT);
    // With layout 5 no Exit is visible, yet Escape and the close box (both Cancel) give 2.
    OutcomePage escaped(40, "T", "M", kLayoutRetryNext);
    EXPECT_EQ(RunModal(escaped, [](ui::Dialog& d) { d.Command(common::IDCANCEL); }), common::IDCANCEL);
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST_P(PagesTest, ExitWithLayoutFourRemindsToPowerCycleFirst) {
    // Exit, Escape and the close box: each is the Cancel command.
    {
        PromptScope prompts;
        OutcomePage page(40, res::LoadString(vornalix::res::StringId::UpdateCompleteTitle),
                         res::LoadString(vornalix::res::StringId::UpdateCompleteText), kLayoutExitReminder);
        bool openWhenAsked = false;
        int result = RunModal(page, [&](ui::Dialog& d) {
            d.Command(common::IDCANCEL);
            openWhenAsked = prompts.prompt.Count() == 1 && d.IsVisible();
        });
        EXPECT_EQ(result, common::IDCANCEL);
        ASSERT_EQ(prompts.prompt.Count(), 1u);
        EXPECT_EQ(prompts.prompt.Boxes()[0].text, res::LoadString(vornalix::res::StringId::RestartReminder));
        EXPECT_EQ(prompts.prompt.Boxes()[0].type, common::MB_OK | common::MB_ICONEXCLAMATION);
    }
    // Other layouts end at once.
    PromptScope prompts;
    OutcomePage page(40, "T", "M", kLayoutRetryExit);
    EXPECT_EQ(RunModal(page, [](ui::Dialog& d) { d.Command(common::IDCANCEL); }), common::IDCANCEL);
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST_P(PagesTest, FinalPageLayouts) {
    FinalPage onlyExit(res::LoadString(vornalix::res::StringId::UpgradeSucceededText), kLayoutRetryExit);
    int result = RunModal(onlyExit, [](ui::Dialog& d) {
        EXPECT_FALSE(d.IsItemShown(common::IDOK));
        EXPECT_TRUE(d.IsItemShown(common::IDCANCEL));
        PressEnterAwayFromButtons(d);
    });
    EXPECT_EQ(result, common::IDCANCEL);
    FinalPage both(res::LoadString(vornalix::res::StringId::UpgradeSucceededText), kLayoutTemplate);
    result = RunModal(both, [](ui::Dialog& d) {
        EXPECT_TRUE(d.IsItemShown(common::IDOK));
        d.Command(common::IDOK);
    });
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(both.BannerTitle(), res::LoadString(vornalix::res::StringId::UpdateCompleteTitle));
}

TEST_P(PagesTest, PagesShowTheirTextsNotTheTemplatePlaceholders) {
    PageFactory factory;
    WelcomePage welcome(factory);
    OutcomePage outcome(40, res::LoadString(vornalix::res::StringId::CheckStatusTitle),
                        res::LoadString(vornalix::res::StringId::TestLedCheckText), kLayoutRetryNext);
    FinalPage final(res::LoadString(vornalix::res::StringId::UpgradeSucceededText), kLayoutRetryExit);
    struct Check {
        ui::Dialog& page;
        int control;
        std::string text;
    } checks[] = {
        {welcome, IDC_WELCOME_TEXT, res::LoadString(vornalix::res::StringId::WelcomeText)},
        {outcome, IDC_OUTCOME_MESSAGE, res::LoadString(vornalix::res::StringId::TestLedCheckText)},
        {final, IDC_FINAL_MESSAGE, res::LoadString(vornalix::res::StringId::UpgradeSucceededText)},
    };
    for (auto& check : checks) {
        check.page.InitializeForDisplay();
        EXPECT_EQ(check.page.ItemText(check.control), check.text);
        EXPECT_NE(check.page.ItemText(check.control), check.page.Template().Find(check.control)->text);
    }
    EXPECT_EQ(welcome.BannerTitle(), res::LoadString(vornalix::res::StringId::WelcomeTitle));
    EXPECT_EQ(outcome.BannerTitle(), res::LoadString(vornalix::res::StringId::CheckStatusTitle));
}

TEST_P(PagesTest, ModePage) {
    ModePage untouched;
    int result = RunModal(untouched, [](ui::Dialog& d) {
        EXPECT_TRUE(d.IsItemChecked(IDC_NORMAL));
        EXPECT_FALSE(d.IsItemChecked(IDC_EMERGENCY));
        d.Command(common::IDOK);
    });
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(untouched.mode, 0);

    ModePage emergency;
    result = RunModal(emergency, [](ui::Dialog& d) {
        d.Command(IDC_EMERGENCY);
        EXPECT_TRUE(d.IsItemChecked(IDC_EMERGENCY));
        EXPECT_FALSE(d.IsItemChecked(IDC_NORMAL));
        PressEnterAwayFromButtons(d);
    });
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(emergency.mode, 1);

    ModePage back;
    result = RunModal(back, [](ui::Dialog& d) {
        d.Command(IDC_EMERGENCY);
        d.Command(IDC_NORMAL);
        EXPECT_FALSE(d.IsItemChecked(IDC_EMERGENCY));
        d.Command(common::IDCANCEL);
    });
    EXPECT_EQ(result, common::IDCANCEL);
    EXPECT_EQ(back.mode, 0);
    EXPECT_EQ(back.BannerTitle(), res::LoadString(vornalix::res::StringId::ModeTitle));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, PagesTest, ::testing::Values(res::Language::English, res::Language::Japanese),
                         [](const auto& info) {
                             return info.param == res::Language::Japanese ? std::string("Japanese")
                                                                          : std::string("English");
                         });
