// The install record is outside input: the uninstaller reads whatever lies
// in the install folder under the record's name, damaged, cut short or
// written by hand.  Each input is read as a record's bytes, or, when its
// first byte is odd, as lines of tab-separated fields that get their
// checksums first, so that the lines' meanings are explored too.  Besides
// crashes and undefined behaviour it checks: reading ends in a record or a
// FormatError; a tail without a line break changes nothing; a record that
// reads can be checked against any bounds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/SimPlatform.h"
#include "shell/InstallRecord.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void installSimulation() {
    static sim::SimPlatform s;
    static const bool installed = (plat::setPlatform(&s), true);
    (void)installed;
}

std::string withChecksums(const std::string& text) {
    std::string out;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        shell::record::Fields fields;
        std::size_t f = from;
        for (;;) {
            const std::size_t tab = text.find('\t', f);
            if (tab == std::string::npos || tab >= end) {
                fields.push_back(text.substr(f, end - f));
                break;
            }
            fields.push_back(text.substr(f, tab - f));
            f = tab + 1;
        }
        out += shell::record::encodeLine(fields);
        from = end + 1;
    }
    return out;
}

std::string summary(const shell::record::Record& r) {
    std::string s = r.folder + "|" + r.language + "|" + r.linkFolder + "|" + std::to_string(r.codePage);
    for (std::size_t n : {r.files.size(), r.folders.size(), r.links.size(), r.patchFiles.size(),
                          r.patchLinks.size(), r.originals.size(), r.unavailable.size(), r.addOnFiles.size(),
                          r.addOnKeys.size(), r.registrations.size()})
        s += "|" + std::to_string(n);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    installSimulation();
    if (size == 0) return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) bytes = withChecksums(bytes);
    shell::record::Record r;
    try {
        r = shell::record::parse(bytes);
    } catch (const shell::record::FormatError& e) {
        check(e.line >= 1 || bytes.empty() || e.what == "no folder");
        return 0;
    }
    check(!r.folder.empty());
    if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0) {
        // A line a kill cut short is never acted on.
        const std::string tail = "0123 file\tC:\\x\r";
        check(summary(shell::record::parse(bytes + tail)) == summary(r));
    }
    for (const char* folder : {"C:\\Games\\Lunavire", "C:", "C:\\WINDOWS\\x"}) {
        shell::record::Bounds b{r.folder, "C:\\WINDOWS", 936, {{plat::RootKey::LocalMachine, "Software\\Lunavire"}}};
        if (folder[2]) b.installFolder = folder;
        auto refused = shell::record::check(r, b);
        // A record whose folder is the Windows folder's is never acted on.
        if (shell::record::unsafeFolder(r.folder, "C:\\WINDOWS")) check(refused.has_value());
    }
    return 0;
}
