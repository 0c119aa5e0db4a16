// The simulated drives: in-memory folder trees (SimFiles.cpp), file handles
// without sharing (SimHandles.cpp), and injected faults.  Every operation
// returns the Windows error code it ends with (0 for success); SimPlatform
// turns that into the seam's results and the thread's last error.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/CodePage.h"

namespace sim::detail {

struct Node {
    std::string name;
    std::u16string key;  // fileNameKey(name)
    bool folder = false;
    std::uint32_t attributes = 0;  // without the folder bit
    std::string data;
    std::vector<std::shared_ptr<Node>> children;  // in directory order
    int openCount = 0;
    bool locked = false;
    std::uint64_t lastWrite = 0;  // FILETIME units
    // A link (symbolic link, junction): its own entry, attributes and time,
    // no data or children of its own; paths through it reach target, the
    // very node of the target's entry, on drive targetDrive.
    std::shared_ptr<Node> target;
    char targetDrive = 0;
    // Where the link leads, every link on the way followed.
    std::string targetPath;
    // A link to a file as Wine lists a Unix symbolic link: a plain file, no
    // ReparsePoint, and DeleteFile takes its target.
    bool listedPlain = false;
    // Taken out of its drive's tree; a link to it leads nowhere.
    bool gone = false;

    bool isLink() const { return target != nullptr; }
};

enum class DirectoryOrder { Sorted, Creation };

// Whether a name is one of DOS's 8.3, and the short name Wine makes up for
// one that is not.
bool legal8dot3(const std::u16string& name);
std::u16string shortName(const std::u16string& name);

struct Drive {
    char letter = 'C';
    bool readOnly = false;
    std::uint64_t capacity = 0;  // 0 = unlimited
    std::uint64_t used = 0;
    DirectoryOrder order = DirectoryOrder::Creation;
    std::shared_ptr<Node> root;
    plat::DriveType type = plat::DriveType::Fixed;
    std::uint32_t cluster = 4096;
};

// A path as the simulated file system walks it: its drive and its names.
struct SplitPath {
    char drive = 'C';
    std::vector<std::string> parts;
    bool trailingSeparator = false;
    bool empty = false;  // "" names nothing, not the current folder
};

enum class Fault { Open, Create, Read, Write, Size, Seek, Delete, CreateFolder, Move };
enum class OpenMode { Read, Write, CreateNew, CreateAlways };

class FileSystem {
public:
    FileSystem();

    void setCodePage(const CodePage& cp);
    const CodePage& codePage() const { return *cp_; }

    // -- drives
    void addDrive(char letter, bool readOnly);
    Drive* drive(char letter);
    void setCurrentDrive(char letter);

    // The virtual milliseconds that file times follow (see stamp()).
    void setClock(const std::uint64_t* virtualMs) { clock_ = virtualMs; }

    // -- names
    SplitPath parse(const std::string& path) const;
    // The path as the file system spells it ("C:\Games\Luna", "C:\" for a
    // root); empty when it does not exist.
    std::string canonical(const std::string& path) const;

    // -- test side: no media, attribute, sharing or fault checks
    void put(const std::string& path, const std::string& bytes, std::uint32_t attributes);
    void makeFolders(const std::string& path);
    // The entry itself (a link, not its target); null when missing.
    const Node* find(const std::string& path) const;
    Node* find(const std::string& path);
    // What the path leads to: a link's target in place of the link.
    const Node* findThrough(const std::string& path) const;
    Node* findThrough(const std::string& path);
    // A link at path (its parents made) to the existing file or folder
    // target; the link is a folder link when the target is a folder.  A file
    // link `listedPlain` is one as Wine lists a Unix symbolic link.
    void link(const std::string& path, const std::string& target, bool listedPlain = false);
    bool removeEntry(const std::string& path);
    void setFault(Fault f, const std::string& path, std::uint32_t code, std::uint32_t offset = 0);
    void clearFaults() { faults_.clear(); }
    std::size_t openHandles() const { return handles_.size(); }

