// The simulated program slice: the program's path, command line and current
// folder, its code page, the one-copy rule, its resources, the last error,
// the virtual clock and the version of Windows.
#include "platform/sim/ErrorTexts.h"
#include "platform/sim/SimImpl.h"

namespace sim {



bool SimPlatform::claimFirstInstance(const std::vector<std::string>& mainWindowClasses) {
    d_->instanceClasses = mainWindowClasses;
    if (!d_->otherInstance) return true;
    ++d_->otherInstanceFronted;
    return false;
}

const std::vector<std::string>& SimPlatform::instanceWindowClasses() const { return d_->instanceClasses; }

int SimPlatform::otherInstanceBroughtToFront() const { return d_->otherInstanceFronted; }

void SimPlatform::setOtherInstanceRunning(bool running) { d_->otherInstance = running; }

void SimPlatform::setDpi(int dpi) { d_->dpi = dpi; }

bool SimPlatform::isDbcsLeadByte(unsigned char c) { return d_->cp->isLead(c); }

unsigned SimPlatform::ansiCodePage() { return d_->cp->number(); }

std::string SimPlatform::programPath() { return d_->programPath; }

void SimPlatform::comInitialize() { ++d_->comInits; }

int SimPlatform::comInitialized() const { return d_->comInits; }

void SimPlatform::setCodePage(unsigned codePage) {
    d_->cp = &detail::CodePage::get(codePage);
    d_->fs.setCodePage(*d_->cp);
}

void SimPlatform::setProgramPath(const std::string& path) { d_->programPath = path; }

plat::SysError SimPlatform::ownResource(const std::string& type, const std::string& name,
                                        const std::uint8_t*& data, std::size_t& size) {
    std::string t = detail::asciiUpper(*d_->cp, type);
    auto it = d_->resources.find({t, detail::asciiUpper(*d_->cp, name)});
    if (it == d_->resources.end()) {
        bool typeKnown = std::any_of(d_->resources.begin(), d_->resources.end(),
                                     [&](const auto& r) { return r.first.first == t; });
        return plat::SysError(typeKnown ? 1814 : 1813);  // resource name / type not found
    }
    data = reinterpret_cast<const std::uint8_t*>(it->second->data());
    size = it->second->size();
    return plat::kOk;
}

void SimPlatform::removeResource(const std::string& type, const std::string& name) {
    auto it = d_->resources.find({detail::asciiUpper(*d_->cp, type), detail::asciiUpper(*d_->cp, name)});
    if (it == d_->resources.end()) return;
    d_->retired.push_back(it->second);
    d_->resources.erase(it);
}

void SimPlatform::setResource(const std::string& type, const std::string& name, const std::string& bytes) {
    auto& slot = d_->resources[{detail::asciiUpper(*d_->cp, type), detail::asciiUpper(*d_->cp, name)}];
    if (slot) d_->retired.push_back(slot);
    slot = std::make_shared<const std::string>(bytes);
}

plat::SysError SimPlatform::setCurrentFolder(const std::string& path) {
    if (!folderExists(plat::Path(path)))
        return plat::SysError(fileExists(plat::Path(path)) ? plat::err::DirectoryName : plat::err::FileNotFound);
    d_->currentFolder = detail::folderKey(*d_->cp, path);
    return plat::kOk;
}

std::string SimPlatform::commandLine() {
    return d_->commandLine.empty() ? "\"" + d_->programPath + "\"" : d_->commandLine;
}

void SimPlatform::setCommandLine(const std::string& line) { d_->commandLine = line; }

std::uint32_t SimPlatform::processId() { return 4242; }

std::string SimPlatform::ansiToUtf8(const std::string& ansi) { return detail::utf16ToUtf8(d_->cp->toUnicode(ansi)); }

plat::WindowsVersion SimPlatform::windowsVersion() { return d_->version; }

plat::LocalTime SimPlatform::localTime() {
    const std::uint64_t seconds = d_->now / 1000;
    // Days since 2026-01-01 to a civil date (Howard Hinnant's algorithm,
    // counted from 0000-03-01).
    const long long days = static_cast<long long>(seconds / 86400) + 739922;  // 2026-01-01 from 0000-03-01
    const long long era = days / 146097, doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    const int inDay = static_cast<int>(seconds % 86400);
    return {year, month, day, inDay / 3600, inDay / 60 % 60, inDay % 60};
}

std::string SimPlatform::errorText(std::uint32_t code) { return detail::errorText(*d_->cp, code); }

}  // namespace sim
