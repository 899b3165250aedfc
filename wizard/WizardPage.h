#pragma once
// What every wizard page shares: the application icon, the title band, labels drawn on the
// page colour, and Back (1034) ending the page with 1034.
#include "ui/Dialog.h"
#include "wizard/PageResult.h"

#include <functional>
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
    // Called on this thread while a request is awaited; false gives the request up.
    using WaitHook = std::function<bool()>;
    // Runs request on this thread with Next and Back disabled while the page keeps repainting;
    // Cancel (or the close box) gives the request up and ends the page with Cancel once it has
    // returned. Returns what request returned, -1 when the user cancelled.
    int RunWhileWaiting(const std::function<int(const WaitHook&)>& request);
    bool IsWaiting() const { return waiting; }

    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnPaint(ui::Canvas& canvas) override;
    bool IsTransparent(const res::ControlTemplate& control) const override;
    bool ShowsAppIcon() const override { return true; }

private:
    bool waiting = false;
    bool cancelWhileWaiting = false;
};

} // namespace vornalix::wizard
