#include "support/PrivateNetwork.h"

#include "recovery/AdapterInterface.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace vornalix::recovery::test {

// Under Wine the sockets live in the wineserver's network namespace, which the test runner chose: a test may
// run only where every adapter is a loopback one, so that nothing it sends can leave the machine.
bool EnterPrivateNetwork() {
    static const bool loopbackOnly = [] {
        const auto addresses = ListAdapterAddresses();
        if (!addresses)
            return false;
        for (const AdapterAddress& entry : *addresses)
            if (!entry.adapter.loopback && (ntohl(entry.address) >> 24) != 127)
                return false;
        return true;
    }();
    return loopbackOnly;
}

// On Windows every network test must have its loopback-only network: none is skipped.
bool InsideTestRunner() {
    return true;
}

bool MayCreateNamespaces() {
    return false;
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = _popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    std::array<char, 4096> chunk{};
    std::string collected;
    std::size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        collected.append(chunk.data(), got);
    const int status = _pclose(pipe);
    if (output != nullptr)
        *output = collected;
    return status;
}

in_addr_t Address(const char* dotted) {
    return inet_addr(dotted);
}

} // namespace vornalix::recovery::test
