#pragma once
// A command runner for tests: answers commands from a script and records them; never starts a program.
#include "hostnet/linux/CommandRunner.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vornalix::testing {

class ScriptedRunner : public hostnet::CommandRunner {
public:
    int Run(const std::vector<std::string>& argv, std::string* output) override {
        std::string joined;
        for (const auto& a : argv)
            joined += (joined.empty() ? "" : " ") + a;
        ran.push_back(joined);
        if (onRun)
            onRun(joined);
        auto answer = answers.find(joined);
        if (answer == answers.end())
            return 0;
        if (output != nullptr)
            *output = answer->second.second;
        return answer->second.first;
    }
    bool Available(const std::string& program) override { return !available || available->count(program) != 0; }

    // The programs found in PATH; nullopt: every program.
    std::optional<std::set<std::string>> available;
    // Exit status and output by command line (arguments joined with blanks); others answer 0.
    std::map<std::string, std::pair<int, std::string>> answers;
    std::vector<std::string> ran;
    std::function<void(const std::string&)> onRun;
};

} // namespace vornalix::testing
