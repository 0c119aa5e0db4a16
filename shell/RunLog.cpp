#include "shell/RunLog.h"

#include <algorithm>
#include <cstdio>

#include "base/Error.h"
#include "platform/File.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/RecordFile.h"
#include "shell/Version.h"

namespace shell {

namespace {

const char kBom[] = "\xEF\xBB\xBF";
const char kRunStart[] = "\r\n==== ";
// A trimmed log keeps about this much, so that it is not trimmed again at
// every line of the next run.
constexpr std::uint32_t kKeptAfterTrim = RunLog::kLimit / 4 * 3;

// The command line's log file, the lines that wait for its folder, and the
// logs that stand, the latest last.
plat::Path echoPath;
std::string echoWaiting;
bool echoWaitTold = false;
std::vector<RunLog*> standing;

// "[1234] ": the process a line of a shared log comes from.
std::string processMark() { return "[" + std::to_string(plat::program().processId()) + "] "; }

std::string twoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

std::string clock(const plat::LocalTime& t) {
    return twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

// Line breaks inside a line continue it, indented under its text.
std::string oneEntry(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n' || text[i] == '\r') {
            out += "\r\n         ";
            continue;
        }
        out += text[i];
    }
    return out;
}

// The last `keep` bytes of a file, however large it has grown (a log of
// someone else's, or one filled by hand): only they are read.  The handle is
// closed whatever happens.
plat::SysError readTail(const plat::Path& path, std::uint64_t keep, std::string& out) {
    plat::FileStamp stamp;
    if (const plat::SysError e = plat::files().fileStamp(path, stamp); e.failed()) return e;
    plat::File file;
    if (const plat::SysError e = plat::File::openRead(path, file); e.failed()) return e;
    const std::uint64_t from = stamp.size > keep ? stamp.size - keep : 0;
    if (const plat::SysError e = file.seek(from); e.failed()) return e;
    const auto size = static_cast<std::size_t>(stamp.size - from);
    out.assign(size, '\0');
    for (std::size_t at = 0; at < size;) {
        std::uint32_t got = 0;
        if (const plat::SysError e = file.read(&out[at], static_cast<std::uint32_t>(size - at), got); e.failed())
            return e;
        if (got == 0) {
            out.resize(at);  // shorter than it was: what there is
            break;
        }
        at += got;
    }
    return plat::kOk;
}

}  // namespace

RunLog::RunLog(LogName name, const std::string& run) : name_(name) {
    const plat::LocalTime t = plat::program().localTime();
    const plat::WindowsVersion v = plat::program().windowsVersion();
    const std::string date = std::to_string(t.year) + "-" + twoDigits(t.month) + "-" + twoDigits(t.day);
    // A blank line and a mark of its own start every run (trim() cuts there).
    const std::string head = std::string(kRunStart) + run + " - Lunavire setup " + kProgramVersion + " - " + date + " " +
                             clock(t);
    const std::string process = " - process " + std::to_string(plat::program().processId());
    held_.push_back(plat::program().ansiToUtf8(head + (name_.marksProcess ? process : "")) + "\r\n");
    std::string windows = "Windows " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                          std::to_string(v.build);
    if (!v.servicePack.empty()) windows += " " + v.servicePack;
    echo(plat::program().ansiToUtf8(head + process) + "\r\n");
    standing.push_back(this);
    line(windows + ", ANSI code page " + std::to_string(plat::program().ansiCodePage()));
}

RunLog::~RunLog() {
    standing.erase(std::remove(standing.begin(), standing.end(), this), standing.end());
    if (!placed_) placeInTemp();
}

void RunLog::echoTo(const plat::Path& path) { echoPath = path; }

RunLog* RunLog::current() { return standing.empty() ? nullptr : standing.back(); }

void RunLog::echo(const std::string& utf8) {
    if (echoPath.empty()) return;
    echoWaiting += utf8;
    const plat::SysError e = write(echoPath, echoWaiting);
    if (e.ok()) {
        echoWaiting.clear();
        return;
    }
    // Its folder may be the one the run is about to make.
    if (e.code() == plat::err::PathNotFound) {
        if (!echoWaitTold) {
            echoWaitTold = true;
            line("the log file " + echoPath.text() + " waits for its folder (" + errorText(e.code()) + ")");
        }
        return;
    }
    const plat::Path failed = echoPath;
    echoPath = plat::Path();
    echoWaiting.clear();
    line("the log file " + failed.text() + " cannot be written (" + errorText(e.code()) + ")");
}

