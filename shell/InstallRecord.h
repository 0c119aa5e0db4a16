// The record of an installation: what the disc installation, the patch and
// the voice add-on wrote in one game folder, kept in that folder so that the
// uninstaller removes exactly that and nothing else.
//
// The record is a text file of lines added one at a time and never
// rewritten, so that a run killed at any point leaves a record that reads:
// a file is put on it before it is written ("file?") and again once it is
// whole ("file").  Each line is its CRC-32 in eight hexadecimal digits, a
// blank, its fields joined by tabs, and CR LF; a line without its CR LF is
// the one a kill cut short and is left out.  Paths are ANSI bytes of the code
// page named in the first line.
//
// A record names the game's files relative to the game folder, so that it
// holds wherever the folder is moved.  What lies outside the folder (the
// list of installed programs, the Start menu, the add-on's fixed names) is
// never taken from it: a record lives where an ordinary user may write, and
// the uninstaller that reads it runs as an administrator.  Records of the
// first version name absolute paths; those below the folder they name read
// as relative ones, anything else is ignored and reported.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "platform/Path.h"
#include "platform/Registry.h"

namespace shell::record {

// Where the uninstaller keeps itself, the record and the game's originals,
// below the game folder.
constexpr char kFolderName[] = "Uninstall";
constexpr char kFileName[] = "Uninstall.dat";
constexpr char kProgramName[] = "Uninstall.exe";
constexpr char kOriginalsName[] = "Original";
constexpr char kSetAsideName[] = "Uninstall.old";
plat::Path uninstallFolder(const plat::Path& install);  // install\Uninstall
plat::Path recordPath(const plat::Path& install);       // install\Uninstall\Uninstall.dat
plat::Path programPath(const plat::Path& install);      // install\Uninstall\Uninstall.exe
plat::Path originalsFolder(const plat::Path& install);  // install\Uninstall\Original
// The same, relative to the game folder.
constexpr char kOwnFolder[] = "Uninstall";
constexpr char kOwnOriginals[] = "Uninstall\\Original";

// A record larger than this is no real installation's (thousands of files
// take a few hundred kilobytes): it is not read, and counts as damaged.
constexpr std::uint32_t kMaxBytes = 16 * 1024 * 1024;

// The voice add-on's files in the root of drive C are the only files outside
// the game folder that a record may name: shell::voice::kFiles.

using Fields = std::vector<std::string>;

// The kinds of line, in one table that the writer and the reader share.
enum class Line {
    Header,             // magic, version, code page
    Folder,             // where the game was installed (again after a move)
    Language,           // the language the player installed with
    Registered,         // root, uninstall key written (told, never acted on)
    LinkFolder,         // the Start-menu folder (told, never acted on)
    FileAnnounced,      // file, "new" or "old": about to be written
    File,               // file written whole
    MadeFolder,         // folder made
    Link,               // shortcut made, by its name
    PatchAnnounced,     // the patch's file, "new" or "old"
    Patch,              // the patch's file written whole
    PatchLink,          // the patch's shortcut, by its name
    OriginalAnnounced,  // game file, its copy: about to be kept
    Original,           // game file, its copy: kept whole
    NoOriginal,         // a game file the patch replaced without a copy kept
    Restored,           // a game file given its original back
    Unpatched,          // a file or shortcut of the patch taken away
    AddOnFile,          // one of the add-on's fixed files
    AddOnKey,           // root, key: made by the add-on's import
    AddOnValue,         // root, key, value: set by the add-on's import
    AddOnOldKey,        // root, key: there before the import
    AddOnOldValue,      // root, key, value: there before the import
    FileDigest,         // file, size, CRC-32: the content of a file written whole
    PatchDigest,        // the patch's file, size, CRC-32, its payload "TYPE/NAME"
};
// How many kinds there are: the last above, plus one.
constexpr std::size_t kLineKinds = static_cast<std::size_t>(Line::PatchDigest) + 1;

// What a file written whole holds, as a run saw its bytes pass: its size and
// their CRC-32 (zlib's).
struct Digest {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool operator==(const Digest& o) const { return size == o.size && crc == o.crc; }
    bool operator!=(const Digest& o) const { return !(*this == o); }
};
// The tag a line kind is stored with.
const char* tagOf(Line kind);

// A line as stored, with its checksum and line break.
std::string encodeLine(const Fields& fields);
// A line's fields: its tag, then the values.
Fields fields(Line kind, std::vector<std::string> values);
// CRC-32 (the polynomial of zip and PNG).
std::uint32_t crc32(const std::string& bytes);

// Whether path is a relative path of plain names that Windows takes as they
// are spelled (text::plainName): no drive, no leading separator, no empty,
// "." or ".." name, no name ending in a full stop or blank, none of
// <>:"/|?* or control bytes.  plat::Path takes any text; a record's paths
// must be these.
bool plainRelative(const std::string& path);

// The part of path below folder (plat::Path::relativeTo) when it is
// plainRelative: no "..", no wildcard, nothing Windows would spell
// otherwise; nothing for a folder that is a drive's root.
std::optional<plat::Path> plainBelow(const plat::Path& path, const plat::Path& folder);

// A drive root or the Windows folder or anything inside it: a folder the
// uninstaller will not empty, so no installation may go there.
bool unsafeFolder(const plat::Path& folder, const plat::Path& windowsFolder);

// What went wrong with a line; the reader says which line.
class FormatError : public base::Error {
public:
    FormatError(std::size_t line, const std::string& reason)
        : base::Error(reason), line(line), reason(reason) {}
    std::size_t line;  // from 1
    std::string reason;
};

// What a record says once its lines are taken in order.
class Record {
public:
    // One file, folder or shortcut a run wrote, relative to the game folder
    // (a shortcut by its name).
    struct Item {
        plat::Path path;
        bool whole = false;          // written to its end; otherwise only announced
        bool existedBefore = false;  // something of that name was there before the first run wrote it
        bool undone = false;         // the patch's, taken away again by the patch's removal
        // What it held when it was last written whole, where the run saw it
        // (records of earlier versions have none); for the patch's files,
        // the payload it came from ("GB_/GAME01").
        std::optional<Digest> digest;
        std::string payload;
        // This installation's: written whole, or announced where no file of
        // that name was before (a run killed while writing it).
        bool ours() const { return whole || !existedBefore; }
    };
    struct Original {
        plat::Path target, kept;  // the game file, and its original's copy, both relative
        bool whole = false;        // the copy is complete
        bool restored = false;     // moved back onto the game file
    };
    struct Key {
        plat::RootKey root;
        std::string key, value;  // value: empty for a key
        bool isValue = false;
        // One key or value of the registry: names compared as it compares them.
        bool operator==(const Key& other) const;
    };
    // A line that names what a record may not: never acted on.
    struct Ignored {
        std::size_t line;
        std::string text;  // its fields, tab-separated
    };

