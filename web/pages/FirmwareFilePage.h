#pragma once
// Dialog 142: the firmware image to upload. The path starts as the flow gives it or, when that is
// empty, from the command line or the first ".bin" file of the current directory; Browse opens a
// file dialog; Next accepts only a file that opens for reading.
#include "app/WizardPage.h"

#include <string>

namespace vornalix::web {

class FirmwareFilePage : public app::WizardPage {
public:
    static constexpr int kTemplateId = 142;
    static constexpr int IDC_PATH = 1001;
    static constexpr int IDC_BROWSE = 3;

    explicit FirmwareFilePage(std::string pathText);
    std::string BannerTitle() const override;

    // The path an empty page starts with: the argument (trimmed) relative to directory, else the
    // first ".bin" file the directory lists, else "". An absolute argument is taken as it is.
    static std::string DefaultPath(const std::string& argument, const std::string& directory);
    // "" when path opens for reading as a file; otherwise the message the page shows.
    static std::string OpenErrorText(const std::string& path);

    std::string pathText;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnOK() override;
    void DoDataExchange(bool saveAndValidate) override;
    void Browse();
};

} // namespace vornalix::web
