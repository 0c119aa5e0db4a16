// A Windows path inside the program: bytes in the ANSI code page, compared as
// the file system compares names (plat::Files::nameKey: case and the code
// page's letters folded), joined and cut at backslashes that are characters
// of their own (a trail byte 0x5C of a double-byte character is none).
//
// The text is kept as it was given, with doubled backslashes made single
// (the two that start a UNC name stay).  A trailing backslash is kept only on
// a drive's root ("C:\"); elsewhere it is dropped.
#pragma once

#include <optional>
#include <string>

namespace plat {

class Path {
public:
    Path() = default;
    explicit Path(const std::string& text);
    Path(const char* text) : Path(std::string(text)) {}

    const std::string& text() const { return text_; }
    bool empty() const { return text_.empty(); }

    // The path with a relative one below it, one backslash between them
    // however either end is spelled: "C:\" / "a" and "C:\Game\" / "\a\b\"
    // give "C:\a" and "C:\Game\a\b".
    Path operator/(const std::string& relative) const;
    // The folder that holds it ("C:\Game\a" -> "C:\Game", "C:\a" -> "C:\"); a
    // root or a bare name has none ("").
    Path parent() const;
    // The last name ("C:\Game\a.dat" -> "a.dat"; "" for a drive's root).
    std::string name() const;
    // Whether it starts from a drive's root ("C:\...").
    bool absolute() const;

    // One path however it is spelled: case, full-width or not, a trailing
    // or doubled backslash.
    bool operator==(const Path& other) const;
    bool operator!=(const Path& other) const { return !(*this == other); }
    // Whether it lies inside folder, by whole names: C:\Games\x is not
    // inside C:\Game, and a folder is not inside itself.
    bool below(const Path& folder) const;
    // The same path or one below it.
    bool within(const Path& folder) const { return *this == folder || below(folder); }
    // The part below folder, as spelled here ("a\b.dat"), "" for the folder
    // itself; nothing when it lies elsewhere.
    std::optional<std::string> relativeTo(const Path& folder) const;

    // The form by which the file system finds it: equal keys, one path.
    std::string key() const;

private:
    std::string text_;
};

}  // namespace plat
