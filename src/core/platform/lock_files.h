#pragma once

#include <string_view>

namespace rv::platform {

enum class LockFileState {
    Absent,
    Held,  // there, and a program may be holding it: the database is probably open
    Stale, // there, but nothing holds it (left by a crash)
};

// Where the system can tell (Windows: whoever has the database open holds
// its lock file open), a stale lock file is told apart from a held one;
// elsewhere any lock file there counts as held.
LockFileState lockFileState(std::string_view path);

} // namespace rv::platform
