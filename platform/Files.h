// The seam's files slice: files and folders by path, open files by handle,
// their stamps and attributes, and the profile strings of an INI file.  A
// call that can fail returns its SysError, its result beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Path.h"
#include "platform/SysError.h"

namespace plat {

// File attributes (FILE_ATTRIBUTE_* / fa*).
namespace attr {
constexpr std::uint32_t ReadOnly = 0x01, Hidden = 0x02, System = 0x04, VolumeId = 0x08, Directory = 0x10,
                        Archive = 0x20, Normal = 0x80;
// A junction, a symbolic link to a file or folder, or a mount point: what its
// entry names lies elsewhere.  Wine reports a Unix symbolic link so.
constexpr std::uint32_t ReparsePoint = 0x400;
constexpr std::uint32_t AnyFile = 0x3F;
}  // namespace attr

// The longest path, in UTF-16 units, that the ANSI file calls take whole:
// MAX_PATH less its terminating zero.  Wine takes one unit more.
constexpr std::size_t kMaxPathUnits = 259;

// A file handle; 0 is "none".
using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = 0;

// One directory entry as the system returns it.
struct FindData {
    std::string name;          // file name only, no folder
    std::uint32_t attributes;  // attr:: bits
    std::uint32_t sizeLow;
};

// An open directory search (FindFirstFile / FindNextFile / FindClose).
class DirSearch {
public:
    virtual ~DirSearch() = default;
    // Next entry after the first; false at the end or on error.
    virtual bool next(FindData& out) = 0;
};

// A file's size and last-write time as the file system keeps them.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;  // FILETIME: 100-nanosecond units since 1601, UTC
};
constexpr std::uint64_t kFileTimeSecond = 10000000;

class Files {
public:
    virtual ~Files() = default;

    // -- by path
    virtual bool fileExists(const Path& path) = 0;    // false for a folder
    virtual bool folderExists(const Path& path) = 0;  // false for a file
    // The first entry matching pattern (a folder, a backslash and a
    // wildcard), and the search for the next ones; no search, and why, when
    // nothing matches (2, or 3 for a folder that is not there).  Entries come
    // in the file system's order, "." and ".." included where the system
    // lists them.
    virtual SysError findFirst(const Path& pattern, FindData& first, std::unique_ptr<DirSearch>& search) = 0;
    // The same, for a caller that needs no reason: the search, or nullptr.
    std::unique_ptr<DirSearch> firstMatch(const Path& pattern, FindData& first);
    virtual SysError createFolder(const Path& path) = 0;  // one level
    // Removes an empty folder: 145 when it holds anything, 267 for a file.
    virtual SysError removeFolder(const Path& path) = 0;
    virtual SysError deleteFile(const Path& path) = 0;  // fails while in use, protected or missing
    // The file (or empty folder) goes when Windows next starts; only an
    // administrator may ask for that (5 otherwise).
    virtual SysError deleteAtRestart(const Path& path) = 0;
    // Whether both paths name one existing file, however each is spelled
    // (case, short names, another drive mapped onto the same folder).  False
    // for a folder, a missing file or one whose identity cannot be read.
    virtual bool sameFile(const Path& a, const Path& b) = 0;
    // The path the system opens for `path`: every link on the way followed
    // (a link to a file too, which Wine lists as a plain file), every name as
    // the disk spells it (GetFinalPathNameByHandle, without its "\\?\").
    virtual SysError finalPath(const Path& path, Path& out) = 0;
    // An existing path with each name in its long form as the disk spells it
    // (GetLongPathName): "C:\LUNA~CM2" is "C:\LunavireGames"; links are not
    // followed.  Fails for a missing path.
    virtual SysError longPath(const Path& path, Path& out) = 0;
    // Moves the file from onto to in one step (MoveFileEx, replacing an
    // existing file): to is afterwards either what it was or the whole of
    // from.  Both on one drive.  Fails when from is missing or open, or to is
    // a folder, read-only or open elsewhere; nothing has changed then.
    virtual SysError moveReplacing(const Path& from, const Path& to) = 0;
    // Copies from into a new file to, with normal attributes whatever from's
    // are: 80 when to exists; a copy that fails leaves no file to.
    virtual SysError copyFile(const Path& from, const Path& to) = 0;
    // Whether the ANSI file calls take path whole: in UTF-16 it has at most
    // kMaxPathUnits units.  A longer one may fail in them (206).
    virtual bool pathFits(const Path& path) = 0;
    // The key by which the file system tells names apart: the text's
    // characters upper-cased as Windows does it for file names, in UTF-8.
    // Two spellings of one name (case, full-width letters, Greek, Cyrillic)
    // give one key; a byte the code page does not decode stays distinct.
    virtual std::string nameKey(const std::string& text) = 0;

