#pragma once
// Dialog 142: the firmware image to upload. The path starts as the flow gives it or, when that is
// empty, from the command line or the first ".bin" file of the current directory; Browse opens a
// file dialog; Next accepts only a file that opens for reading.
#include "wizard/WizardPage.h"

#include <string>

namespace vornalix::wizard {

class FirmwareFilePage : public wizard::WizardPage {
public:
    static constexpr int kTemplateId = 142;
    static constexpr int IDC_PATH = 1001;
    static constexpr int IDC_BROWSE = 3;

    explicit FirmwareFilePage(std::string pathText);
    std::string BannerTitle() const override;

    std::string pathText;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnOK() override;
    void DoDataExchange(bool saveAndValidate) override;
    void Browse();
};

} // namespace vornalix::wizard
