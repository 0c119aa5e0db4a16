// Command-line options of the end-to-end test programs, read by their one
// main (E2eMain.cpp) after gtest's own flags.
#pragma once

#include <string>

namespace e2e {

struct Options {
    std::string exe;        // --exe=PATH: the program under test (Windows path); required
    std::string artifacts;  // --artifacts=DIR: where screenshots are kept
    std::string payloads;   // --payloads=DIR: the stand-in payload files, DIR\<TYPE>\<NAME>
    std::string links;      // --links=FILE: where the shortcuts to check from Linux are listed
    std::string discs;      // --discs=FILE: the stand-in discs' manifest (disc, path, size, attributes)
};

const Options& options();

// artifacts + "\" + name
std::string artifactPath(const std::string& name);

}  // namespace e2e
