#pragma once
// What every wizard page shares: the application icon, the title band, labels drawn on the
// page colour, and Back (1034) ending the page with 1034.
#include "ui/Dialog.h"
#include "wizard/PageResult.h"

#include <string>

namespace vornalix::wizard {

constexpr int IDC_BACK = PageResult::Back;

class WizardPage : public ui::Dialog {
public:
    explicit WizardPage(int templateId);

    // What the title band shows.
    virtual std::string BannerTitle() const = 0;
    virtual int BannerFontHeight() const { return 40; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnPaint(QPainter& painter) override;
    bool IsTransparent(const res::ControlTemplate& control) const override;
};

} // namespace vornalix::wizard
