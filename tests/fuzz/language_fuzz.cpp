// Language files are outside input: any bytes may lie beside the program
// under a language's name.  Each input is read as a language file through the
// simulated profile reader, the keys the installer reads go through the
// integer syntax, and the bytes themselves through the path helpers and the
// notice box's line splitting, checking what each promises.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/Error.h"
#include "platform/AnsiText.h"
#include "platform/sim/SimPlatform.h"
#include "shell/Language.h"
#include "ui/Components.h"

namespace {

sim::SimPlatform& simulation() {
    static sim::SimPlatform s;
    static const plat::PlatformInForce inForce(s);
    return s;
}

void check(bool ok) {
    if (!ok) std::abort();
}

// A value either reads as an integer that reads back the same from its
// decimal spelling, or fails with the conversion error naming it.
void checkInteger(const std::string& value) {
    try {
        int n = shell::strToInt(value);
        check(shell::strToInt(std::to_string(n)) == n);
    } catch (const base::Error& e) {
        check(std::string(e.what()) == "'" + value + "' is not a valid integer value");
    }
}

// Lines split at CR LF, LF or CR and joined again with CR LF: the input with
// every line break spelled CR LF and without a final one.
void checkLines(const std::string& bytes) {
    ui::Memo memo(nullptr, "Memo1", nullptr, {});
    memo.loadText(bytes);
    std::string want;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            if (i + 1 < bytes.size()) want += "\r\n";
        } else {
            want += bytes[i];
        }
    }
    check(memo.joined() == want);
}

void checkPath(const std::string& bytes) {
    std::string path = text::folderPart(bytes);
    std::string dir = text::fileDir(bytes);
    check(bytes.compare(0, path.size(), path) == 0);
    check(bytes.compare(0, dir.size(), dir) == 0);
    check(dir.size() <= path.size());
    std::string upper = text::upperCase(bytes);
    check(upper.size() == bytes.size());
    check(text::upperCase(upper) == upper);
    // A trailing backslash is the path's last delimiter, never a trail byte.
    if (text::endsWith(bytes, '\\')) check(text::lastDelimiter(bytes) == bytes.size() - 1);
    std::size_t last = text::lastCharStart(bytes);
    check(bytes.empty() ? last == std::string::npos : last + text::charLength(bytes, last) == bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::SimPlatform& s = simulation();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    s.writeFile("C:\\L.ini", bytes);
    const char* const keys[][2] = {
        {"fontset", "name"},  {"fontset", "Charset"},      {"fontset", "Size"}, {"window1", "title"},
        {"window1", "Button3.Caption"}, {"window2", "Edit2.text"}, {"msgs", "msgs14"},
    };
    for (const auto& k : keys) {
        std::string value = s.profileString("C:\\L.ini", k[0], k[1], "9");
        check(value.size() <= 2047);
        checkInteger(value);
    }
    checkLines(bytes);
    checkPath(bytes);
    return 0;
}
