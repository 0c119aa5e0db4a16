#include "platform/Platform.h"

#include <stdexcept>

namespace plat {

namespace {
Platform* current = nullptr;
}

Platform& platform() {
    if (!current) throw std::logic_error("no platform in force");
    return *current;
}

void setPlatform(Platform* p) { current = p; }

}  // namespace plat