    // -- stamps and attributes
    // The size and last-write time of a file; fails for a missing path or a
    // folder (5).  Opens nothing: a file another program holds is told all
    // the same.
    virtual SysError fileStamp(const Path& path, FileStamp& out) = 0;
    // Sets a file's last-write time (the file systems keep it to their own
    // precision: FAT to two seconds).  Asks for the attributes only, so a
    // file open elsewhere takes it too.  Fails when the file is missing or a
    // folder, or on read-only media.
    virtual SysError setLastWriteTime(const Path& path, std::uint64_t lastWrite) = 0;
    // Sets a file's or folder's attributes (attr:: bits; Normal alone clears
    // them), as SetFileAttributes does: a link's own, never its target's.
    virtual SysError setFileAttributes(const Path& path, std::uint32_t attributes) = 0;

    // -- by handle; all opened without sharing (plat::File owns one)
    virtual SysError openRead(const Path& path, FileHandle& out) = 0;      // must exist
    virtual SysError createNew(const Path& path, FileHandle& out) = 0;     // fails (80) if it exists
    virtual SysError openWrite(const Path& path, FileHandle& out) = 0;     // must exist, not truncated
    // Creates or truncates, read/write; replacing a file is no failure (the
    // call's 183 is not reported).
    virtual SysError createAlways(const Path& path, FileHandle& out) = 0;
    virtual SysError readFile(FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    virtual SysError writeFile(FileHandle h, const void* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    virtual SysError seekFromStart(FileHandle h, std::uint64_t position) = 0;
    virtual SysError fileSize(FileHandle h, std::uint32_t& low) = 0;  // low 32 bits
    virtual void closeFile(FileHandle h) = 0;

    // -- profile strings (GetPrivateProfileString, at most 2047 bytes)
    virtual std::string profileString(const Path& file, const std::string& section, const std::string& key,
                                      const std::string& def) = 0;
};

// The files slice in force (platform/Platform.h); throws std::logic_error while
// none is.
Files& files();

// Passes every call on to another Files: the base of a test's or a
// benchmark's files that answer, fail or time a few calls and leave the rest
// as they are.
class ForwardingFiles : public Files {
public:
    explicit ForwardingFiles(Files& next) : files_(next) {}

    bool fileExists(const Path& path) override { return files_.fileExists(path); }
    bool folderExists(const Path& path) override { return files_.folderExists(path); }
    SysError findFirst(const Path& pattern, FindData& first, std::unique_ptr<DirSearch>& search) override {
        return files_.findFirst(pattern, first, search);
    }
    SysError createFolder(const Path& path) override { return files_.createFolder(path); }
    SysError removeFolder(const Path& path) override { return files_.removeFolder(path); }
    SysError deleteFile(const Path& path) override { return files_.deleteFile(path); }
    SysError deleteAtRestart(const Path& path) override { return files_.deleteAtRestart(path); }
    bool sameFile(const Path& a, const Path& b) override { return files_.sameFile(a, b); }
    SysError finalPath(const Path& path, Path& out) override { return files_.finalPath(path, out); }
    SysError longPath(const Path& path, Path& out) override { return files_.longPath(path, out); }
    SysError moveReplacing(const Path& from, const Path& to) override { return files_.moveReplacing(from, to); }
    SysError copyFile(const Path& from, const Path& to) override { return files_.copyFile(from, to); }
    bool pathFits(const Path& path) override { return files_.pathFits(path); }
    std::string nameKey(const std::string& text) override { return files_.nameKey(text); }
    SysError fileStamp(const Path& path, FileStamp& out) override { return files_.fileStamp(path, out); }
    SysError setLastWriteTime(const Path& path, std::uint64_t lastWrite) override {
        return files_.setLastWriteTime(path, lastWrite);
    }
    SysError setFileAttributes(const Path& path, std::uint32_t attributes) override {
        return files_.setFileAttributes(path, attributes);
    }
    SysError openRead(const Path& path, FileHandle& out) override { return files_.openRead(path, out); }
    SysError createNew(const Path& path, FileHandle& out) override { return files_.createNew(path, out); }
    SysError openWrite(const Path& path, FileHandle& out) override { return files_.openWrite(path, out); }
    SysError createAlways(const Path& path, FileHandle& out) override { return files_.createAlways(path, out); }
    SysError readFile(FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done) override {
        return files_.readFile(h, buffer, count, done);
    }
    SysError writeFile(FileHandle h, const void* buffer, std::uint32_t count, std::uint32_t& done) override {
        return files_.writeFile(h, buffer, count, done);
    }
    SysError seekFromStart(FileHandle h, std::uint64_t position) override { return files_.seekFromStart(h, position); }
    SysError fileSize(FileHandle h, std::uint32_t& low) override { return files_.fileSize(h, low); }
    void closeFile(FileHandle h) override { files_.closeFile(h); }
    std::string profileString(const Path& file, const std::string& section, const std::string& key,
                              const std::string& def) override {
        return files_.profileString(file, section, key, def);
    }

protected:
    Files& files_;
};

}  // namespace plat
