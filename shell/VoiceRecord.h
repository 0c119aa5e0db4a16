// What the voice add-on leaves behind, on the records of the installations:
// its files in the root of drive C while it runs, and the registry keys and
// values its script's import made (those it found there already are not
// its own).  The import is the system's registry editor's, so they lie in
// the system's own registry view.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace shell::voice {

constexpr plat::RegView kView = plat::RegView::Native;

// A key of a registry script and the values it sets there ("" the default).
struct ScriptKey {
    plat::RootKey root;
    std::string key;
    std::vector<std::string> values;
};

// The keys of a REGEDIT4 script, in order; keys of other roots and keys the
// script deletes are left out.
std::vector<ScriptKey> scriptKeys(const std::string& script);

// The keys of the add-on's own script (the program's payload): the only
// keys a record may name for the add-on.
std::vector<std::pair<plat::RootKey, std::string>> registryKeys();

// Puts the add-on on the record of every installation in Windows' list
// whose record is there: first its files, then, once the import has run,
// what the import made.  A record that cannot be written is told in
// failures(); the add-on goes on.
class Recorder {
public:
    explicit Recorder(const std::vector<std::string>& files);
    // The import has run: what it made that was not there before.
    void imported();
    const std::vector<std::string>& failures() const { return failures_; }

private:
    void add(const std::vector<std::vector<std::string>>& lines);

    std::vector<std::string> folders_;  // install folders with a record
    std::vector<ScriptKey> script_;
    std::vector<std::string> before_;   // keys and values there before, upper-cased
    std::vector<std::string> failures_;
};

}  // namespace shell::voice
