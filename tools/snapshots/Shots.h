#pragma once
// Every page and message box of the wizard as the snapshot programs render them: pages in the states a user
// meets, each template as it is built, and every box, worded in the language in use.
#include "res/Resources.h"
#include "ui/Dialog.h"
#include "wizard/PageFactory.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vornalix::snapshots {

struct PageShot {
    std::string name; // file name stem, e.g. "105-retry-next"
    std::function<std::unique_ptr<ui::Dialog>()> create;
};

struct MessageShot {
    std::string name;
    std::function<std::string()> text;
    unsigned type;
};

extern const char* const kSampleFirmware;

std::vector<PageShot> Pages(wizard::PageFactory& factory);
std::vector<MessageShot> Messages();
// Whether the box's text differs from its English one (true in English).
bool HasOwnText(const MessageShot& shot, res::Language language);

} // namespace vornalix::snapshots
