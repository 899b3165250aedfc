#include "wizard/WizardPage.h"
#include "res/Resources.h"
#include "ui/EventPump.h"
#include "wizard/PageBanner.h"

#include <initializer_list>
#include <iterator>

namespace vornalix::wizard {

namespace {

constexpr int kSystemMenuTextId = 101;

enum Kinds : unsigned { kStatics = 1, kButtons = 2, kEdits = 4 };

struct TransparentLabels {
    int dialog;
    unsigned kinds;
    std::initializer_list<int> ids;
};

// Controls whose text is drawn without a box of its own, per page.
constexpr TransparentLabels kTransparent[] = {
    {102, 0, {1015}},
    {103, 0, {1016, 1013}},
    {104, 0, {1011, 1014}},
    {105, 0, {1017}},
    {106, 0, {1012}},
    {139, kStatics | kButtons, {}},
    {140, kStatics | kEdits, {}},
    {141, kStatics, {}},
    {142, kStatics | kEdits | kButtons, {}},
    {143, kStatics | kButtons, {}},
};

} // namespace

WizardPage::WizardPage(int templateId) : ui::Dialog(templateId) {}

bool WizardPage::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    // A window menu item would carry string 101; the table defines none, and Linux window managers
    // keep their window menus to themselves, so there is nothing to add.
    (void)kSystemMenuTextId;
    return true;
}

int WizardPage::RunWhileWaiting(const std::function<int(const WaitHook&)>& request) {
    const int held[] = {common::IDOK, IDC_BACK};
    bool wasEnabled[std::size(held)];
    // The focus stays where it was: disabling Next would pass it on to Cancel (as would a first activation of
    // the page meanwhile), and Enter would then end the wizard.
    if (FocusedItem() == 0)
        for (const auto& control : Template().controls)
            if (control.cls != res::ControlClass::Static && control.cls != res::ControlClass::Progress &&
                control.id != -1 && IsItemShown(control.id) && IsItemEnabled(control.id)) {
                FocusItem(control.id);
                break;
            }
    const int heldFocus = FocusedItem();
    for (std::size_t i = 0; i < std::size(held); ++i) {
        wasEnabled[i] = IsItemEnabled(held[i]);
        EnableItem(held[i], false);
    }
    waiting = true;
    cancelWhileWaiting = false;
    int result = request([this] {
        ui::PumpEvents(true);
        return !cancelWhileWaiting;
    });
    waiting = false;
    for (std::size_t i = 0; i < std::size(held); ++i)
        EnableItem(held[i], wasEnabled[i]);
    if (heldFocus != 0 && IsItemEnabled(heldFocus))
        FocusItem(heldFocus);
    if (cancelWhileWaiting) {
        EndDialog(common::IDCANCEL);
        return -1;
    }
    return result;
}

bool WizardPage::OnCommand(int id) {
    if (waiting) {
        // Only Cancel acts while a request is awaited: it gives the request up.
        if (id == common::IDCANCEL)
            cancelWhileWaiting = true;
        return true;
    }
    if (id == IDC_BACK) {
        EndDialog(IDC_BACK);
        return true;
    }
    return ui::Dialog::OnCommand(id);
}

void WizardPage::OnPaint(ui::Canvas& canvas) {
    PaintPageBanner(canvas, BannerTitle(), BannerFontHeight());
}

bool WizardPage::IsTransparent(const res::ControlTemplate& control) const {
    for (const auto& entry : kTransparent) {
        if (entry.dialog != TemplateId())
            continue;
        for (int id : entry.ids)
            if (id == control.id)
                return true;
        switch (control.cls) {
        case res::ControlClass::Static:
            return entry.kinds & kStatics;
        case res::ControlClass::Button:
            return entry.kinds & kButtons;
        case res::ControlClass::Edit:
            return entry.kinds & kEdits;
        default:
            return false;
        }
    }
    return false;
}

} // namespace vornalix::wizard
