// A run's log: what the disc installation, the patch and the voice add-on
// did, line by line, appended to a text file that a player can open in
// Notepad on a Chinese or an English Windows alike (UTF-8 with a byte-order
// mark, CRLF lines) and send to whoever helps them.
//
// The lines are written as they come, so a run that is killed leaves its log
// up to that moment.  Until the run knows the folder its log belongs in
// (place()), lines are held; a log that is never placed goes to the user's
// temporary folder when it ends.  A log that cannot be written never stops a
// run: its lines go on in the temporary folder, or nowhere.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/SysError.h"
#include "shell/FileNames.h"

namespace shell {

namespace record {
class Writer;
}

class RunLog {
public:
    // The file never holds more than this: older runs' lines go first.
    static constexpr std::uint32_t kLimit = 1024 * 1024;

    // Begins a run's lines with what it is, the program's version, the date
    // and time, the Windows version and the code page.
    RunLog(LogName name, const std::string& run);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // One line of ANSI text; line breaks inside it continue it, indented.
    void line(const std::string& text);
    // The run ends on this error: its outcome line, with the system's code
    // where the error carries one.
    void stoppedBy(const std::exception& e);
    // The run's folder is known and checked: the held lines and every later
    // one go to its log there, or to the temporary folder's if it cannot
    // take them.
    void place(const plat::Path& folder);
    // The user's temporary folder, for a run without a folder of its own.
    void placeInTemp();
    // Where the lines go now; empty while they are held or go nowhere.
    const plat::Path& path() const { return path_; }
    // A log that lies in the run's folder goes with the whole game: on the
    // record, announced and whole at once.  A log elsewhere is not the game's.
    void putOnRecord(record::Writer& record, const plat::Path& folder) const;

    // Every line of every log from here on goes to `path` as well (the
    // command line's log file), as it is written, with its process id;
    // empty for none.  While its folder is not there (the install folder
    // before the run makes it) the lines wait for it; a file that cannot be
    // written otherwise is told once in the log of the moment.
    static void echoTo(const plat::Path& path);
    // The log of the run under way: the last one made that still stands.
    static RunLog* current();

private:
    bool append(const std::string& utf8);
    void echo(const std::string& utf8);
    // The error of the call that failed, if one did.
    static plat::SysError write(const plat::Path& path, const std::string& utf8);
    // Cuts the oldest lines (whole runs where it can) so that `adding` more
    // bytes fit well within the limit.
    static plat::SysError trim(const plat::Path& path, std::uint32_t adding);

    LogName name_;
    std::vector<std::string> held_;  // UTF-8 lines with their line ends
    plat::Path path_;
    bool placed_ = false, inTemp_ = false;
};

// Runs a run's steps; an error that ends them is the log's last line, its
// outcome, before it goes on to the caller.
template <class Steps>
auto loggingErrors(RunLog& log, Steps&& steps) -> decltype(steps()) {
    try {
        return steps();
    } catch (const std::exception& e) {
        log.stoppedBy(e);
        throw;
    }
}

// "N bytes" or "N.N MB", for sizes in a log.
std::string sizeText(std::uint64_t bytes);
// The system's text for code on one line, after its number: "32: <text>".
std::string errorText(std::uint32_t code);

}  // namespace shell
