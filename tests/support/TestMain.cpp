// The Windows test program's entry: every test runs with the registry roots
// redirected to scratch keys (see ScratchRegistry.h).
#include <gtest/gtest.h>

#include <cstdio>
#include <exception>
#include <optional>

#include "tests/support/ScratchRegistry.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::optional<KitTest::ScratchRegistry> scratch;
    try {
        scratch.emplace();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kitsetup_tests: %s; no test runs on the real registry\n",
                     error.what());
        return 1;
    }
    return RUN_ALL_TESTS();
}
