// gtest entry of the end-to-end test programs: gtest's own flags, then ours.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "tests/support/E2eOptions.h"

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
    e2e::Options& o = e2e::gOptions;
    struct Flag {
        const char* prefix;
        std::string* value;
    } flags[] = {{"--exe=", &o.exe},
                 {"--artifacts=", &o.artifacts},
                 {"--payloads=", &o.payloads},
                 {"--links=", &o.links},
                 {"--discs=", &o.discs}};
    for (int i = 1; i < argc; ++i) {
        bool known = false;
        for (const Flag& f : flags)
            if (std::strncmp(argv[i], f.prefix, std::strlen(f.prefix)) == 0) {
                *f.value = argv[i] + std::strlen(f.prefix);
                known = true;
            }
        if (!known) {
            std::fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (o.exe.empty()) {
        std::fprintf(stderr,
                     "usage: %s [gtest flags] --exe=PROGRAM.exe [--artifacts=DIR] [--payloads=DIR] [--links=FILE] [--discs=FILE]\n",
                     argv[0]);
        return 2;
    }
    // The list is of this run's shortcuts only.
    if (!o.links.empty()) DeleteFileA(o.links.c_str());
    return RUN_ALL_TESTS();
}
