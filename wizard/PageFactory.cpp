#include "wizard/PageFactory.h"

namespace vornalix::wizard {

std::unique_ptr<ModePage> PageFactory::CreateModePage() {
    return std::make_unique<ModePage>();
}

std::unique_ptr<OutcomePage> PageFactory::CreateOutcomePage(int fontHeight, const std::string& title,
                                                            const std::string& message, int layout) {
    return std::make_unique<OutcomePage>(fontHeight, title, message, layout);
}

std::unique_ptr<FinalPage> PageFactory::CreateFinalPage(const std::string& message, int layout) {
    return std::make_unique<FinalPage>(message, layout);
}

} // namespace vornalix::wizard
