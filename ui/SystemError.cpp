#include "ui/SystemError.h"

namespace ui {

Error systemError(std::uint32_t code, const std::string& subject) {
    std::string text = plat::platform().errorText(code);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "System error " + std::to_string(code);
    return Error(subject.empty() ? text : text + "\r\n" + subject);
}

void requirePathFits(const std::string& path) {
    if (!plat::platform().pathFits(path)) throw systemError(plat::err::FileNameTooLong, path);
}

}  // namespace ui
