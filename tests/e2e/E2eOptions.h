// Command-line options of the end-to-end test programs.
#pragma once

#include <string>

namespace e2e {

struct Options {
    std::string exe;        // --exe=PATH: the program under test (Windows path)
    std::string artifacts;  // --artifacts=DIR: where screenshots are kept
};

const Options& options();

// artifacts + "\" + name
std::string artifactPath(const std::string& name);

}  // namespace e2e