    // The header of a new record.
    static std::vector<Fields> begin(const plat::Path& installFolder, unsigned codePage);

    // Takes one line's fields; throws FormatError (line 0) for one that is
    // not a line of a record or comes out of place.  A line that is well
    // formed but names something outside what a record may name goes to
    // ignored instead.
    void apply(const Fields& fields, std::size_t lineNumber = 0);

    // A path below the record's folder, relative to it; nullopt otherwise.
    std::optional<plat::Path> relative(const plat::Path& absolute) const;

    unsigned codePage = 0;
    unsigned version = 0;
    plat::Path folder;                      // where it was installed last
    std::vector<plat::Path> earlierFolders; // where it was before a move
    std::string language;
    plat::Path linkFolder;
    std::vector<std::pair<plat::RootKey, std::string>> registrations;
    std::vector<Item> files, folders, links;  // the disc installation's (and the uninstaller's own)
    std::vector<Item> patchFiles, patchLinks;
    std::vector<Original> originals;
    std::vector<plat::Path> unavailable;  // replaced by the patch without an original kept
    std::vector<plat::Path> addOnFiles;
    std::vector<Key> addOnKeys, addOnOld;  // what the add-on's import made; what was there before it
    std::vector<Ignored> ignored;

    // Whether the folder holds our patch only: the record names nothing of a
    // disc installation (no file but the uninstaller's own below kOwnFolder
    // and the patch's log, no folder made, no shortcut of the game), so the
    // game there is one the player installed otherwise.  Only the patch is
    // this program's to take away from such a folder, never the whole game;
    // once the patch is gone, the folder's entry, the uninstaller and the
    // record go too.  A disc installation into the folder ends it: its files
    // go on the same record.  A record that names nothing at all (a patch
    // stopped before its first file) holds our patch only too.
    bool patchOnly() const;

