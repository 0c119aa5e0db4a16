#include "shell/RecordFile.h"

#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/SystemError.h"
#include "platform/AnsiText.h"

#include <stdexcept>

namespace shell::record {

namespace {

std::string oldRecordPath(const std::string& install) { return uninstallFolder(install) + "\\Uninstall.old"; }

}  // namespace

bool readWhole(const std::string& path, std::string& bytes, std::uint32_t& code) {
    auto& p = plat::platform();
    plat::FileHandle h = p.openRead(path);
    if (h == plat::kNoFile) {
        code = p.lastError();
        return false;
    }
    std::uint32_t size = 0, done = 0;
    bool ok = p.fileSize(h, size);
    if (ok) {
        bytes.assign(size, '\0');
        ok = size == 0 || p.readFile(h, &bytes[0], size, done);
        bytes.resize(done);
    }
    code = ok ? 0 : p.lastError();
    p.closeFile(h);
    return ok;
}

Loaded load(const std::string& installFolder) {
    const std::string path = recordPath(installFolder);
    std::string bytes;
    std::uint32_t code = 0;
    if (!readWhole(path, bytes, code)) return {std::nullopt, Refusal{Refusal::Missing, path, code}};
    try {
        return {parse(bytes), std::nullopt};
    } catch (const FormatError& e) {
        return {std::nullopt, Refusal{Refusal::Damaged, path + " (" + std::to_string(e.line) + ": " + e.what + ")"}};
    }
}

Writer::Writer(const std::string& installFolder, unsigned codePage) : folder_(installFolder) {
    auto& p = plat::platform();
    const std::string path = recordPath(folder_);
    if (!plat::createFolders(uninstallFolder(folder_))) throw plat::systemError(p.lastError(), uninstallFolder(folder_));
    std::string bytes;
    bool fresh = true;
    if (p.fileExists(path)) {
        std::uint32_t code = 0;
        if (!readWhole(path, bytes, code)) throw plat::systemError(code, path);
        try {
            record_ = parse(bytes);
            fresh = record_.codePage != codePage ||
                    text::upperCase(record_.folder) != text::upperCase(folder_);
        } catch (const FormatError&) {
        }
        if (fresh) {
            // Kept for whoever wants to look; the uninstaller reads the new one.
            if (!p.moveReplacing(path, oldRecordPath(folder_))) throw plat::systemError(p.lastError(), path);
        } else if (!text::endsWith(bytes, '\n')) {
            // A line a kill cut short goes, or the next line would join it.
            const std::string whole = bytes.substr(0, bytes.rfind("\r\n") + 2);
            if (auto failed = plat::replaceFile(path, whole.data(), static_cast<std::uint32_t>(whole.size())))
                throw plat::systemError(failed->code, path);
        }
    }
    if (fresh) {
        record_ = Record();
        std::string header;
        for (const Fields& f : Record::begin(folder_, codePage)) {
            record_.apply(f);
            header += encodeLine(f);
        }
        if (auto failed = plat::replaceFile(path, header.data(), static_cast<std::uint32_t>(header.size())))
            throw plat::systemError(failed->code, path);
    }
    file_ = p.openWrite(path);
    std::uint32_t size = 0;
    if (file_ == plat::kNoFile || !p.fileSize(file_, size) || !p.seekFromStart(file_, size)) {
        const std::uint32_t code = p.lastError();
        p.closeFile(file_);
        file_ = plat::kNoFile;
        throw plat::systemError(code, path);
    }
}

Writer::~Writer() { plat::platform().closeFile(file_); }

void Writer::add(const Fields& fields) {
    auto& p = plat::platform();
    const std::string path = recordPath(folder_);
    if (broken_) throw plat::systemError(plat::err::InvalidHandle, path);
    // A line is checked whole before anything changes (apply() throws before
    // it changes the record), so the file never holds a line it cannot read.
    try {
        record_.apply(fields);
    } catch (const FormatError& e) {
        throw std::logic_error("a line the record cannot take: " + e.what);
    }
    const std::string line = encodeLine(fields);
    std::uint32_t done = 0;
    if (!p.writeFile(file_, line.data(), static_cast<std::uint32_t>(line.size()), done) || done != line.size()) {
        broken_ = true;
        const std::uint32_t code = p.lastError();
        throw plat::systemError(code ? code : plat::err::DiskFull, path);
    }
}

void Writer::language(const std::string& name) {
    if (!name.empty() && record_.language != name) add({"language", name});
}

}  // namespace shell::record
