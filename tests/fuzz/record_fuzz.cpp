// The install record is outside input: the uninstaller reads whatever lies
// in the install folder under the record's name, damaged, cut short or
// written by hand.  Each input is read as a record's bytes, or, when its
// first byte is odd, as lines of tab-separated fields that get their
// checksums first, so that the lines' meanings are explored too.  Besides
// crashes and undefined behaviour it checks: reading ends in a record or a
// FormatError; a tail without a line break changes nothing; every path a
// record that reads holds is a plain one relative to its folder.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/AnsiText.h"
#include "platform/sim/SimPlatform.h"
#include "shell/InstallRecord.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void installSimulation() {
    static sim::SimPlatform s;
    static const plat::PlatformInForce inForce(s);
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
    std::string s = r.folder.text() + "|" + r.language + "|" + r.linkFolder.text() + "|" + std::to_string(r.codePage);
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
    shell::record::Parsed parsed;
    try {
        parsed = shell::record::parse(bytes);
    } catch (const shell::record::FormatError& e) {
        check(e.line == 1);
        return 0;
    }
    const shell::record::Record& r = parsed.record;
    if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0) {
        // A line a kill cut short is never acted on.
        const std::string tail = "0123 file\tC:\\x\r";
        check(summary(shell::record::parse(bytes + tail).record) == summary(r));
    }
    // Whatever the lines say, nothing they name leads out of the game folder.
    for (const auto* list : {&r.files, &r.folders, &r.patchFiles})
        for (const auto& i : *list) check(shell::record::plainRelative(i.path.text()));
    for (const auto& o : r.originals)
        check(shell::record::plainRelative(o.target.text()) &&
              shell::record::plainBelow(o.kept, shell::record::kOwnOriginals).has_value());
    for (const auto* list : {&r.links, &r.patchLinks})
        for (const auto& i : *list) check(shell::record::plainRelative(i.path.text()) && i.path.parent().empty());
    return 0;
}
