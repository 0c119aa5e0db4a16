// The record of an installation: what the disc installation, the patch and
// the voice add-on wrote for one install folder, kept in that folder so that
// the uninstaller removes exactly that and nothing else.
//
// The record is a text file of lines added one at a time and never
// rewritten, so that a run killed at any point leaves a record that reads:
// a file is put on it before it is written ("file?") and again once it is
// whole ("file").  Each line is its CRC-32 in eight hexadecimal digits, a
// blank, its fields joined by tabs, and CR LF; a line without its CR LF is
// the one a kill cut short and is left out.  Paths are ANSI bytes of the code
// page named in the first line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace shell::record {

// Where the uninstaller keeps itself, the record and the game's originals,
// below the install folder.
constexpr char kFolderName[] = "Uninstall";
constexpr char kFileName[] = "Uninstall.dat";
constexpr char kProgramName[] = "Uninstall.exe";
constexpr char kOriginalsName[] = "Original";
std::string uninstallFolder(const std::string& install);  // install\Uninstall
std::string recordPath(const std::string& install);        // install\Uninstall\Uninstall.dat
std::string programPath(const std::string& install);       // install\Uninstall\Uninstall.exe
std::string originalsFolder(const std::string& install);   // install\Uninstall\Original

// The voice add-on's files in the root of drive C: the only files outside
// the recorded folders that a record may name.
extern const char* const kAddOnFiles[3];

using Fields = std::vector<std::string>;

// A line as stored, with its checksum and line break.
std::string encodeLine(const Fields& fields);
// CRC-32 (the polynomial of zip and PNG).
std::uint32_t crc32(const std::string& bytes);
// A path with doubled separators made single ("X:\\" + "\\a" is one
// separator to Windows, and one path here).
std::string normalPath(const std::string& path);

// What went wrong with a line; the reader says which line.
struct FormatError {
    std::size_t line;  // from 1
    std::string what;
};

// What a record says once its lines are taken in order.
class Record {
public:
    // One file, folder or shortcut a run wrote.
    struct Item {
        std::string path;
        bool whole = false;          // written to its end; otherwise only announced
        bool existedBefore = false;  // something of that name was there before the first run wrote it
        bool undone = false;         // the patch's, taken away again by the patch's removal
    };
    struct Original {
        std::string target, kept;  // the game file, and its original's copy
        bool whole = false;        // the copy is complete
        bool restored = false;     // moved back onto the game file
    };
    struct Key {
        plat::RootKey root;
        std::string key, value;  // value: empty for a key
    };

    // The header of a new record.
    static std::vector<Fields> begin(const std::string& installFolder, unsigned codePage);

    // Takes one line's fields; throws FormatError (line 0) for one that is
    // not a line of a record or comes out of place.
    void apply(const Fields& fields);

    unsigned codePage = 0;
    std::string folder;     // the install folder
    std::string language;   // the language the player installed with
    std::string linkFolder; // the Start-menu folder of the shortcuts
    std::vector<std::pair<plat::RootKey, std::string>> registrations;  // uninstall keys written
    std::vector<Item> files, folders, links;  // the disc installation's (and the uninstaller's own)
    std::vector<Item> patchFiles, patchLinks;
    std::vector<Original> originals;
    std::vector<std::string> unavailable;  // replaced by the patch without an original kept
    std::vector<std::string> addOnFiles;
    std::vector<Key> addOnKeys;  // keys and values the add-on's import made

    // Queries by path, without regard to case.
    const Item* patchFile(const std::string& path) const;
    const Original* activeOriginal(const std::string& target) const;  // whole, not restored
    bool isGameFile(const std::string& path) const;                   // written, or announced

private:
    enum List { Files, Folders, Links, PatchFiles, PatchLinks, kLists };
    std::vector<Item>& list(List l);
    // The item of that path, added when missing.
    Item& item(List l, const std::string& path, bool& added);
    const Item* find(List l, const std::string& path) const;

    bool started_ = false;
    // Upper-cased path -> index, so that records of thousands of files read quickly.
    std::map<std::string, std::size_t> index_[kLists];
};

// Reads a record's bytes: every line in order, the last one left out when a
// kill cut it short.  Throws FormatError for a damaged line.
Record parse(const std::string& bytes);

// Why the uninstaller will not act on a record.
struct Refusal {
    enum Kind {
        Missing,       // no record where it belongs, or one that cannot be read (code)
        Damaged,       // a line that is not what it should be
        UnsafeFolder,  // the install folder is a drive's root or the Windows folder
        OtherFolder,   // the record is another folder's
        Outside,       // it names something outside the folders it may
        CodePage,      // written under another code page: its paths would read wrongly
    } kind;
    std::string subject;  // the path, line or folder concerned
    std::uint32_t code = 0;
};

// What the record may touch besides the install folder.
struct Bounds {
    std::string installFolder;  // where the record was found
    std::string windowsFolder;
    unsigned codePage;
    // Registry keys that the add-on's script may make: a record's add-on
    // key is refused unless it is one of these or lies below one.
    std::vector<std::pair<plat::RootKey, std::string>> addOnKeys;
};

// Whether the record keeps to its bounds: every path below the install
// folder (originals below the originals folder), shortcuts below a
// Start-menu folder named Lunavire, add-on files and keys those the add-on
// makes; a folder that is no drive root and lies outside Windows.
std::optional<Refusal> check(const Record& r, const Bounds& bounds);

// Whether path lies below folder (path's own name included; no "." or ".."
// or empty name on the way).
bool below(const std::string& path, const std::string& folder);

// A drive root or the Windows folder or anything inside it.
bool unsafeFolder(const std::string& folder, const std::string& windowsFolder);

// Names of the registry roots as the record spells them.
const char* rootName(plat::RootKey root);
std::optional<plat::RootKey> rootNamed(const std::string& name);

}  // namespace shell::record
