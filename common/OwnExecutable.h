#pragma once
#include <string>

namespace vornalix::common {

// This process's executable, as the kernel knows it ("vornalix" when it cannot be read).
std::string OwnExecutablePath();

} // namespace vornalix::common
