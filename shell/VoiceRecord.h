// What the voice add-on leaves behind, on the records of the installations:
// its files in the root of drive C while it runs, and the registry keys and
// values its script's import made (those it found there already are not
// its own).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Path.h"
#include "platform/Registry.h"
#include "shell/FileNames.h"
#include "shell/InstallRecord.h"

namespace shell::record {
class Writer;
}

namespace shell::voice {

// The system's registry editor writes into its own view, which is not
// always the one a 32-bit program gets: both are looked at.
constexpr plat::RegView kViews[] = {plat::RegView::Native, plat::RegView::Wow32};

// A key of a registry script and the values it sets there ("" the default).
struct ScriptKey {
    plat::RootKey root;
    std::string key;
    std::vector<std::string> values;
};

// The keys of a REGEDIT4 script, in order; keys of other roots and keys the
// script deletes are left out.
std::vector<ScriptKey> scriptKeys(const std::string& script);

// The keys and values of the add-on's own script (the program's payload):
// the fixed names that the removal of the last installation takes away,
// in whichever view the system's registry editor wrote them.
// Throws when the program cannot read its script.
std::vector<ScriptKey> addOnNames();

// Puts the add-on on the record of every installation in Windows' list
// whose record is there: first its files and which of its names were there
// before (in either view), then, once the import has run, what the import
// made.  A record that cannot be written is told in
// failures(); the add-on goes on.
class Recorder {
public:
    explicit Recorder(const std::vector<plat::Path>& files);
    // The import has run: what it made that was not there before.
    void imported();
    const std::vector<std::string>& failures() const { return failures_; }

private:
    using Line = std::function<void(record::Writer&)>;
    void add(const std::vector<Line>& lines);

    std::vector<plat::Path> folders_;  // install folders with a record
    std::vector<ScriptKey> script_;
    std::vector<record::Record::Key> before_;  // keys and values there before
    std::vector<std::string> failures_;
};

}  // namespace shell::voice
