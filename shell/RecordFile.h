// The record of an install folder on disk: read whole by the uninstaller,
// added to line by line by the runs that write into the folder.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "shell/InstallRecord.h"

namespace shell::record {

// A whole file's bytes through the seam; false with the failing call's code.
bool readWhole(const std::string& path, std::string& bytes, std::uint32_t& code);

// The record of an install folder as it lies there, or why it cannot be
// read: Missing (with the system's code) or Damaged (with the line).
struct Loaded {
    std::optional<Record> record;
    std::optional<Refusal> refusal;
};
Loaded load(const std::string& installFolder);

// Adds lines to an install folder's record while a run writes there, each
// line on disk before add() returns.  The file stays open (without sharing)
// for the writer's life, so no second run and no uninstaller work on the
// folder meanwhile.
class Writer {
public:
    // Opens the record to add to, making the uninstall folder and a new
    // record when there is none; a record that cannot be read is set aside
    // (Uninstall.old) and a new one begun.  Raises base::Error with the
    // system's reason when the record cannot be made or opened.
    Writer(const std::string& installFolder, unsigned codePage);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    const Record& record() const { return record_; }
    const std::string& installFolder() const { return folder_; }
    // Applies the line and writes it.  Raises base::Error when it cannot be
    // written; nothing is added then, and no later line either.
    void add(const Fields& fields);
    // add() unless the record already holds a line of this effect.
    void language(const std::string& name);

private:
    std::string folder_;
    Record record_;
    plat::FileHandle file_ = plat::kNoFile;
    bool broken_ = false;
};

}  // namespace shell::record