void RunLog::line(const std::string& text) {
    const std::string time = clock(plat::program().localTime()) + " ";
    const std::string entry = oneEntry(text) + "\r\n";
    const std::string utf8 = plat::program().ansiToUtf8(time + (name_.marksProcess ? processMark() : "") + entry);
    echo(plat::program().ansiToUtf8(time + processMark() + entry));
    if (!placed_) {
        held_.push_back(utf8);
        return;
    }
    if (!path_.empty()) append(utf8);
}

void RunLog::stoppedBy(const std::exception& e) {
    if (const auto* error = dynamic_cast<const base::Error*>(&e))
        line("outcome: stopped by error " + std::to_string(error->code()) + ": " + e.what());
    else
        line(std::string("outcome: stopped by an error: ") + e.what());
}

void RunLog::place(const plat::Path& folder) {
    if (placed_) return;
    placed_ = true;
    path_ = folder / name_.inFolder;
    // What a trim of a run that was killed left beside the log.
    plat::removeStaleTemporaries(path_);
    std::string all;
    for (const auto& l : held_) all += l;
    held_.clear();
    append(all);
}

void RunLog::placeInTemp() {
    if (placed_) return;
    placed_ = true;
    std::string all;
    for (const auto& l : held_) all += l;
    held_.clear();
    inTemp_ = true;
    path_ = plat::Path(plat::shell().tempFolder()) / name_.inTemp;
    if (write(path_, all).failed()) path_ = plat::Path();
}

void RunLog::putOnRecord(record::Writer& record, const plat::Path& folder) const {
    if (path_ != folder / name_.inFolder) return;
    record.fileAnnounced(path_, plat::files().fileExists(path_));
    record.fileWhole(path_);
}

bool RunLog::append(const std::string& utf8) {
    const plat::SysError e = write(path_, utf8);
    if (e.ok()) return true;
    if (inTemp_) {
        path_ = plat::Path();  // nowhere left to write
        return false;
    }
    // The rest of the run's lines go on in the temporary folder, saying
    // where they began.
    const plat::Path failed = path_;
    inTemp_ = true;
    path_ = plat::Path(plat::shell().tempFolder()) / name_.inTemp;
    const std::string note =
        plat::program().ansiToUtf8(clock(plat::program().localTime()) + " this log goes on here: " + failed.text() +
                                   " cannot be written (" + errorText(e.code()) + ")\r\n");
    if (write(path_, note + utf8).ok()) return true;
    path_ = plat::Path();
    return false;
}

plat::SysError RunLog::write(const plat::Path& path, const std::string& utf8) {
    if (path.empty()) return plat::SysError(plat::err::PathNotFound);
    plat::FileStamp stamp;
    if (plat::files().fileStamp(path, stamp).ok() && stamp.size + utf8.size() > kLimit) {
        if (const plat::SysError e = trim(path, static_cast<std::uint32_t>(utf8.size())); e.failed()) return e;
    }
    plat::File file;
    bool fresh = false;
    plat::SysError e = plat::File::openWrite(path, file);
    if (e.code() == plat::err::FileNotFound) {
        e = plat::File::createNew(path, file);
        fresh = true;
    }
    if (e.failed()) return e;
    std::uint32_t size = 0, done = 0;
    e = file.size(size);
    if (e.ok()) e = file.seek(size);
    const std::string bytes = (fresh || size == 0 ? std::string(kBom) : std::string()) + utf8;
    if (e.ok()) e = file.write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), done);
    // A write that falls short without an error is Wine's full disk.
    if (e.ok() && done != bytes.size()) e = plat::SysError(plat::err::DiskFull);
    return e;
}

plat::SysError RunLog::trim(const plat::Path& path, std::uint32_t adding) {
    const std::size_t keep = adding < kKeptAfterTrim ? kKeptAfterTrim - adding : 0;
    std::string all;
    // A line break before what is kept tells where whole lines begin.
    if (const plat::SysError e = readTail(path, keep + 2, all); e.failed()) return e;
    std::size_t cut = all.size() > keep ? all.size() - keep : 0;
    // Whole runs where one starts in what is kept, else whole lines.
    std::size_t at = all.find(kRunStart, cut);
    if (at != std::string::npos) {
        cut = at + 2;
    } else {
        at = all.find("\r\n", cut);
        cut = at == std::string::npos ? all.size() : at + 2;
    }
    const std::string kept = kBom + all.substr(std::max<std::size_t>(cut, 3));  // a new mark, not the old one
    if (auto failed = plat::replaceFile(path, kept.data(), static_cast<std::uint32_t>(kept.size())))
        return failed->error;
    return plat::kOk;
}

std::string sizeText(std::uint64_t bytes) {
    if (bytes < 1024 * 1024) return std::to_string(bytes) + " bytes";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return buf;
}

std::string errorText(std::uint32_t code) { return std::to_string(code) + ": " + plat::systemText(code); }

}  // namespace shell
