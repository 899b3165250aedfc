#pragma once
// Network isolation for the recovery tests: every test process moves into a network namespace of its own
// (loopback only), so nothing it sends can leave the machine and ports 67/69 are free in each test. Under Wine
// the test runner's namespace holds the wineserver and its sockets: a test checks that it has loopback only.
#include "common/Socket.h"

#include <functional>
#include <string>

namespace vornalix::recovery::test {

// Moves this process (its main thread and the threads it starts afterwards) into a new network namespace with
// loopback up. Done once per process; false when not possible (not root).
bool EnterPrivateNetwork();
// Whether the test runner's private /run/netns is in place, so tests may create namespaces of their own. Inside
// the test runner (VORNALIX_PRIVATE_NETNS=1) a namespace that cannot be made also fails the running test.
bool MayCreateNamespaces();
// Whether the tests run inside the test runner's private namespace, where every network test must run.
bool InsideTestRunner();

// Runs a shell command, returns its exit status; its output (stdout and stderr) into `output` when given.
int RunCommand(const std::string& command, std::string* output = nullptr);

in_addr_t Address(const char* dotted);

} // namespace vornalix::recovery::test

// Inside the test runner a test that cannot have its namespace fails; elsewhere it is skipped with the reason.
#define VORNALIX_REQUIRE_PRIVATE_NETWORK()                                                                             \
    do {                                                                                                               \
        if (!::vornalix::recovery::test::EnterPrivateNetwork()) {                                                      \
            if (::vornalix::recovery::test::InsideTestRunner())                                                        \
                FAIL() << "cannot create a private network namespace inside the test runner";                          \
            GTEST_SKIP() << "needs a private network namespace (run as root, through the test runner)";                \
        }                                                                                                              \
    } while (0)
