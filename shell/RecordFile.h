// The record of a game folder on disk: read whole by the uninstaller, added
// to line by line by the runs that write into the folder.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "shell/InstallRecord.h"

namespace shell::record {

// A whole file's bytes through the seam, at most `limit` of them; false with
// the failing call's code (223 for a file larger than the limit).  No handle
// stays open, whatever happens.
bool readWhole(const std::string& path, std::string& bytes, std::uint32_t& code,
               std::uint32_t limit = kMaxBytes);

// The record of a game folder as it lies there, or why it cannot be acted
// on: Missing (with the system's code) or Damaged (no record at all, or one
// too large).  A record with damaged lines or a last line cut short is
// read as far as it reads, and says so.
struct Loaded {
    std::optional<Record> record;
    std::optional<Refusal> refusal;
    std::vector<FormatError> damaged;
    bool cutShort = false;
};
Loaded load(const std::string& installFolder);

// Adds lines to a game folder's record while a run writes there, each line
// on disk before the call returns.  The file stays open (without sharing)
// for the writer's life, so no second run and no uninstaller work on the
// folder meanwhile.  Paths are given as they are (below the folder) or
// relative to it; the record keeps them relative.
class Writer {
public:
    // Opens the record to add to, making the uninstall folder and a new
    // record when there is none.  A record with damaged lines is set aside
    // (Uninstall.old) and a new one begun with the lines that read; one that
    // is no record, too large, or of another code page is set aside and a
    // new one begun.  A record of a folder since moved goes on, told the
    // new folder.  Raises base::Error with the system's reason when the
    // record cannot be made or opened.
    Writer(const std::string& installFolder, unsigned codePage);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    const Record& record() const { return record_; }
    const std::string& installFolder() const { return folder_; }

    // Each adds its line, unless noted; raises base::Error when it cannot be
    // written (nothing is added then, and no later line either).
    void language(const std::string& name);  // only when it changes
    void folderMade(const std::string& path);
    void fileAnnounced(const std::string& path, bool existed);
    void fileWhole(const std::string& path);
    void registered(plat::RootKey root, const std::string& key);
    void shortcut(const std::string& linkFile);
    void patchAnnounced(const std::string& path, bool existed);
    void patchWhole(const std::string& path);
    void patchShortcut(const std::string& linkFile);
    void originalAnnounced(const std::string& target, const std::string& kept);
    void originalKept(const std::string& target, const std::string& kept);
    void noOriginal(const std::string& target);
    void restored(const std::string& target);
    void unpatched(const std::string& pathOrLinkName);
    void addOnFile(const std::string& path);
    void addOnKey(plat::RootKey root, const std::string& key, bool before);
    void addOnValue(plat::RootKey root, const std::string& key, const std::string& value, bool before);

private:
    void add(Line kind, std::vector<std::string> values);
    // A path for the record: relative to the folder.
    std::string relative(const std::string& path) const;

    std::string folder_;
    Record record_;
    plat::FileHandle file_ = plat::kNoFile;
    bool broken_ = false;
};

}  // namespace shell::record
