#include "base/Error.h"

namespace base {

// The class's one home: its type information is made here, and this file is
// compiled with the base's include root alone.
Error::~Error() = default;

}  // namespace base
