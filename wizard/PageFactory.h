#pragma once
// Where the flows get their pages: tests substitute pages whose DoModal returns scripted results.
#include "wizard/FinalPage.h"
#include "wizard/ModePage.h"
#include "wizard/OutcomePage.h"

#include <memory>
#include <string>

namespace vornalix::wizard {

class PageFactory {
public:
    virtual ~PageFactory() = default;
    virtual std::unique_ptr<ModePage> CreateModePage();
    virtual std::unique_ptr<OutcomePage> CreateOutcomePage(int fontHeight, const std::string& title,
                                                           const std::string& message, int layout);
    virtual std::unique_ptr<FinalPage> CreateFinalPage(const std::string& message, int layout);
};

} // namespace vornalix::wizard
