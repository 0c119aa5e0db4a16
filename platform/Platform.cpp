#include "platform/Platform.h"

#include <stdexcept>

#include "platform/AnsiText.h"

namespace plat {

namespace {
Platform* current = nullptr;
}

Platform& platform() {
    if (!current) throw std::logic_error("no platform in force");
    return *current;
}

void setPlatform(Platform* p) { current = p; }

std::string systemTool(const std::string& fileName) {
    std::string folder = platform().windowsFolder();
    if (!text::endsWith(folder, '\\')) folder += '\\';
    return "\"" + folder + fileName + "\"";
}

}  // namespace plat