    // -- seam operations
    std::uint32_t attributesOf(const std::string& path, std::uint32_t& attributes) const;
    // GetFinalPathNameByHandle's path (links followed) and GetLongPathName's.
    std::uint32_t finalPath(const std::string& path, std::string& out) const;
    std::uint32_t longPath(const std::string& path, std::string& out) const;
    std::uint32_t findAll(const std::string& pattern, std::vector<plat::FindData>& out) const;
    std::uint32_t createFolder(const std::string& path);
    std::uint32_t deleteFile(const std::string& path);
    // MoveFileEx with replace-existing; a Move fault is keyed by `to`.
    std::uint32_t move(const std::string& from, const std::string& to);
    // Room left on the folder's drive; UINT64_MAX for a drive without a capacity.
    std::uint32_t freeSpace(const std::string& folder, std::uint64_t& bytes) const;
    // Units of the path in UTF-16, as the ANSI file calls convert it.
    std::size_t utf16Length(const std::string& path) const;
    // On success also gives the code the call leaves behind (0, or 183 when
    // createAlways replaced a file).
    std::uint32_t open(const std::string& path, OpenMode mode, plat::FileHandle& handle,
                       std::uint32_t& successCode);
    std::uint32_t read(plat::FileHandle h, void* buffer, std::uint32_t count, std::uint32_t& done);
    std::uint32_t write(plat::FileHandle h, const void* buffer, std::uint32_t count, std::uint32_t& done);
    std::uint32_t seek(plat::FileHandle h, std::uint64_t position);
    std::uint32_t size(plat::FileHandle h, std::uint32_t& low);
    std::uint32_t close(plat::FileHandle h);
    // A whole file read through a handle of its own (sharing and faults apply).
    std::uint32_t readWhole(const std::string& path, std::string& bytes);
    // A whole file written as createAlways would (media, attributes, sharing apply).
    std::uint32_t writeWhole(const std::string& path, const std::string& bytes);
    // RemoveDirectory: an empty folder only; a Delete fault applies.
    std::uint32_t removeFolder(const std::string& path);
    // CopyFile failing if `to` exists, the copy with normal attributes; a
    // copy that fails takes its partial file away again.
    std::uint32_t copy(const std::string& from, const std::string& to);
    // SetFileAttributes: the entry's own, a link's never its target's.
    std::uint32_t setAttributes(const std::string& path, std::uint32_t attributes);

    // -- resume, drives and run logs
    std::uint32_t stampOf(const std::string& path, plat::FileStamp& out) const;
    std::uint32_t setLastWrite(const std::string& path, std::uint64_t lastWrite);
    std::uint32_t clusterOf(const std::string& folder, std::uint32_t& bytes) const;
    std::uint32_t driveMask() const;
    plat::DriveType typeOf(char letter) const;

private:
    struct Resolved {
        Drive* drive = nullptr;
        Node* parent = nullptr;  // folder that holds (or would hold) the entry
        Node* node = nullptr;    // the entry; null when missing
        std::uint32_t error = 0; // 2 or 3 when even the parent cannot be found
    };
    struct Handle {
        std::shared_ptr<Node> node;
        Drive* drive;
        std::u16string faultKey;
        std::uint64_t position = 0;
        bool canRead = false, canWrite = false;
    };
    struct FaultSpec {
        std::uint32_t code;
        std::uint32_t offset;
    };

    Resolved resolve(const SplitPath& p) const;
    // The child of that name, by its own name or its short one.
    Node* named(const Node& folder, const std::string& name) const;
    // The path as the disk spells it, through links (their targets' paths
    // with followLinks, their own names otherwise).
    std::uint32_t walk(const std::string& path, bool followLinks, std::string& out) const;
    // The folder that holds parts, made where missing (test side); d becomes
    // the drive it lies on.
    Node* makeParents(Drive*& d, const std::vector<std::string>& parts, const std::string& path);
    // The folder that holds (or will hold) path, made as needed; its drive and name.
    Node* makeParentsOf(const std::string& path, Drive*& d, std::string& leaf);
    // The entry n leads to, with its drive: n itself, or a link's target
    // (null when that is gone).
    Node* through(Node* n, Drive*& d) const;
    // A folder that a path walks into: through a link; null when n is
    // missing, a file or a link that leads nowhere.
    Node* enter(Node* n, Drive*& d) const;
    std::u16string faultKey(const SplitPath& p) const;
    const FaultSpec* fault(Fault f, const std::u16string& key) const;
    std::shared_ptr<Node> insert(Drive& d, Node& folder, const std::string& name, bool isFolder);
    void attach(Drive& d, Node& folder, std::shared_ptr<Node> n);
    // 206 for a path longer than the ANSI file calls take, as Wine measures it.
    std::uint32_t lengthError(const std::string& path) const;
    void detach(Drive& d, Node& folder, Node* child);
    Handle* handle(plat::FileHandle h);
    // A new handle on node, open for mode.
    plat::FileHandle addHandle(const std::shared_ptr<Node>& node, Drive* drive, const std::u16string& key,
                               OpenMode mode);
    void rekey(Node& n);
    // What a write leaves as the file's last-write time: the virtual clock,
    // three seconds on for every write before, so that two writes never
    // look like one to a comparison that allows FAT's two seconds.
    void stamp(Node& n);

    const CodePage* cp_;
    char current_ = 'C';
    std::map<char, Drive> drives_;
    std::map<std::pair<int, std::u16string>, FaultSpec> faults_;
    std::map<plat::FileHandle, Handle> handles_;
    plat::FileHandle nextHandle_ = 0x40;
    const std::uint64_t* clock_ = nullptr;
    std::uint64_t stamps_ = 0;
};

}  // namespace sim::detail
