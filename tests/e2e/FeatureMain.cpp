// gtest entry of the feature tests of Setup.exe: gtest's own flags, then
// --exe, --artifacts, --payloads and --links.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/e2e/Session.h"

namespace e2e {
namespace {
Options gOptions;
FeatureOptions gFeatures;
}  // namespace

const Options& options() { return gOptions; }
const FeatureOptions& featureOptions() { return gFeatures; }

std::string artifactPath(const std::string& name) {
    return gOptions.artifacts.empty() ? name : gOptions.artifacts + "\\" + name;
}

}  // namespace e2e

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    struct Flag {
        const char* prefix;
        std::string* value;
    } flags[] = {{"--exe=", &e2e::gOptions.exe},
                 {"--artifacts=", &e2e::gOptions.artifacts},
                 {"--payloads=", &e2e::gFeatures.payloads},
                 {"--links=", &e2e::gFeatures.links}};
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
    if (e2e::gOptions.exe.empty() || e2e::gFeatures.payloads.empty()) {
        std::fprintf(stderr, "usage: %s [gtest flags] --exe=Setup.exe --payloads=DIR [--artifacts=DIR] [--links=FILE]\n",
                     argv[0]);
        return 2;
    }
    // The list is of this run's shortcuts only.
    if (!e2e::gFeatures.links.empty()) DeleteFileA(e2e::gFeatures.links.c_str());
    return RUN_ALL_TESTS();
}
