#pragma once
// CommandRunner over posix_spawnp, with a time limit.
#include "hostnet/linux/CommandRunner.h"

#include <chrono>

namespace vornalix::hostnet {

class ProcessRunner : public CommandRunner {
public:
    explicit ProcessRunner(std::chrono::milliseconds timeLimit = std::chrono::seconds(30));
    int Run(const std::vector<std::string>& argv, std::string* output) override;
    bool Available(const std::string& program) override;

private:
    std::chrono::milliseconds timeLimit;
};

} // namespace vornalix::hostnet