    // Queries by relative path, without regard to case.
    const Item* patchFile(const plat::Path& path) const;
    const Original* activeOriginal(const plat::Path& target) const;  // whole, not restored
    const Item* gameFile(const plat::Path& path) const;

private:
    friend const char* tagOf(Line kind);
    enum List { Files, Folders, Links, PatchFiles, PatchLinks, kLists };
    struct Kind;
    static const Kind kKinds[];

    std::vector<Item>& list(List l);
    Item& item(List l, const plat::Path& path, bool& added);
    const Item* find(List l, const plat::Path& path) const;
    // The relative path a path field names, or nullopt (the line is then ignored).
    std::optional<plat::Path> pathField(const std::string& field) const;
    std::optional<plat::Path> linkName(const std::string& field) const;
    void markWhole(const Fields& f, List l);

    void header(const Fields& f);
    void onFolder(const Fields& f);
    void onLanguage(const Fields& f);
    void onRegistered(const Fields& f);
    void onLinkFolder(const Fields& f);
    void onFileAnnounced(const Fields& f);
    void onFile(const Fields& f);
    void onMadeFolder(const Fields& f);
    void onLink(const Fields& f);
    void onPatchAnnounced(const Fields& f);
    void onPatch(const Fields& f);
    void onPatchLink(const Fields& f);
    void onOriginal(const Fields& f);
    void onNoOriginal(const Fields& f);
    void onRestored(const Fields& f);
    void onUnpatched(const Fields& f);
    void onAddOnFile(const Fields& f);
    void onAddOnKey(const Fields& f);
    void onDigest(const Fields& f);
    void ignore(const Fields& f);

    bool started_ = false;
    std::size_t line_ = 0;
    // A relative path's plat::Path::key() -> index, so that records of thousands of files read quickly.
    std::map<std::string, std::size_t> index_[kLists];
};

// A record's bytes read: every line that reads, in order.  A line a kill cut
// short is left out; a damaged line (a wrong checksum, an unknown or
// malformed line) is left out and told, and the lines after it still count.
struct Parsed {
    Record record;
    bool cutShort = false;                 // the last line had no line end
    std::vector<FormatError> damaged;      // lines left out
    std::vector<Fields> lines;             // the lines that were taken, header first
};
// Throws FormatError when the bytes are no record at all (no header of a
// known version, or no folder line).
Parsed parse(const std::string& bytes);

// Why the uninstaller will not act on a record.
struct Refusal {
    enum Kind {
        Missing,       // no record where it belongs, or one that cannot be read (code)
        Damaged,       // not a record at all, or one too large to be one
        UnsafeFolder,  // the game folder is a drive's root or the Windows folder
        CodePage,      // written under another code page: its paths would read wrongly
    } kind;
    std::string subject;  // the path, line or folder concerned
    std::uint32_t code = 0;
};

// Names of the registry roots as the record spells them.
const char* rootName(plat::RootKey root);
std::optional<plat::RootKey> rootNamed(const std::string& name);

}  // namespace shell::record
