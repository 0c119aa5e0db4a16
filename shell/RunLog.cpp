#include "shell/RunLog.h"

#include <algorithm>
#include <cstdio>

#include "base/Error.h"
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
std::string echoPath;
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
bool readTail(const std::string& path, std::uint64_t keep, std::string& out) {
    plat::FileStamp stamp;
    if (!plat::files().fileStamp(path, stamp)) return false;
    struct Closing {
        plat::FileHandle h;
        ~Closing() { plat::files().closeFile(h); }
    } file{plat::files().openRead(path)};
    if (file.h == plat::kNoFile) return false;
    const std::uint64_t from = stamp.size > keep ? stamp.size - keep : 0;
    if (!plat::files().seekFromStart(file.h, from)) return false;
    const auto size = static_cast<std::size_t>(stamp.size - from);
    out.assign(size, '\0');
    for (std::size_t at = 0; at < size;) {
        std::uint32_t got = 0;
        if (!plat::files().readFile(file.h, &out[at], static_cast<std::uint32_t>(size - at), got)) return false;
        if (got == 0) {
            out.resize(at);  // shorter than it was: what there is
            break;
        }
        at += got;
    }
    return true;
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

void RunLog::echoTo(const std::string& path) { echoPath = path; }

RunLog* RunLog::current() { return standing.empty() ? nullptr : standing.back(); }

void RunLog::echo(const std::string& utf8) {
    if (echoPath.empty()) return;
    echoWaiting += utf8;
    const std::uint32_t code = write(echoPath, echoWaiting);
    if (code == 0) {
        echoWaiting.clear();
        return;
    }
    // Its folder may be the one the run is about to make.
    if (code == plat::err::PathNotFound) {
        if (!echoWaitTold) {
            echoWaitTold = true;
            line("the log file " + echoPath + " waits for its folder (" + errorText(code) + ")");
        }
        return;
    }
    const std::string failed = echoPath;
    echoPath.clear();
    echoWaiting.clear();
    line("the log file " + failed + " cannot be written (" + errorText(code) + ")");
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

void RunLog::place(const std::string& folder) {
    if (placed_) return;
    placed_ = true;
    path_ = folder + "\\" + name_.inFolder;
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
    path_ = plat::shell().tempFolder() + "\\" + name_.inTemp;
    if (write(path_, all) != 0) path_.clear();
}

void RunLog::putOnRecord(record::Writer& record, const std::string& folder) const {
    if (path_ != folder + "\\" + name_.inFolder) return;
    const std::string path = record::normalPath(path_);
    record.fileAnnounced(path, plat::files().fileExists(path));
    record.fileWhole(path);
}

bool RunLog::append(const std::string& utf8) {
    const std::uint32_t code = write(path_, utf8);
    if (code == 0) return true;
    if (inTemp_) {
        path_.clear();  // nowhere left to write
        return false;
    }
    // The rest of the run's lines go on in the temporary folder, saying
    // where they began.
    const std::string failed = path_;
    inTemp_ = true;
    path_ = plat::shell().tempFolder() + "\\" + name_.inTemp;
    const std::string note = plat::program().ansiToUtf8(clock(plat::program().localTime()) + " this log goes on here: " +
                                                         failed + " cannot be written (" + errorText(code) + ")\r\n");
    if (write(path_, note + utf8) == 0) return true;
    path_.clear();
    return false;
}

std::uint32_t RunLog::write(const std::string& path, const std::string& utf8) {
    if (path.empty()) return plat::err::PathNotFound;
    plat::FileStamp stamp;
    if (plat::files().fileStamp(path, stamp) && stamp.size + utf8.size() > kLimit) {
        if (std::uint32_t code = trim(path, static_cast<std::uint32_t>(utf8.size()))) return code;
    }
    plat::FileHandle h = plat::files().openWrite(path);
    bool fresh = false;
    if (h == plat::kNoFile) {
        if (plat::program().lastError() != plat::err::FileNotFound) return plat::program().lastError();
        h = plat::files().createNew(path);
        if (h == plat::kNoFile) return plat::program().lastError();
        fresh = true;
    }
    std::uint32_t size = 0, done = 0, code = 0;
    if (!plat::files().fileSize(h, size) || !plat::files().seekFromStart(h, size)) code = plat::program().lastError();
    const std::string bytes = (fresh || size == 0 ? std::string(kBom) : std::string()) + utf8;
    if (!code && !plat::files().writeFile(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), done)) code = plat::program().lastError();
    // A write that falls short without an error is Wine's full disk.
    if (!code && done != bytes.size()) code = plat::err::DiskFull;
    plat::files().closeFile(h);
    return code;
}

std::uint32_t RunLog::trim(const std::string& path, std::uint32_t adding) {
    const std::size_t keep = adding < kKeptAfterTrim ? kKeptAfterTrim - adding : 0;
    std::string all;
    // A line break before what is kept tells where whole lines begin.
    if (!readTail(path, keep + 2, all)) return plat::program().lastError();
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
        return failed->code;
    return 0;
}

std::string sizeText(std::uint64_t bytes) {
    if (bytes < 1024 * 1024) return std::to_string(bytes) + " bytes";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return buf;
}

std::string errorText(std::uint32_t code) { return std::to_string(code) + ": " + plat::systemText(code); }

}  // namespace shell
