#pragma once
// Runs a program without a shell; the seam through which the lease backend drives the
// DHCP clients (tests answer with a scripted runner and never start a client).
#include <string>
#include <vector>

namespace vornalix::hostnet {

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // Runs argv (argv[0] looked up in PATH), collecting its standard output into output when
    // given. Returns the exit status, or -1 when it could not run, was killed or timed out.
    virtual int Run(const std::vector<std::string>& argv, std::string* output) = 0;
    // Whether the program is found in PATH as an executable.
    virtual bool Available(const std::string& program) = 0;
};

} // namespace vornalix::hostnet
