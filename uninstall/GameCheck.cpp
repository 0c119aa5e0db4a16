#include "uninstall/GameCheck.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

#include "payload/Payload.h"
#include "platform/File.h"
#include "platform/Files.h"
#include "shell/FileNames.h"
#include "shell/PatchFiles.h"
#include "shell/RunLog.h"

namespace uninstall {

namespace {

using shell::record::Digest;
using shell::record::Record;

constexpr std::size_t kChunk = 64 * 1024;

// A file to check, and what it should hold.
struct ToCheck {
    plat::Path relative;
    bool patch = false;
    std::optional<Digest> digest;
    std::string payload;  // "TYPE/NAME", when the record names it
};

// The uninstaller's own files, the logs and the saved games are nobody's to check.
bool leftAlone(const plat::Path& p) {
    return p.within(plat::Path(shell::record::kOwnFolder)) || p == plat::Path(shell::kInstallLog.inFolder) ||
           p == plat::Path(shell::kPatchLog.inFolder) || p.within(plat::Path("save"));
}

bool activePatch(const Record::Item* p) { return p && p->whole && !p->undone; }

std::vector<ToCheck> filesOf(const Record& r) {
    std::vector<ToCheck> out;
    for (const auto& f : r.files) {
        // A game file the patch replaced is checked as the patch's.
        if (!f.whole || leftAlone(f.path) || activePatch(r.patchFile(f.path))) continue;
        out.push_back({f.path, false, f.digest, {}});
    }
    for (const auto& f : r.patchFiles)
        if (activePatch(&f)) out.push_back({f.path, true, f.digest, f.payload});
    return out;
}

// Files and bytes as they pass, for the view.
class Progress {
public:
    Progress(CheckView& view, std::size_t files, std::uint64_t bytes) : view_(view), files_(files), bytes_(bytes) {}
    void file(const plat::Path& path) {
        path_ = path.text();
        view_.showProgress(done_, files_, bytesDone_, bytes_, path_);
    }
    void bytes(std::uint64_t n) {
        bytesDone_ += n;
        if (++ticks_ % 16 == 0) view_.showProgress(done_, files_, bytesDone_, bytes_, path_);
    }
    void fileDone() { ++done_; }

private:
    CheckView& view_;
    std::size_t files_, done_ = 0;
    std::uint64_t bytes_, bytesDone_ = 0;
    unsigned ticks_ = 0;
    std::string path_;
};

// Reads a file through in pieces, each given to take; the failing call's error.
plat::SysError readThrough(const plat::Path& path, const std::function<void(const char*, std::uint32_t)>& take) {
    plat::File f;
    if (const plat::SysError e = plat::File::openRead(path, f); e.failed()) return e;
    std::vector<char> buffer(kChunk);
    for (;;) {
        std::uint32_t got = 0;
        if (const plat::SysError e = f.read(buffer.data(), kChunk, got); e.failed()) return e;
        if (got == 0) return plat::kOk;
        take(buffer.data(), got);
    }
}

CheckedFile verdict(const ToCheck& t, Verdict v, std::uint32_t code = 0) { return {t.relative, t.patch, v, code}; }

CheckedFile failedToRead(const ToCheck& t, plat::SysError e) {
    const bool gone = e.code() == plat::err::FileNotFound || e.code() == plat::err::PathNotFound;
    return verdict(t, gone ? Verdict::Missing : Verdict::Unreadable, e.code());
}

// The file's CRC-32 as it reads, or why it does not read.
plat::SysError crcOf(const plat::Path& path, std::uint32_t& crc, Progress& progress) {
    crc = 0;
    return readThrough(path, [&](const char* data, std::uint32_t n) {
        crc = payload::crc32(crc, data, n);
        progress.bytes(n);
    });
}

// An earlier record's game file against its disc, byte for byte.
CheckedFile againstDisc(const ToCheck& t, const plat::Path& path, std::uint64_t size, shell::DiscSource& discs,
                        Progress& progress) {
    const auto source = discs.fileOnDisc(t.relative);
    plat::FileStamp disc;
    if (!source || plat::files().fileStamp(*source, disc).failed()) return verdict(t, Verdict::Unchecked);
    if (disc.size != size) return verdict(t, Verdict::Damaged);
    plat::File original;
    if (const plat::SysError e = plat::File::openRead(*source, original); e.failed())
        return verdict(t, Verdict::Unchecked, e.code());
    std::vector<char> theirs(kChunk);
    bool same = true;
    const plat::SysError e = readThrough(path, [&](const char* data, std::uint32_t n) {
        std::uint32_t got = 0;
        same = same && original.read(theirs.data(), n, got).ok() && got == n &&
               std::equal(data, data + n, theirs.data());
        progress.bytes(n);
    });
    if (e.failed()) return failedToRead(t, e);
    return verdict(t, same ? Verdict::Intact : Verdict::Damaged);
}

// The payloads a patched file may hold: the one the record names, else
// either edition's.
std::vector<std::string> payloadsOf(const ToCheck& t) {
    if (!t.payload.empty()) return {t.payload};
    for (const auto& f : shell::kPatchFiles)
        if (t.relative == plat::Path(f.file))
            return {shell::payloadRef(f, shell::Edition::Simplified), shell::payloadRef(f, shell::Edition::Traditional)};
    return {};
}

// A payload's digest: the program carries its bytes.
std::optional<Digest> payloadDigest(const std::string& ref) {
    const std::size_t slash = ref.find('/');
    if (slash == std::string::npos) return std::nullopt;
    try {
        const std::string bytes = payload::payloadBytes(ref.substr(slash + 1), ref.substr(0, slash));
        return Digest{bytes.size(), payload::crc32(0, bytes.data(), bytes.size())};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

CheckedFile checkOne(const ToCheck& t, const plat::Path& folder, shell::DiscSource& discs, Progress& progress) {
    const plat::Path path = folder / t.relative.text();
    plat::FileStamp stamp;
    if (const plat::SysError e = plat::files().fileStamp(path, stamp); e.failed()) return failedToRead(t, e);
    std::vector<Digest> expected;
    if (t.digest) {
        expected.push_back(*t.digest);
    } else if (t.patch) {
        for (const auto& ref : payloadsOf(t))
            if (const auto d = payloadDigest(ref)) expected.push_back(*d);
    } else {
        return againstDisc(t, path, stamp.size, discs, progress);
    }
    const auto sized = [&](const Digest& d) { return d.size == stamp.size; };
    if (std::none_of(expected.begin(), expected.end(), sized)) return verdict(t, Verdict::Damaged);
    std::uint32_t crc = 0;
    if (const plat::SysError e = crcOf(path, crc, progress); e.failed()) return failedToRead(t, e);
    const bool same = std::any_of(expected.begin(), expected.end(), [&](const Digest& d) { return d == Digest{stamp.size, crc}; });
    return verdict(t, same ? Verdict::Intact : Verdict::Damaged);
}

std::uint64_t expectedBytes(const std::vector<ToCheck>& files, const plat::Path& folder) {
    std::uint64_t bytes = 0;
    for (const auto& t : files) {
        plat::FileStamp stamp;
        if (t.digest)
            bytes += t.digest->size;
        else if (plat::files().fileStamp(folder / t.relative.text(), stamp).ok())
            bytes += stamp.size;
    }
    return bytes;
}

}  // namespace

const char* nameOf(Verdict v) {
    switch (v) {
        case Verdict::Intact: return "intact";
        case Verdict::Damaged: return "damaged";
        case Verdict::Missing: return "missing";
        case Verdict::Unreadable: return "unreadable";
        case Verdict::Unchecked: return "unchecked: its disc was found nowhere";
    }
    return "?";
}

std::size_t Verification::count(Verdict v) const {
    return static_cast<std::size_t>(
        std::count_if(files.begin(), files.end(), [v](const CheckedFile& f) { return f.verdict == v; }));
}

Verification verify(const Installed& game, shell::DiscSource& discs, CheckView& view, shell::RunLog& log) {
    const std::vector<ToCheck> files = filesOf(game.record);
    Progress progress(view, files.size(), expectedBytes(files, game.folder));
    Verification v;
    for (const auto& t : files) {
        progress.file(game.folder / t.relative.text());
        v.files.push_back(checkOne(t, game.folder, discs, progress));
        progress.fileDone();
        const CheckedFile& c = v.files.back();
        if (c.verdict != Verdict::Intact)
            log.line(t.relative.text() + ": " + nameOf(c.verdict) +
                     (c.verdict == Verdict::Unreadable ? " (" + shell::errorText(c.code) + ")" : ""));
    }
    log.line("checked " + std::to_string(v.files.size()) + " files: " + std::to_string(v.count(Verdict::Intact)) +
             " intact, " + std::to_string(v.count(Verdict::Damaged)) + " damaged, " +
             std::to_string(v.count(Verdict::Missing)) + " missing, " + std::to_string(v.count(Verdict::Unreadable)) +
             " unreadable, " + std::to_string(v.count(Verdict::Unchecked)) + " unchecked");
    return v;
}

}  // namespace uninstall
