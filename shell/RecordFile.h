// The record of a game folder on disk: read whole by the uninstaller, added
// to line by line by the runs that write into the folder.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Registry.h"
#include "shell/InstallRecord.h"

namespace shell::record {

// ERROR_FILE_TOO_LARGE: what readWhole() says of a file larger than its limit.
constexpr std::uint32_t kTooLarge = 223;

// A whole file's bytes through the seam, at most `limit` of them, or the
// failing call's error (kTooLarge for a file larger than the limit).  No
// handle stays open, whatever happens.
plat::SysError readWhole(const plat::Path& path, std::string& bytes, std::uint32_t limit = kMaxBytes);

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
Loaded load(const plat::Path& installFolder);

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
    Writer(const plat::Path& installFolder, unsigned codePage);
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    const Record& record() const { return record_; }
    const plat::Path& installFolder() const { return folder_; }

    // Each adds its line, unless noted; raises base::Error when it cannot be
    // written (nothing is added then, and no later line either).
    void language(const std::string& name);  // only when it changes
    void folderMade(const plat::Path& path);
    void fileAnnounced(const plat::Path& path, bool existed);
    // A file written whole, with what it holds where the run saw its bytes.
    void fileWhole(const plat::Path& path, const std::optional<Digest>& digest = std::nullopt);
    void registered(const plat::RegKey& key);
    void shortcut(const plat::Path& linkFile);
    void patchAnnounced(const plat::Path& path, bool existed);
    // The patch's file written whole from its payload ("TYPE/NAME").
    void patchWhole(const plat::Path& path, const std::optional<Digest>& digest = std::nullopt,
                    const std::string& payload = {});
    void patchShortcut(const plat::Path& linkFile);
    void originalAnnounced(const plat::Path& target, const plat::Path& kept);
    void originalKept(const plat::Path& target, const plat::Path& kept);
    void noOriginal(const plat::Path& target);
    void restored(const plat::Path& target);
    void unpatched(const plat::Path& pathOrLinkName);
    void addOnFile(const plat::Path& path);
    void addOnKey(plat::RootKey root, const std::string& key, bool before);
    void addOnValue(plat::RootKey root, const std::string& key, const std::string& value, bool before);

private:
    // The lines the new record begins with, and the record set aside when
    // the one there cannot be gone on with; false when it can.
    bool takeOver(unsigned codePage, std::vector<Fields>& begun);
    void openToAdd();
    void add(Line kind, std::vector<std::string> values);
    // A path for the record: relative to the folder.
    std::string relative(const plat::Path& path) const;

    plat::Path folder_;
    Record record_;
    plat::File file_;  // held without sharing for the writer's life
    bool broken_ = false;
};

}  // namespace shell::record
