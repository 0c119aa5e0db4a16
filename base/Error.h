// The installer's error: raised by an operation, shown by the application's
// error box when nothing catches it.  Below every other layer, so that the
// seam, the payloads and the component model raise one kind of error.
#pragma once

#include <stdexcept>
#include <string>

namespace base {

// The message is ANSI bytes, as the error box shows them.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    ~Error() override;
};

}  // namespace base
