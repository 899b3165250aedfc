// What the four pages of the normal path show as they open, in both languages.
#include "ModalScript.h"
#include "res/Resources.h"
#include "wizard/normal/FirmwareFilePage.h"
#include "wizard/normal/GatewayAddressPage.h"
#include "wizard/normal/GatewayInfoPage.h"
#include "wizard/normal/UploadProgressPage.h"

#include <gmock/gmock.h>

using namespace vornalix;
using namespace vornalix::web;
using namespace vornalix::wizard;

namespace {

class PagesOpening : public ::testing::TestWithParam<res::Language> {
protected:
    void SetUp() override { res::OverrideLanguage(GetParam()); }
    void TearDown() override { res::OverrideLanguage(res::Language::English); }
    GatewayHttpSession session;
};

// Texts a page shows that came from the template rather than from the page.
std::vector<std::string> PlaceholdersShown(ui::Dialog& page, std::initializer_list<int> ids) {
    std::vector<std::string> shown;
    for (int id : ids) {
        std::string placeholder = page.Template().Find(id)->text;
        if (!placeholder.empty() && page.ItemText(id) == placeholder)
            shown.push_back(placeholder);
    }
    return shown;
}

} // namespace

TEST_P(PagesOpening, TitlesFontHeightsAndNoPlaceholders) {
    GatewayAddressPage address(session, "http://192.168.1.1/");
    GatewayInfoPage info(session);
    FirmwareFilePage firmware("/firmware/image.bin");
    UploadProgressPage upload(session);
    struct Expected {
        wizard::WizardPage& page;
        int templateId;
        std::string title;
        int fontHeight;
    } pages[] = {
        {address, 140, res::LoadString(vornalix::res::StringId::GatewayAddressTitle), 40},
        {info, 141, res::LoadString(vornalix::res::StringId::GatewayInfoTitle), 35},
        {firmware, 142, res::LoadString(vornalix::res::StringId::FirmwareFileTitle), 40},
        {upload, 143, res::LoadString(vornalix::res::StringId::PleaseWait), 40},
    };
    for (auto& expected : pages) {
        expected.page.InitializeForDisplay();
        EXPECT_EQ(expected.page.TemplateId(), expected.templateId);
        EXPECT_EQ(expected.page.BannerTitle(), expected.title) << expected.templateId;
        EXPECT_FALSE(expected.page.BannerTitle().empty());
        EXPECT_EQ(expected.page.BannerFontHeight(), expected.fontHeight) << expected.templateId;
    }
    EXPECT_EQ(address.ItemText(GatewayAddressPage::IDC_URL), "http://192.168.1.1/");
    EXPECT_EQ(firmware.ItemText(FirmwareFilePage::IDC_PATH), "/firmware/image.bin");
    // The version statics stay empty until the query has run; the status starts empty.
    EXPECT_EQ(info.ItemText(GatewayInfoPage::IDC_HARDWARE), "");
    EXPECT_EQ(info.ItemText(GatewayInfoPage::IDC_SOFTWARE), "");
    EXPECT_EQ(upload.ItemText(UploadProgressPage::IDC_STATUS), "");
    EXPECT_THAT(PlaceholdersShown(info, {GatewayInfoPage::IDC_HARDWARE, GatewayInfoPage::IDC_SOFTWARE}),
                ::testing::IsEmpty());
    EXPECT_THAT(PlaceholdersShown(upload, {UploadProgressPage::IDC_STATUS, UploadProgressPage::IDC_PROGRESS}),
                ::testing::IsEmpty());
    EXPECT_EQ(upload.ItemProgress(UploadProgressPage::IDC_PROGRESS).pos(), 0);
    // DELAY is there only to be pressed by the page itself.
    EXPECT_FALSE(info.IsItemShown(GatewayInfoPage::IDC_DELAY));
    // Cancel is available while no worker runs.
    EXPECT_TRUE(upload.IsItemEnabled(common::IDCANCEL));
}

INSTANTIATE_TEST_SUITE_P(Languages, PagesOpening, ::testing::Values(res::Language::English, res::Language::Japanese),
                         [](const auto& info) {
                             return info.param == res::Language::English ? "English" : "Japanese";
                         });
