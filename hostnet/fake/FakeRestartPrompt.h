#pragma once
// A restart prompt that records what it was asked to show.
#include "hostnet/RestartPrompt.h"

#include <string>
#include <vector>

namespace vornalix::hostnet {

class FakeRestartPrompt : public RestartPrompt {
public:
    struct Shown {
        std::string message;
        int mode;
    };
    std::vector<Shown> shown;

    void Show(const std::string& message, int mode) override { shown.push_back({message, mode}); }
};

} // namespace vornalix::hostnet
