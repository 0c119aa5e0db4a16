#include "platform/SystemError.h"

#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Program.h"

namespace plat {

std::string systemText(std::uint32_t code) {
    std::string text = text::withoutLineBreak(program().errorText(code));
    return text.empty() ? "System error " + std::to_string(code) : text;
}

base::Error systemError(std::uint32_t code, const std::string& subject) {
    const std::string text = systemText(code);
    return base::Error(subject.empty() ? text : text + "\r\n" + subject, code);
}

base::Error systemError(SysError e, const std::string& subject) { return systemError(e.code(), subject); }

void requirePathFits(const Path& path) {
    if (!files().pathFits(path)) throw systemError(err::FileNameTooLong, path.text());
}

}  // namespace plat
