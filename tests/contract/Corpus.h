// The INI files of corpus/, built into the test program so that each
// environment can write them into its own file system.
#pragma once

#include <string>
#include <vector>

namespace contract {

struct CorpusFile {
    std::string name;   // file name, e.g. "layout.ini"
    std::string bytes;  // exact contents
};

const std::vector<CorpusFile>& corpus();

}  // namespace contract
