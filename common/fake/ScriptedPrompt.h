#pragma once
// A Prompt for tests: records every box and answers from a script.
#include "common/Prompt.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace vornalix::common {

class ScriptedPrompt : public Prompt {
public:
    struct Box {
        std::string text;
        unsigned type;
    };

    // Queues the answer for the next box; without a queued answer a box is answered with
    // its first button (OK, Yes or Retry).
    void Answer(int result) {
        std::lock_guard lock(mutex);
        answers.push_back(result);
    }

    int MessageBox(const std::string& text, unsigned type) override {
        std::lock_guard lock(mutex);
        shown.push_back({text, type});
        if (!answers.empty()) {
            int result = answers.front();
            answers.pop_front();
            return result;
        }
        switch (type & kButtonMask) {
        case MB_YESNO:
            return IDYES;
        case MB_RETRYCANCEL:
            return IDRETRY;
        default:
            return IDOK;
        }
    }

    std::vector<Box> Boxes() const {
        std::lock_guard lock(mutex);
        return shown;
    }
    std::size_t Count() const {
        std::lock_guard lock(mutex);
        return shown.size();
    }

private:
    mutable std::mutex mutex;
    std::deque<int> answers;
    std::vector<Box> shown;
};

} // namespace vornalix::common
