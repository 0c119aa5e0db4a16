// The installer's error: raised by an operation, shown by the application's
// error box when nothing catches it.  Below every other layer, so that the
// seam, the payloads and the component model raise one kind of error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace base {

// The message is ANSI bytes, as the error box shows them.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, std::uint32_t code = 0) : std::runtime_error(message), code_(code) {}
    ~Error() override;
    // The system's error code behind it, or 0; a run's log tells it.
    std::uint32_t code() const { return code_; }

private:
    std::uint32_t code_;
};

}  // namespace base
