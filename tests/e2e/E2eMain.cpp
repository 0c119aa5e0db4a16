// gtest entry of the end-to-end tests: gtest's own flags, then ours.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/e2e/E2eOptions.h"

namespace e2e {
namespace {
Options gOptions;
}

const Options& options() { return gOptions; }

std::string artifactPath(const std::string& name) {
    return gOptions.artifacts.empty() ? name : gOptions.artifacts + "\\" + name;
}

}  // namespace e2e

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--exe=", 6) == 0) {
            e2e::gOptions.exe = arg + 6;
        } else if (std::strncmp(arg, "--artifacts=", 12) == 0) {
            e2e::gOptions.artifacts = arg + 12;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg);
            return 2;
        }
    }
    if (e2e::gOptions.exe.empty()) {
        std::fprintf(stderr, "usage: %s [gtest flags] --exe=PROGRAM.exe [--artifacts=DIR]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
